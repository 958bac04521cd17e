#include "maker/quiz_model.h"

#include <algorithm>
#include <utility>

#include "maker/quiz_bundle.h"
#include "text/cp1252.h"

namespace brivel {

Quiz QuizOfTexts(const QuizText& text, const std::vector<std::string>& codes,
                 std::vector<Quiz::Picture> pictures) {
    Quiz quiz;
    quiz.title = Cp1252ToUtf8(text.title);
    quiz.author = Cp1252ToUtf8(text.author);
    quiz.explanation = Cp1252ToUtf8(text.explanation);
    quiz.colour = {text.red, text.green, text.blue};
    quiz.kept = {Cp1252ToUtf8(text.extraText1),
                 Cp1252ToUtf8(text.extraText2),
                 text.headerByte,
                 text.firstByte,
                 text.answersPerPicture,
                 text.kind};
    for (std::size_t i = 0; i < pictures.size() && i < text.pictures.size(); ++i) {
        Quiz::Picture& picture = pictures[i];
        picture.answer = Cp1252ToUtf8(text.pictures[i].answer);
        picture.secondAnswer = Cp1252ToUtf8(text.pictures[i].altAnswer);
        picture.location = Cp1252ToUtf8(text.pictures[i].location);
        picture.extra = Cp1252ToUtf8(text.pictures[i].extraInfo);
        picture.code = i < codes.size() ? Cp1252ToUtf8(codes[i]) : std::string();
        quiz.pictures.push_back(std::move(picture));
    }
    return quiz;
}

std::vector<std::string> PictureFileNames(const Quiz& quiz) {
    std::vector<std::string> names;
    for (const Quiz::Picture& picture : quiz.pictures) {
        const char* extension =
            PictureExtension(picture.stored.empty() ? picture.given : picture.stored);
        // Neither JPEG nor PNG: named as given, as the checks then name it.
        std::string stem =
            extension != nullptr ? picture.name.substr(0, picture.name.rfind('.')) : picture.name;
        stem = stem.empty() ? std::string("image") : stem;
        const std::string ending = extension != nullptr ? extension : "";
        std::string name = stem + ending;
        for (int n = 2; std::find(names.begin(), names.end(), name) != names.end(); ++n) {
            name = stem + "-" + std::to_string(n) + ending;
        }
        names.push_back(name);
    }
    return names;
}

void StorePicture(Quiz::Picture& picture, std::vector<std::uint8_t> stored) {
    const char* extension = PictureExtension(picture.given);
    picture.stored = std::move(stored);
    if (extension == nullptr || std::string(extension) != ".png") {
        picture.given = picture.stored;
    }
}

std::string FormatDescription(const Quiz& quiz, DescriptionWriter writer) {
    const bool every = writer == DescriptionWriter::Unpack;
    std::string out = every ? "# Unpacked by brivel" : "# Made with Brivel Studio";
    out += ": `brivel pack` of this folder gives the same quiz.\n\n";
    const auto text = [&out](const char* key, const std::string& value, bool written) {
        out += written ? key + (" = " + TomlQuoted(value) + "\n") : std::string();
    };
    const auto number = [&out](const char* key, std::uint8_t value, bool written) {
        out += written ? key + (" = " + std::to_string(static_cast<int>(value)) + "\n")
                       : std::string();
    };
    const Quiz::Kept& kept = quiz.kept;
    const Quiz::Kept usual;
    text("title", quiz.title, true);
    text("author", quiz.author, true);
    text("explanation", quiz.explanation, true);
    text("extra_text_1", kept.extraText1, every || !kept.extraText1.empty());
    text("extra_text_2", kept.extraText2, every || !kept.extraText2.empty());
    out += "colour = [" + std::to_string(quiz.colour[0]) + ", " + std::to_string(quiz.colour[1]) +
           ", " + std::to_string(quiz.colour[2]) + "]\n";
    number("answers_per_picture", kept.answersPerPicture,
           every || kept.answersPerPicture != usual.answersPerPicture);
    number("header", kept.headerByte, every || kept.headerByte != usual.headerByte);
    number("first_byte", kept.firstByte, every || kept.firstByte != usual.firstByte);
    number("kind", kept.kind, every || kept.kind != usual.kind);
    const bool extra = ExtraFieldsPerPicture(kept.kind) > 0;
    const std::vector<std::string> names = PictureFileNames(quiz);
    for (std::size_t i = 0; i < quiz.pictures.size(); ++i) {
        const Quiz::Picture& picture = quiz.pictures[i];
        out += "\n[[picture]]\n";
        text("file", names[i], true);
        text("answer", picture.answer, true);
        text("second_answer", picture.secondAnswer, kept.answersPerPicture == 2);
        text("location", picture.location, every || !picture.location.empty());
        text("extra", picture.extra, extra && (every || !picture.extra.empty()));
        text("code", picture.code, true);
    }
    return out;
}

std::optional<QuizDescription> CheckQuiz(const Quiz& quiz,
                                         std::vector<DescriptionProblem>& problems,
                                         PictureCodec& codec, const FitCheck& fit) {
    const std::vector<std::string> names = PictureFileNames(quiz);
    DescriptionSource source;
    source.file = kDescriptionFileName;
    source.text = FormatDescription(quiz, DescriptionWriter::Studio);
    source.picture = [&quiz, &names](const std::string& name) {
        PictureFileRead file;
        file.path = name;
        const auto at = std::find(names.begin(), names.end(), name);
        if (at != names.end()) {
            const Quiz::Picture& picture =
                quiz.pictures[static_cast<std::size_t>(at - names.begin())];
            file.found = true;
            if (picture.stored.empty()) {
                file.reason = "not prepared yet";
                file.frenchReason = "n'est pas encore prête";
            } else {
                file.bytes = picture.stored;
            }
        }
        return file;
    };
    return CheckQuizDescription(source, problems, codec, PictureCheck::Headers, fit);
}

}  // namespace brivel
