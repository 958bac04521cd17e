// ParseQuizText and ParseCodesText on the same decoded bytes, and what the
// authoring tool writes back from a parsed text must parse to the same.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <tuple>

#include "fuzz_support.h"
#include "quiz/quiz_record.h"
#include "quiz/quiz_text.h"

using namespace brivel;

namespace {

// Every field, so that a writer dropping or reordering one shows up.
bool SameQuiz(const QuizText& a, const QuizText& b) {
    const auto fields = [](const QuizText& q) {
        return std::tie(q.firstByte, q.headerByte, q.answersPerPicture, q.title, q.author,
                        q.explanation, q.extraText1, q.extraText2, q.kind, q.red, q.green, q.blue);
    };
    const auto picture = [](const QuizPicture& p) {
        return std::tie(p.answer, p.altAnswer, p.location, p.extraInfo);
    };
    return fields(a) == fields(b) &&
           std::equal(a.pictures.begin(), a.pictures.end(), b.pictures.begin(), b.pictures.end(),
                      [&](const auto& x, const auto& y) { return picture(x) == picture(y); });
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
