// ParseProgress and CheckProgress on a progress file's bytes; the first byte
// picks how many texts are asked for (the record's 96 slots and a little beyond).

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "app/progress_format.h"
#include "fuzz_support.h"
#include "text/fixed_text.h"

using namespace brivel;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    // -2 to 101: none asked, and more than a record holds.
    const int n = data[0] % 104 - 2;
    const std::string_view bytes(reinterpret_cast<const char*>(data + 1), size - 1);
    const std::vector<std::string> texts = ParseProgress(bytes, n);
    FUZZ_CHECK(texts.size() == static_cast<std::size_t>(n > 0 ? n : 0));
    std::string written;
    for (const std::string& text : texts) {
        FUZZ_CHECK(text.size() <= kTextMaxLength);
        FUZZ_CHECK(text.find('\0') == std::string::npos);
        FUZZ_CHECK(text.find('\r') == std::string::npos);
        written += text;
        written += "\r\n";
    }
    // The texts written back as the player writes them read back unchanged.
    FUZZ_CHECK(ParseProgress(written, n) == texts);
    // What the check takes is read whole: nothing dropped, cut or past the texts asked for.
    if (CheckProgress(bytes, n) == ProgressCheck::Ok) {
        FUZZ_CHECK(written.compare(0, bytes.size(), bytes) == 0);
    }
    return 0;
}
