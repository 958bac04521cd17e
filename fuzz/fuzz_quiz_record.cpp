// The studio's draft record: ReadQuizRecord on any text, and the quiz it
// reads, written again, reads back as the same record.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "fuzz_support.h"
#include "maker/quiz_model.h"

using namespace brivel;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::optional<Quiz> quiz =
        ReadQuizRecord(std::string_view(reinterpret_cast<const char*>(data), size));
    if (!quiz) {
        return 0;
    }
    // A picture whose file was never read is left out of a record.
    for (Quiz::Picture& picture : quiz->pictures) {
        picture.given = {1};
    }
    const std::string record = FormatQuizRecord(*quiz);
    std::optional<Quiz> back = ReadQuizRecord(record);
    FUZZ_CHECK(back.has_value() && back->pictures.size() == quiz->pictures.size());
    for (Quiz::Picture& picture : back->pictures) {
        picture.given = {1};
    }
    FUZZ_CHECK(FormatQuizRecord(*back) == record);
    return 0;
}
