// brivel pack / show / unpack: put a quiz description and its pictures into
// the quiz's resources, and read them back.

#include <cstdio>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "commands.h"
#include "files.h"
#include "pack_pictures.h"
#include "players.h"
#include "player_window.h"
#include "quiz/quiz_bundle.h"
#include "quiz/res_file.h"
#include "quiz_file.h"
#include "text/cp1252.h"

namespace brivel::tool {

namespace {

namespace fs = std::filesystem;

struct PackOptions {
    std::string dir;
    std::string out;
    std::string platform;
    std::string player;
    PictureOptions pictures;
};

int RunPack(const PackOptions& options) {
    const QuizForm form =
        options.platform.empty() ? QuizFormOfPath(options.out) : *QuizFormNamed(options.platform);
    if (!options.platform.empty()) {
        WarnOfContradictingName(form, options.out);
    }
    std::string player = options.player;
    if (form != QuizForm::Res && player.empty()) {
        const std::optional<std::string> found = DefaultPlayer(form);
        if (!found) {
            return 1;
        }
        player = *found;
    }
    if (!IsSafeOutput("pack", options.out, {options.dir}) ||
        (form != QuizForm::Res && !player.empty() && !IsPlayerFor(form, player))) {
        return 1;
    }
    std::vector<DescriptionProblem> problems;
    const std::optional<QuizDescription> description =
        LoadQuizDescription(options.dir, problems,
                            options.pictures.keep ? PictureCheck::Decode : PictureCheck::Headers,
                            ToolFitCheck("pack"));
    PrintDescriptionProblems("pack", problems);
    if (!description) {
        return 1;
    }
    std::vector<std::string> inputs = description->pictureFiles;
    inputs.push_back((fs::path(options.dir) / kDescriptionFileName).string());
    inputs.push_back(player);
    if (!IsSafeOutput("pack", options.out, inputs)) {
        return 1;
    }
    const std::optional<std::vector<std::vector<std::uint8_t>>> pictures =
        PackPictures(*description, options.pictures);
    if (!pictures) {
        return 1;
    }
    StderrSink sink;
    std::string error;
    const std::optional<std::vector<ResEntry>> entries =
        MakeQuizResources(description->text, description->codes, *pictures, sink, error);
    if (!entries) {
        std::fprintf(stderr, "brivel pack: %s\n", error.c_str());
        return 1;
    }
    const std::optional<std::string> quiz = MakeQuizFile(form, *entries, player);
    if (!quiz || !WriteAtomically("pack", options.out, *quiz, form == QuizForm::Linux)) {
        return 1;
    }
    std::printf("wrote %s: %zu pictures\n", options.out.c_str(), pictures->size());
    return 0;
}

int RunShow(const std::string& quiz, bool answers) {
    std::optional<OpenedQuiz> opened = OpenQuiz("show", quiz);
    if (!opened) {
        return 1;
    }
    const QuizText& text = opened->texts.text;
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
            // The code belongs to the number of pictures found, not to this picture.
            const std::string code =
                i < opened->texts.codes.size() ? Cp1252ToUtf8(opened->texts.codes[i]) : "";
            std::printf("%zu: %s (code after %zu found: \"%s\")\n", i + 1, line.c_str(), i + 1,
                        code.c_str());
        }
    }
    return 0;
}

// The files unpack would replace, or nothing after a message when one of them
// cannot be written at all.
std::optional<std::vector<std::string>> ExistingTargets(const std::string& quiz,
                                                        const std::vector<std::string>& targets) {
    std::vector<std::string> existing;
    for (const std::string& target : targets) {
        if (!IsSafeOutput("unpack", target, {quiz})) {
            return std::nullopt;
        }
        std::error_code ignored;
        if (fs::exists(fs::symlink_status(target, ignored))) {
            existing.push_back(target);
        }
    }
    return existing;
}

