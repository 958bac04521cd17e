// LzwDecode on any bytes: the packed quiz and codes texts of a quiz file.

#include <cstddef>
#include <cstdint>

#include "fuzz_support.h"
#include "quiz/lzw.h"

using namespace brivel;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::CountingSink sink;
    const CodecResult result = LzwDecode(data, size, sink);
    switch (result.status) {
        case DecodeStatus::Ok:
        case DecodeStatus::InvalidCode:
            FUZZ_CHECK(size >= 2);
            break;
        case DecodeStatus::Truncated:
            // Only a stream shorter than the first 9-bit code is cut short.
            FUZZ_CHECK(size < 2);
            FUZZ_CHECK(result.bytes.empty());
            break;
        case DecodeStatus::OutOfMemory:
            FUZZ_CHECK(sink.count == 1);
            FUZZ_CHECK(result.bytes.empty());
            return 0;
        default:
            FUZZ_FAIL("a status decode never gives");
    }
    FUZZ_CHECK(sink.count == 0);
    FUZZ_CHECK(result.bytes.size() <= kLzwMaxDecodedSize);
    // Each code adds at least one byte, and at most one more than the longest
    // string so far: the text is bounded by the codes the input holds.
    const std::size_t codes = size * 8 / 9;
    FUZZ_CHECK(result.bytes.size() <= codes * (codes + 1) / 2 + 1);
    return 0;
}
