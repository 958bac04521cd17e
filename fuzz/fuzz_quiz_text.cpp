// ParseQuizText and ParseCodesText on the same decoded bytes, and what the
// authoring tool writes back from a parsed text must parse to the same.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz_support.h"
#include "quiz/quiz_record.h"
#include "quiz/quiz_text.h"

using namespace brivel;

namespace {

bool SamePicture(const QuizPicture& a, const QuizPicture& b) {
    return a.answer == b.answer && a.altAnswer == b.altAnswer && a.location == b.location &&
           a.extraInfo == b.extraInfo;
}

bool SameQuiz(const QuizText& a, const QuizText& b) {
    if (a.pictures.size() != b.pictures.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.pictures.size(); ++i) {
        if (!SamePicture(a.pictures[i], b.pictures[i])) {
            return false;
        }
    }
    return a.firstByte == b.firstByte && a.headerByte == b.headerByte &&
           a.answersPerPicture == b.answersPerPicture && a.title == b.title &&
           a.author == b.author && a.explanation == b.explanation && a.extraText1 == b.extraText1 &&
           a.extraText2 == b.extraText2 && a.kind == b.kind && a.red == b.red &&
           a.green == b.green && a.blue == b.blue;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);

    const std::optional<QuizText> quiz = ParseQuizText(bytes);
    if (quiz) {
        FUZZ_CHECK(quiz->pictures.size() <= static_cast<std::size_t>(kMaxPictures));
        FUZZ_CHECK(quiz->pictures.size() * quiz->answersPerPicture <=
                   static_cast<std::size_t>(kMaxPictures));
        const std::optional<QuizText> again = ParseQuizText(FormatQuizText(*quiz));
        FUZZ_CHECK(again && SameQuiz(*quiz, *again));
    }

    // The count a quiz text would give (its third byte), past the record's 96 too.
    const int count = size > 2 ? data[2] : 0;
    const std::optional<std::vector<std::string>> codes = ParseCodesText(bytes, count);
    if (codes) {
        FUZZ_CHECK(codes->size() == static_cast<std::size_t>(count));
        for (const std::string& line : *codes) {
            FUZZ_CHECK(line.find('\r') == std::string::npos);
        }
        const std::optional<std::vector<std::string>> again =
            ParseCodesText(FormatCodesText(*codes), count);
        FUZZ_CHECK(again && *again == *codes);
    }
    return 0;
}