int RunUnpack(const std::string& quiz, const std::string& dir, bool force) {
    std::error_code ignored;
    if (fs::exists(dir, ignored) && !fs::is_directory(dir, ignored)) {
        std::fprintf(stderr, "brivel unpack: %s: is a file, not a folder\n", dir.c_str());
        return 1;
    }
    std::optional<OpenedQuiz> opened = OpenQuiz("unpack", quiz);
    if (!opened) {
        return 1;
    }
    const QuizTexts& texts = opened->texts;
    // Every picture is read before anything is written: a broken quiz leaves no files.
    std::vector<std::vector<std::uint8_t>> pictures;
    std::vector<std::string> names;
    std::vector<std::string> targets;
    for (std::size_t i = 0; i < texts.text.pictures.size(); ++i) {
        std::optional<std::vector<std::uint8_t>> picture =
            FindQuizPicture(opened->resources, static_cast<int>(i));
        const char* extension = picture ? PictureExtension(*picture) : nullptr;
        if (extension == nullptr) {
            std::fprintf(stderr, "brivel unpack: %s: picture %zu is %s\n", quiz.c_str(), i + 1,
                         picture ? "neither a JPEG nor a PNG" : "missing");
            return 1;
        }
        char name[32];
        std::snprintf(name, sizeof name, "%02zu%s", i + 1, extension);
        names.emplace_back(name);
        targets.push_back((fs::path(dir) / name).string());
        pictures.push_back(std::move(*picture));
    }
    const std::string description = (fs::path(dir) / kDescriptionFileName).string();
    targets.push_back(description);
    const std::optional<std::vector<std::string>> existing = ExistingTargets(quiz, targets);
    if (!existing) {
        return 1;
    }
    if (!existing->empty() && !force) {
        std::string list;
        for (const std::string& path : *existing) {
            list += (list.empty() ? "" : ", ") + path;
        }
        std::fprintf(stderr, "brivel unpack: %s: already there, left as %s; --force replaces %s\n",
                     list.c_str(), existing->size() == 1 ? "it is" : "they are",
                     existing->size() == 1 ? "it" : "them");
        return 1;
    }
    std::error_code error;
    fs::create_directories(dir, error);
    if (error) {
        std::fprintf(stderr, "brivel unpack: %s: %s\n", dir.c_str(), error.message().c_str());
        return 1;
    }
    for (std::size_t i = 0; i < pictures.size(); ++i) {
        if (!WriteAtomically("unpack", targets[i],
                             std::string(pictures[i].begin(), pictures[i].end()))) {
            return 1;
        }
    }
    // Written last, so that a folder with a quiz.toml always has its pictures.
    if (!WriteAtomically("unpack", description, FormatQuizDescription(texts, names))) {
        return 1;
    }
    std::printf("wrote %s and %zu pictures\n", description.c_str(), pictures.size());
    return 0;
}

}  // namespace

void AddPackCommand(CLI::App& app, int& exitStatus) {
    CLI::App* command =
        app.add_subcommand("pack", "Pack DIR/quiz.toml and its pictures into a quiz");
    auto options = std::make_shared<PackOptions>();
    command->add_option("DIR", options->dir, "The quiz folder")->required();
    command
        ->add_option("-o,--output", options->out,
                     "The quiz to write: OUT.res a resource bundle, OUT.exe a Windows quiz, "
                     "OUT.html a web quiz, any other name a Linux quiz")
        ->required();
    command
        ->add_option("--platform", options->platform,
                     "What to write, whatever OUT's name: res, windows, linux or web")
        ->transform(CLI::IsMember({"res", "windows", "linux", "web"}, CLI::ignore_case));
    command
        ->add_option("--player", options->player,
                     "The bare player to copy (default: the one `brivel players` shows; the "
                     "32-bit player for Windows)")
        ->check(CLI::ExistingFile);
    AddPictureOptions(*command, options->pictures);
    command->callback([options, &exitStatus] { exitStatus = RunPack(*options); });
}

void AddShowCommand(CLI::App& app, int& exitStatus) {
    CLI::App* command = app.add_subcommand("show", "Summarise a quiz");
    auto quiz = std::make_shared<std::string>();
    auto answers = std::make_shared<bool>(false);
    command->add_option("QUIZ", *quiz, "The quiz: a Windows, Linux or web quiz, or a .res bundle")
        ->required();
    command->add_flag("--answers", *answers,
                      "Also print each picture's answer and the code shown once that many "
                      "pictures are found");
    command->callback([quiz, answers, &exitStatus] { exitStatus = RunShow(*quiz, *answers); });
}

void AddUnpackCommand(CLI::App& app, int& exitStatus) {
    CLI::App* command =
        app.add_subcommand("unpack", "Write a quiz's description and pictures into DIR");
    auto quiz = std::make_shared<std::string>();
    auto dir = std::make_shared<std::string>();
    auto force = std::make_shared<bool>(false);
    command->add_option("QUIZ", *quiz, "The quiz: a Windows, Linux or web quiz, or a .res bundle")
        ->required();
    command->add_option("-o,--output", *dir, "The folder to write (made if missing)")->required();
    command->add_flag("--force", *force,
                      "Replace pictures and a quiz.toml already in the folder (else refused)");
    command->callback(
        [quiz, dir, force, &exitStatus] { exitStatus = RunUnpack(*quiz, *dir, *force); });
}

}  // namespace brivel::tool
