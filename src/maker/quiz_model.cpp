#include "maker/quiz_model.h"

#include <algorithm>
#include <limits>
#include <utility>

#include <toml++/toml.h>

#include "maker/quiz_bundle.h"
#include "text/cp1252.h"

namespace brivel {

namespace {

// The quiz's keys that hold a byte, in the order quiz.toml has them.
struct QuizByteKey {
    const char* key;
    std::uint8_t Quiz::*member;
};

constexpr QuizByteKey kQuizBytes[] = {
    {"answers_per_picture", &Quiz::answersPerPicture},
    {"header", &Quiz::headerByte},
    {"first_byte", &Quiz::firstByte},
    {"kind", &Quiz::kind},
};

std::string NumberLine(const char* key, long long value) {
    return key + (" = " + std::to_string(value) + "\n");
}

std::string ColourLine(const Quiz& quiz) {
    return "colour = [" + std::to_string(quiz.colour[0]) + ", " + std::to_string(quiz.colour[1]) +
           ", " + std::to_string(quiz.colour[2]) + "]\n";
}

std::string TextLine(const char* key, const std::string& value) {
    return key + (" = " + TomlQuoted(value) + "\n");
}

// The whole number node holds when Number holds it, else fallback.
template <typename Number>
Number NumberOf(const toml::node* node, Number fallback) {
    const Number high = std::numeric_limits<Number>::max();
    const std::optional<std::int64_t> value =
        node != nullptr ? node->value_exact<std::int64_t>() : std::nullopt;
    return value && *value >= 0 && static_cast<std::uint64_t>(*value) <= high
               ? static_cast<Number>(*value)
               : fallback;
}

std::optional<toml::table> ParseRecord(std::string_view record) {
#if TOML_EXCEPTIONS
    try {
        return toml::parse(record);
    } catch (const toml::parse_error&) {
        return std::nullopt;
    }
#else
    toml::parse_result parsed = toml::parse(record);
    if (!parsed) {
        return std::nullopt;
    }
    return std::move(parsed).table();
#endif
}

}  // namespace

Quiz QuizOfTexts(const QuizTexts& texts, std::vector<Quiz::Picture> pictures) {
    const QuizText& text = texts.text;
    const std::vector<std::string>& codes = texts.codes;
    Quiz quiz;
    quiz.link = texts.link;
    quiz.title = Cp1252ToUtf8(text.title);
    quiz.author = Cp1252ToUtf8(text.author);
    quiz.explanation = Cp1252ToUtf8(text.explanation);
    quiz.colour = {text.red, text.green, text.blue};
    quiz.extraText1 = Cp1252ToUtf8(text.extraText1);
    quiz.extraText2 = Cp1252ToUtf8(text.extraText2);
    quiz.answersPerPicture = text.answersPerPicture;
    quiz.headerByte = text.headerByte;
    quiz.firstByte = text.firstByte;
    quiz.kind = text.kind;
    for (std::size_t i = 0; i < pictures.size() && i < text.pictures.size(); ++i) {
        Quiz::Picture& picture = pictures[i];
        picture.answer = Cp1252ToUtf8(text.pictures[i].answer);
        picture.secondAnswer = Cp1252ToUtf8(text.pictures[i].altAnswer);
        picture.location = Cp1252ToUtf8(text.pictures[i].location);
        picture.extra = Cp1252ToUtf8(text.pictures[i].extraInfo);
        picture.code = i < codes.size() ? Cp1252ToUtf8(codes[i]) : std::string();
        picture.description = i < texts.descriptions.size() ? texts.descriptions[i] : std::string();
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
        out += written ? TextLine(key, value) : std::string();
    };
    const Quiz usual;
    text("title", quiz.title, true);
    text("author", quiz.author, true);
    text("explanation", quiz.explanation, true);
    text("link", quiz.link, !quiz.link.empty());
    text("extra_text_1", quiz.extraText1, every || !quiz.extraText1.empty());
    text("extra_text_2", quiz.extraText2, every || !quiz.extraText2.empty());
    out += ColourLine(quiz);
    for (const QuizByteKey& byte : kQuizBytes) {
        if (every || quiz.*byte.member != usual.*byte.member) {
            out += NumberLine(byte.key, quiz.*byte.member);
        }
    }
    const bool extra = ExtraFieldsPerPicture(quiz.kind) > 0;
    const std::vector<std::string> names = PictureFileNames(quiz);
    for (std::size_t i = 0; i < quiz.pictures.size(); ++i) {
        const Quiz::Picture& picture = quiz.pictures[i];
        out += "\n[[picture]]\n";
        text("file", names[i], true);
        text("answer", picture.answer, true);
        text("second_answer", picture.secondAnswer, quiz.answersPerPicture == 2);
        text("location", picture.location, every || !picture.location.empty());
        text("extra", picture.extra, extra && (every || !picture.extra.empty()));
        text("code", picture.code, true);
        text("description", picture.description, !picture.description.empty());
    }
    return out;
}

std::string FormatQuizRecord(const Quiz& quiz) {
    std::string out = "# Brivel Studio's draft of a quiz, read back by the studio.\n\n";
    for (const QuizTextKey& text : kQuizTexts) {
        out += text.quiz != nullptr ? TextLine(text.key, quiz.*text.quiz) : std::string();
    }
    out += ColourLine(quiz);
    for (const QuizByteKey& byte : kQuizBytes) {
        out += NumberLine(byte.key, quiz.*byte.member);
    }
    for (const Quiz::Picture& picture : quiz.pictures) {
        if (picture.given.empty() && picture.stored.empty()) {
            continue;
        }
        out += "\n[[picture]]\n" + NumberLine("id", picture.id);
        for (const QuizTextKey& text : kQuizTexts) {
            out +=
                text.picture != nullptr ? TextLine(text.key, picture.*text.picture) : std::string();
        }
        out += TextLine("note", picture.note) + (picture.unusable ? "unusable = true\n" : "");
    }
    return out;
}

std::optional<Quiz> ReadQuizRecord(std::string_view record) {
    const std::optional<toml::table> root = ParseRecord(record);
    if (!root) {
        return std::nullopt;
    }
    Quiz quiz;
    for (const QuizTextKey& text : kQuizTexts) {
        if (text.quiz != nullptr) {
            quiz.*text.quiz = (*root)[text.key].value_or(std::string());
        }
    }
    const toml::array* colour = (*root)["colour"].as_array();
    for (std::size_t c = 0; colour != nullptr && colour->size() == 3 && c < 3; ++c) {
        quiz.colour[c] = NumberOf(colour->get(c), quiz.colour[c]);
    }
    for (const QuizByteKey& byte : kQuizBytes) {
        quiz.*byte.member = NumberOf(root->get(byte.key), quiz.*byte.member);
    }
    const toml::array* pictures = (*root)["picture"].as_array();
    for (std::size_t i = 0; pictures != nullptr && i < pictures->size(); ++i) {
        const toml::table* table = (*pictures)[i].as_table();
        if (table == nullptr) {
            return std::nullopt;
        }
        Quiz::Picture& picture = quiz.pictures.emplace_back();
        picture.id = NumberOf(table->get("id"), std::uint32_t{0});
        for (const QuizTextKey& text : kQuizTexts) {
            if (text.picture != nullptr) {
                picture.*text.picture = (*table)[text.key].value_or(std::string());
            }
        }
        picture.note = (*table)["note"].value_or(std::string());
        picture.unusable = (*table)["unusable"].value_or(false);
    }
    return quiz;
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
            file.shown = picture.name;
            if (picture.unusable) {
                // What preparing it found wrong, which its headers may not show.
                file.held = &picture.given;
                file.refused = true;
            } else if (picture.stored.empty()) {
                file.reason = "not prepared yet";
                file.frenchReason = "n'est pas encore prête";
            } else {
                file.held = &picture.stored;
            }
        }
        return file;
    };
    return CheckQuizDescription(source, problems, codec, PictureCheck::Headers, fit);
}

}  // namespace brivel
