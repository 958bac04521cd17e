// brivel pack / show / unpack: put a quiz description and its pictures into
// the quiz's resources, and read them back.

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/file_replace.h"
#include "commands.h"
#include "quiz/quiz_bundle.h"
#include "quiz/res_file.h"
#include "text/cp1252.h"

namespace brivel::tool {

namespace {

namespace fs = std::filesystem;

// What OUT becomes; only the .res bundle for now, the players come next.
enum class OutputForm { Res, Unsupported };

OutputForm FormOf(const std::string& out) {
    std::string extension = fs::path(out).extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return extension == ".res" ? OutputForm::Res : OutputForm::Unsupported;
}

std::optional<std::vector<std::uint8_t>> ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return std::nullopt;
    }
    std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                                    std::istreambuf_iterator<char>());
    if (in.bad()) {
        return std::nullopt;
    }
    return bytes;
}

// Writes bytes to path through "path.tmp", so that path is either the old file
// or the whole new one and no temporary file outlives a failure.
bool WriteAtomically(const std::string& path, const std::string& bytes) {
    const std::string temporary = path + ".tmp";
    std::FILE* file = std::fopen(temporary.c_str(), "wb");
    if (file == nullptr) {
        std::fprintf(stderr, "%s: %s\n", temporary.c_str(), std::strerror(errno));
        return false;
    }
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    if (std::fclose(file) != 0 || !written || !ReplaceFileAtomically(temporary, path)) {
        std::fprintf(stderr, "%s: cannot write the file\n", path.c_str());
        std::remove(temporary.c_str());
        return false;
    }
    return true;
}

int RunPack(const std::string& dir, const std::string& out) {
    if (FormOf(out) != OutputForm::Res) {
        std::fprintf(stderr,
                     "brivel pack: %s: only a .res bundle can be written for now; Windows and "
                     "Linux quizzes come next\n",
                     out.c_str());
        return 2;
    }
    std::vector<DescriptionProblem> problems;
    const std::optional<QuizDescription> description = LoadQuizDescription(dir, problems);
    PrintDescriptionProblems(problems);
    if (!description) {
        return 1;
    }
    std::vector<std::vector<std::uint8_t>> pictures;
    for (const std::string& path : description->pictureFiles) {
        std::optional<std::vector<std::uint8_t>> bytes = ReadFile(path);
        if (!bytes) {
            std::fprintf(stderr, "brivel pack: %s: cannot be read\n", path.c_str());
            return 1;
        }
        pictures.push_back(std::move(*bytes));
    }
    StderrSink sink;
    std::string error;
    const std::optional<std::vector<ResEntry>> entries =
        MakeQuizResources(description->text, description->codes, pictures, sink, error);
    if (!entries) {
        std::fprintf(stderr, "brivel pack: %s\n", error.c_str());
        return 1;
    }
    const std::string bytes = WriteResFile(*entries);
    if (bytes.empty()) {
        std::fprintf(stderr, "brivel pack: a resource is too large for a .res file\n");
        return 1;
    }
    if (!WriteAtomically(out, bytes)) {
        return 1;
    }
    std::printf("wrote %s: %zu pictures\n", out.c_str(), pictures.size());
    return 0;
}

// The resources of a quiz file, or nothing after saying why.
std::optional<ResFileResources> OpenQuiz(const char* command, const std::string& quiz) {
    if (FormOf(quiz) != OutputForm::Res) {
        std::fprintf(stderr, "brivel %s: %s: only a .res bundle can be read for now\n", command,
                     quiz.c_str());
        return std::nullopt;
    }
    const std::optional<std::vector<std::uint8_t>> bytes = ReadFile(quiz);
    if (!bytes) {
        std::fprintf(stderr, "brivel %s: %s: cannot be read\n", command, quiz.c_str());
        return std::nullopt;
    }
    ResReadResult read = ReadResFile(bytes->data(), bytes->size());
    if (read.status != ResStatus::Ok) {
        std::fprintf(stderr, "brivel %s: %s: not a .res file: %s at byte %zu\n", command,
                     quiz.c_str(), ResStatusName(read.status), read.errorOffset);
        return std::nullopt;
    }
    return ResFileResources(std::move(read.entries));
}

std::optional<QuizTexts> OpenQuizTexts(const char* command, ResFileResources& resources,
                                       const std::string& quiz) {
    StderrSink sink;
    std::string error;
    std::optional<QuizTexts> texts = ReadQuizTexts(resources, sink, error);
    if (!texts) {
        std::fprintf(stderr, "brivel %s: %s: %s\n", command, quiz.c_str(), error.c_str());
    }
    return texts;
}

