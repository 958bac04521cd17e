// LoadQuizDescription on any quiz.toml, beside a JPEG (01.jpg) and a PNG
// (02.png) it may name. An error means no description; a description holds
// only texts the quiz text can carry (that such texts read back as written is
// fuzz_quiz_text's part).

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "fuzz_support.h"
#include "maker/quiz_description.h"
#include "quiz/quiz_record.h"
#include "quiz/quiz_text.h"
#include "text/fixed_text.h"
#include "turbojpeg_codec.h"

using namespace brivel;
namespace fs = std::filesystem;

namespace {

void CopyPicture(const char* from, const char* to) {
    std::error_code error;
    fs::copy_file(from, fs::path(fuzz::ScratchDir()) / to, fs::copy_options::overwrite_existing,
                  error);
    FUZZ_CHECK(!error);
}

bool FitsQuizField(const std::string& text) {
    return text.size() <= kTextMaxLength && text.find_first_of("|\r\n") == std::string::npos &&
           text.find('\0') == std::string::npos;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    CopyPicture(BRIVEL_FUZZ_JPEG, "01.jpg");
    CopyPicture(BRIVEL_FUZZ_PNG, "02.png");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    {
        std::ofstream out(fs::path(fuzz::ScratchDir()) / kDescriptionFileName,
                          std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
        FUZZ_CHECK(out.good());
    }
    std::vector<DescriptionProblem> problems;
    tool::TurboJpegCodec codec;
    const std::optional<QuizDescription> description =
        LoadQuizDescription(fuzz::ScratchDir(), problems, codec);

    bool anyError = false;
    for (const DescriptionProblem& problem : problems) {
        anyError = anyError || problem.severity == Severity::Error;
        FUZZ_CHECK(problem.line >= 0);
        FUZZ_CHECK(!problem.message.empty());
    }
    FUZZ_CHECK(description.has_value() == !anyError);
    if (!description) {
        return 0;
    }

    const QuizText& quiz = description->text;
    const std::size_t count = quiz.pictures.size();
    FUZZ_CHECK(count >= 1);
    FUZZ_CHECK(count * quiz.answersPerPicture <= static_cast<std::size_t>(kMaxPictures));
    FUZZ_CHECK(description->codes.size() == count);
    FUZZ_CHECK(description->pictureFiles.size() == count);
    for (const std::string* text :
         {&quiz.title, &quiz.author, &quiz.explanation, &quiz.extraText1, &quiz.extraText2}) {
        FUZZ_CHECK(FitsQuizField(*text));
    }
    for (const QuizPicture& picture : quiz.pictures) {
        FUZZ_CHECK(!picture.answer.empty());
        for (const std::string* text :
             {&picture.answer, &picture.altAnswer, &picture.location, &picture.extraInfo}) {
            FUZZ_CHECK(FitsQuizField(*text));
        }
    }
    for (const std::string& code : description->codes) {
        FUZZ_CHECK(code.size() <= kTextMaxLength);
        FUZZ_CHECK(code.find_first_of("\r\n") == std::string::npos);
    }
    return 0;
}
