#include "quiz/quiz_description.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string_view>
#include <utility>

#include <toml++/toml.h>

#include "pictures/dib.h"
#include "pictures/jpeg_decoder.h"
#include "pictures/png_decoder.h"
#include "play/grading.h"
#include "text/cp1252.h"
#include "text/fixed_text.h"

namespace brivel {

namespace {

namespace fs = std::filesystem;

constexpr int kMaxPictures = 96;  // what the quiz record holds
constexpr int kPictureWidth = 640;
constexpr int kPictureHeight = 480;

// Collects the problems of one description file.
class Checker {
public:
    Checker(std::string file, std::vector<DescriptionProblem>& problems)
        : file_(std::move(file)), problems_(problems) {}

    void Error(int line, const std::string& field, const std::string& message) {
        problems_.push_back({file_, line, field, message, false});
        failed_ = true;
    }
    void Warn(int line, const std::string& field, const std::string& message) {
        problems_.push_back({file_, line, field, message, true});
    }
    bool failed() const { return failed_; }

private:
    std::string file_;
    std::vector<DescriptionProblem>& problems_;
    bool failed_ = false;
};

int LineOf(const toml::node& node) {
    return static_cast<int>(node.source().begin.line);
}

// The UTF-8 character starting at offset, for messages.
std::string CharacterAt(const std::string& utf8, std::size_t offset) {
    std::size_t end = offset + 1;
    while (end < utf8.size() && (static_cast<unsigned char>(utf8[end]) & 0xC0) == 0x80) {
        ++end;
    }
    return utf8.substr(offset, end - offset);
}

// A "|" only matters in the quiz text, where it ends a field; code texts are
// lines and may hold one.
enum class TextUse { QuizField, CodeLine };

// The Windows-1252 form of a text, with an error for each way it cannot be
// one. A character the code page lacks becomes '?' so the other checks still
// run on the rest.
std::string ConvertText(Checker& checker, const std::string& utf8, TextUse use, int line,
                        const std::string& field) {
    const Cp1252Result converted = Utf8ToCp1252(utf8);
    std::string text = converted.ok ? converted.text : Utf8ToCp1252Lossy(utf8);
    if (!converted.ok) {
        checker.Error(line, field,
                      "\"" + CharacterAt(utf8, converted.errorOffset) +
                          "\" is not a character Windows-1252 can hold");
    }
    if (use == TextUse::QuizField && text.find('|') != std::string::npos) {
        checker.Error(line, field, "holds a \"|\", which would end the field in the quiz text");
    }
    if (text.find_first_of("\r\n") != std::string::npos) {
        checker.Error(line, field, "holds a line break");
    }
    if (text.find('\0') != std::string::npos) {
        checker.Error(line, field, "holds a NUL character");
    }
    if (text.size() > kTextMaxLength) {
        checker.Error(line, field,
                      "is " + std::to_string(text.size()) +
                          " bytes long in Windows-1252; at most " + std::to_string(kTextMaxLength) +
                          " fit");
    }
    return text;
}

// A text key of table in Windows-1252: fallback when absent (an error when
// required), nothing when it is not a string.
std::optional<std::string> GetText(Checker& checker, const toml::table& table, std::string_view key,
                                   const std::string& field, int tableLine, TextUse use,
                                   bool required) {
    const toml::node* node = table.get(key);
    if (node == nullptr) {
        if (required) {
            checker.Error(tableLine, field, "missing");
            return std::nullopt;
        }
        return std::string();
    }
    const std::optional<std::string> utf8 = node->value_exact<std::string>();
    if (!utf8) {
        checker.Error(LineOf(*node), field, "must be a text in quotes");
        return std::nullopt;
    }
    return ConvertText(checker, *utf8, use, LineOf(*node), field);
}

// A whole number from low to high; fallback when absent.
std::uint8_t GetByte(Checker& checker, const toml::node* node, const std::string& field,
                     std::int64_t low, std::int64_t high, std::uint8_t fallback) {
    if (node == nullptr) {
        return fallback;
    }
    const std::optional<std::int64_t> value = node->value_exact<std::int64_t>();
    if (!value || *value < low || *value > high) {
        checker.Error(
            LineOf(*node), field,
            "must be a whole number from " + std::to_string(low) + " to " + std::to_string(high));
        return fallback;
    }
    return static_cast<std::uint8_t>(*value);
}

void WarnUnknownKeys(Checker& checker, const toml::table& table, const std::string& prefix,
                     std::initializer_list<std::string_view> known) {
    for (const auto& [key, node] : table) {
        if (std::find(known.begin(), known.end(), key.str()) == known.end()) {
            checker.Warn(static_cast<int>(key.source().begin.line), prefix + std::string(key.str()),
                         "unknown key, ignored");
        }
    }
}

bool StartsWith(const std::vector<std::uint8_t>& bytes, std::initializer_list<std::uint8_t> sig) {
    return bytes.size() >= sig.size() && std::equal(sig.begin(), sig.end(), bytes.begin());
}

// Checks that the picture file is one the player can show, at the size it
// shows best.
void CheckPictureFile(Checker& checker, const fs::path& path, const std::string& name, int line,
                      const std::string& field) {
    std::error_code ignored;
    if (!fs::exists(path, ignored)) {
        checker.Error(line, field, "picture " + name + " not found");
        return;
    }
    std::ifstream in(path, std::ios::binary);
    std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                                    std::istreambuf_iterator<char>());
    if (!in.good() && !in.eof()) {
        checker.Error(line, field, "picture " + name + " cannot be read");
        return;
    }
    int width = 0;
    int height = 0;
    if (StartsWith(bytes, {0xFF, 0xD8, 0xFF})) {
        std::string error;
        const std::optional<RgbImage> picture = DecodeJpeg(bytes.data(), bytes.size(), &error);
        if (!picture) {
            checker.Error(line, field, "picture " + name + " is not a readable JPEG: " + error);
            return;
        }
        if (!error.empty()) {
            checker.Warn(line, field, "picture " + name + " is a damaged JPEG: " + error);
        }
        width = picture->width;
        height = picture->height;
    } else if (StartsWith(bytes, {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'})) {
        PngDecoder decoder;
        Dib dib;
        if (!decoder.LoadFromMemory(bytes.data(), bytes.size()) || !decoder.Decode() ||
            !decoder.MakeDib(kDefaultPngFormat, dib)) {
            checker.Error(line, field,
                          "picture " + name + " is a PNG the player cannot read (" +
                              PngErrorName(decoder.error()) + ")");
            return;
        }
        width = static_cast<int>(decoder.width());
        height = static_cast<int>(decoder.height());
    } else {
        checker.Error(line, field, "picture " + name + " is neither a JPEG nor a PNG file");
        return;
    }
    if (width != kPictureWidth || height != kPictureHeight) {
        checker.Warn(line, field,
                     "picture " + name + " is " + std::to_string(width) + " x " +
                         std::to_string(height) + ", not 640 x 480: the player fits it");
    }
}

// Where a picture's answers were written, for the close-answers check.
struct AnswerPlace {
    int picture = 0;  // from 1
    std::string field;
    int line = 0;
    std::string text;  // Windows-1252
};

bool GivesHint(Verdict verdict) {
    return verdict != Verdict::Wrong && verdict != Verdict::Unanswered;
}

// Warns where typing one picture's answer would earn a hint (or a find) on
// another picture, as the real grader decides it.
void CheckCloseAnswers(Checker& checker, const std::vector<AnswerPlace>& answers) {
    for (std::size_t j = 0; j < answers.size(); ++j) {
        for (std::size_t i = 0; i < j; ++i) {
            const AnswerPlace& a = answers[i];
            const AnswerPlace& b = answers[j];
            if (a.picture == b.picture || a.text.empty() || b.text.empty()) {
                continue;
            }
            const Verdict forB = Grade(b.text, a.text);
            const Verdict forA = Grade(a.text, b.text);
            if (!GivesHint(forB) && !GivesHint(forA)) {
                continue;
            }
            const std::string quoted = "\"" + Cp1252ToUtf8(a.text) + "\"";
            const std::string message =
                GivesHint(forB) ? "typing " + a.field + " " + quoted + " here gives \"" +
                                      Cp1252ToUtf8(VerdictText(forB)) + "\""
                                : "typing this at " + a.field + " " + quoted + " gives \"" +
                                      Cp1252ToUtf8(VerdictText(forA)) + "\"";
            checker.Warn(b.line, b.field, "close to another answer: " + message);
        }
    }
}

}  // namespace

std::optional<QuizDescription> LoadQuizDescription(const std::string& dir,
                                                   std::vector<DescriptionProblem>& problems) {
    const fs::path descriptionPath = fs::path(dir) / kDescriptionFileName;
    Checker checker(descriptionPath.string(), problems);

    std::ifstream in(descriptionPath, std::ios::binary);
    if (!in) {
        checker.Error(0, "", "cannot be read (`brivel new` writes a starter one)");
        return std::nullopt;
    }
    const std::string document((std::istreambuf_iterator<char>(in)),
                               std::istreambuf_iterator<char>());
    toml::table root;
    try {
        root = toml::parse(document, descriptionPath.string());
    } catch (const toml::parse_error& error) {
        checker.Error(static_cast<int>(error.source().begin.line), "",
                      std::string(error.description()));
        return std::nullopt;
    }

    QuizDescription result;
    QuizText& quiz = result.text;
    constexpr int kTop = 1;  // missing top-level keys are reported on the first line
    const TextUse field = TextUse::QuizField;
    quiz.title = GetText(checker, root, "title", "title", kTop, field, true).value_or("");
    quiz.author = GetText(checker, root, "author", "author", kTop, field, true).value_or("");
    quiz.explanation =
        GetText(checker, root, "explanation", "explanation", kTop, field, false).value_or("");
    quiz.extraText1 =
        GetText(checker, root, "extra_text_1", "extra_text_1", kTop, field, false).value_or("");
    quiz.extraText2 =
        GetText(checker, root, "extra_text_2", "extra_text_2", kTop, field, false).value_or("");
    quiz.headerByte = GetByte(checker, root.get("header"), "header", 0, 255, 1);
    quiz.firstByte = GetByte(checker, root.get("first_byte"), "first_byte", 0, 255, 0);
    quiz.answersPerPicture =
        GetByte(checker, root.get("answers_per_picture"), "answers_per_picture", 1, 2, 1);
    quiz.kind = GetByte(checker, root.get("kind"), "kind", 0, 255, 0);

    std::array<std::uint8_t, 3> colour = {90, 95, 150};
    if (const toml::node* node = root.get("colour")) {
        const toml::array* array = node->as_array();
        if (array == nullptr || array->size() != 3) {
            checker.Error(LineOf(*node), "colour", "must be [red, green, blue]");
        } else {
            for (std::size_t c = 0; c < 3; ++c) {
                colour[c] = GetByte(checker, array->get(c), "colour", 0, 255, colour[c]);
            }
        }
    }
    quiz.red = colour[0];
    quiz.green = colour[1];
    quiz.blue = colour[2];
    WarnUnknownKeys(checker, root, "",
                    {"title", "author", "explanation", "extra_text_1", "extra_text_2", "header",
                     "first_byte", "answers_per_picture", "kind", "colour", "picture"});

    const toml::node* pictureNode = root.get("picture");
    const toml::array* pictures = pictureNode != nullptr ? pictureNode->as_array() : nullptr;
    if (pictureNode == nullptr) {
        checker.Error(kTop, "picture", "no [[picture]]: a quiz needs at least one");
    } else if (pictures == nullptr || !pictures->is_array_of_tables()) {
        checker.Error(LineOf(*pictureNode), "picture", "must be [[picture]] tables");
        pictures = nullptr;
    }

    const bool twoAnswers = quiz.answersPerPicture == 2;
    const bool hasExtra = ExtraFieldsPerPicture(quiz.kind) > 0;
    std::vector<AnswerPlace> answers;
    const std::size_t count = pictures != nullptr ? pictures->size() : 0;
    for (std::size_t i = 0; i < count; ++i) {
        const toml::table& table = *pictures->get(i)->as_table();
        const int line = LineOf(table);
        const int number = static_cast<int>(i) + 1;
        const std::string prefix = "picture[" + std::to_string(number) + "].";
        if (number == kMaxPictures + 1) {
            checker.Error(line, "picture",
                          std::to_string(count) + " pictures; at most " +
                              std::to_string(kMaxPictures) + " fit");
        } else if (twoAnswers && count <= kMaxPictures && number == kMaxPictures / 2 + 1) {
            checker.Error(line, "picture",
                          "2 answers x " + std::to_string(count) + " pictures is " +
                              std::to_string(2 * count) + "; at most " +
                              std::to_string(kMaxPictures) + " answers fit");
        }

        QuizPicture picture;
        // A file name is a path, not a quiz text: only its presence matters here.
        if (const toml::node* node = table.get("file"); node == nullptr) {
            checker.Error(line, prefix + "file", "missing");
        } else if (const std::optional<std::string> name = node->value_exact<std::string>();
                   !name || name->empty()) {
            checker.Error(LineOf(*node), prefix + "file", "must be a file name in quotes");
        } else {
            const fs::path path = fs::path(dir) / fs::u8path(*name);
            CheckPictureFile(checker, path, *name, LineOf(*node), prefix + "file");
            result.pictureFiles.push_back(path.string());
        }
        picture.answer =
            GetText(checker, table, "answer", prefix + "answer", line, field, true).value_or("");
        if (picture.answer.empty() && table.get("answer") != nullptr &&
            table.get("answer")->is_string()) {
            checker.Error(LineOf(*table.get("answer")), prefix + "answer", "empty");
        }
        if (const toml::node* node = table.get("answer"); node != nullptr) {
            answers.push_back({number, prefix + "answer", LineOf(*node), picture.answer});
        }
        if (twoAnswers) {
            picture.altAnswer = GetText(checker, table, "second_answer", prefix + "second_answer",
                                        line, field, true)
                                    .value_or("");
            if (const toml::node* node = table.get("second_answer"); node != nullptr) {
                answers.push_back(
                    {number, prefix + "second_answer", LineOf(*node), picture.altAnswer});
            }
        } else if (const toml::node* node = table.get("second_answer"); node != nullptr) {
            checker.Warn(LineOf(*node), prefix + "second_answer",
                         "ignored: answers_per_picture is 1");
        }
        picture.location =
            GetText(checker, table, "location", prefix + "location", line, field, false)
                .value_or("");
        if (hasExtra) {
            picture.extraInfo =
                GetText(checker, table, "extra", prefix + "extra", line, field, false).value_or("");
        } else if (const toml::node* node = table.get("extra"); node != nullptr) {
            checker.Warn(LineOf(*node), prefix + "extra",
                         "ignored: kind " + std::to_string(quiz.kind) + " has no extra texts");
        }
        result.codes.push_back(
            GetText(checker, table, "code", prefix + "code", line, TextUse::CodeLine, true)
                .value_or(""));
        WarnUnknownKeys(checker, table, prefix,
                        {"file", "answer", "second_answer", "location", "extra", "code"});
        quiz.pictures.push_back(std::move(picture));
    }
    CheckCloseAnswers(checker, answers);

    if (checker.failed()) {
        return std::nullopt;
    }
    return result;
}

const char* StarterDescription() {
    return R"(# A Brivel quiz: this file and the pictures beside it.
# `brivel check DIR` checks both. Texts are UTF-8 here; each must fit in
# Windows-1252 (French accents and "œ" do), in at most 259 bytes, without "|"
# or line breaks.

title = "Mon brivel"
author = "Votre nom"
# Optional, like every key up to the first [[picture]].
explanation = "Trouvez le nom de chaque image."
# extra_text_1 = ""
# extra_text_2 = ""

# The player's background colour: red, green, blue, each from 0 to 255.
colour = [90, 95, 150]

# 1 or 2; with 2 every picture needs a second_answer as well.
# answers_per_picture = 1

# Raw bytes of the quiz text, 0 to 255: the header byte (the player's header
# setting plus one), the first byte (not read by the player) and the kind
# (with kind 2, 3 or 4 every picture may have an "extra" text).
# header = 1
# first_byte = 0
# kind = 0

# One [[picture]] per picture, in playing order. file: a JPEG (or PNG) beside
# this file, best at 640 x 480. location is optional. code: the code text the
# player shows once that many pictures are found.
[[picture]]
file = "01.jpg"
answer = "Tour Eiffel"
location = "Paris"
code = "B"

[[picture]]
file = "02.jpg"
answer = "Mont Saint-Michel"
location = "Normandie"
code = "BR"
)";
}

}  // namespace brivel