int RunShow(const std::string& quiz, bool answers) {
    std::optional<ResFileResources> resources = OpenQuiz("show", quiz);
    if (!resources) {
        return 1;
    }
    const std::optional<QuizTexts> texts = OpenQuizTexts("show", *resources, quiz);
    if (!texts) {
        return 1;
    }
    const QuizText& text = texts->text;
    std::printf("title: %s\nauthor: %s\npictures: %zu\ncolour: %d, %d, %d\n",
                Cp1252ToUtf8(text.title).c_str(), Cp1252ToUtf8(text.author).c_str(),
                text.pictures.size(), text.red, text.green, text.blue);
    if (answers) {
        for (std::size_t i = 0; i < text.pictures.size(); ++i) {
            const QuizPicture& picture = text.pictures[i];
            std::string line = Cp1252ToUtf8(picture.answer);
            if (text.answersPerPicture == 2) {
                line += " / " + Cp1252ToUtf8(picture.altAnswer);
            }
            std::printf("%zu: %s\n", i + 1, line.c_str());
        }
    }
    return 0;
}

int RunUnpack(const std::string& quiz, const std::string& dir) {
    const fs::path description = fs::path(dir) / kDescriptionFileName;
    std::error_code ignored;
    if (fs::exists(description, ignored)) {
        std::fprintf(stderr, "brivel unpack: %s: already exists, left as it is\n",
                     description.string().c_str());
        return 1;
    }
    std::optional<ResFileResources> resources = OpenQuiz("unpack", quiz);
    if (!resources) {
        return 1;
    }
    const std::optional<QuizTexts> texts = OpenQuizTexts("unpack", *resources, quiz);
    if (!texts) {
        return 1;
    }
    // Every picture is read before anything is written: a broken quiz leaves no files.
    std::vector<std::vector<std::uint8_t>> pictures;
    std::vector<std::string> names;
    for (std::size_t i = 0; i < texts->text.pictures.size(); ++i) {
        std::optional<std::vector<std::uint8_t>> picture =
            FindQuizPicture(*resources, static_cast<int>(i));
        const char* extension = picture ? PictureExtension(*picture) : nullptr;
        if (extension == nullptr) {
            std::fprintf(stderr, "brivel unpack: %s: picture %zu is %s\n", quiz.c_str(), i + 1,
                         picture ? "neither a JPEG nor a PNG" : "missing");
            return 1;
        }
        char name[32];
        std::snprintf(name, sizeof name, "%02zu%s", i + 1, extension);
        names.emplace_back(name);
        pictures.push_back(std::move(*picture));
    }
    std::error_code error;
    fs::create_directories(dir, error);
    if (error) {
        std::fprintf(stderr, "brivel unpack: %s: %s\n", dir.c_str(), error.message().c_str());
        return 1;
    }
    for (std::size_t i = 0; i < pictures.size(); ++i) {
        const std::string path = (fs::path(dir) / names[i]).string();
        if (!WriteAtomically(path, std::string(pictures[i].begin(), pictures[i].end()))) {
            return 1;
        }
    }
    // Written last, so that a folder with a quiz.toml always has its pictures.
    if (!WriteAtomically(description.string(), FormatQuizDescription(*texts, names))) {
        return 1;
    }
    std::printf("wrote %s and %zu pictures\n", description.string().c_str(), pictures.size());
    return 0;
}

}  // namespace

void AddPackCommand(CLI::App& app, int& exitStatus) {
    CLI::App* command =
        app.add_subcommand("pack", "Pack DIR/quiz.toml and its pictures into a quiz");
    auto dir = std::make_shared<std::string>();
    auto out = std::make_shared<std::string>();
    command->add_option("DIR", *dir, "The quiz folder")->required();
    command->add_option("-o,--output", *out, "The quiz to write: a .res bundle")->required();
    command->callback([dir, out, &exitStatus] { exitStatus = RunPack(*dir, *out); });
}

void AddShowCommand(CLI::App& app, int& exitStatus) {
    CLI::App* command = app.add_subcommand("show", "Summarise a quiz");
    auto quiz = std::make_shared<std::string>();
    auto answers = std::make_shared<bool>(false);
    command->add_option("QUIZ", *quiz, "The quiz: a .res bundle")->required();
    command->add_flag("--answers", *answers, "Also print each picture's answer");
    command->callback([quiz, answers, &exitStatus] { exitStatus = RunShow(*quiz, *answers); });
}

void AddUnpackCommand(CLI::App& app, int& exitStatus) {
    CLI::App* command =
        app.add_subcommand("unpack", "Write a quiz's description and pictures into DIR");
    auto quiz = std::make_shared<std::string>();
    auto dir = std::make_shared<std::string>();
    command->add_option("QUIZ", *quiz, "The quiz: a .res bundle")->required();
    command->add_option("-o,--output", *dir, "The folder to write (made if missing)")->required();
    command->callback([quiz, dir, &exitStatus] { exitStatus = RunUnpack(*quiz, *dir); });
}

}  // namespace brivel::tool
