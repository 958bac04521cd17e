// brivel: the quiz makers' tool. The command line is read here, and only
// here: the commands take what it gave.

#include <cctype>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include <CLI/CLI.hpp>

#include "commands.h"
#include "play/grading.h"
#include "quiz/quiz_record.h"
#include "quiz_file.h"
#include "text/cp1252.h"

namespace brivel::tool {

void StderrSink::ShowMessage(const char* text, const char* caption, MessageIcon /*icon*/) {
    std::fprintf(stderr, "brivel: %s: %s\n", Cp1252ToUtf8(caption).c_str(),
                 Cp1252ToUtf8(text).c_str());
}

namespace {

// The names of app's commands, as "grade, lzw, ...".
std::string CommandNames(const CLI::App& app) {
    std::string list;
    for (const CLI::App* command : app.get_subcommands([](const CLI::App*) { return true; })) {
        list += (list.empty() ? "" : ", ") + command->get_name();
    }
    return list;
}

// Whether name is one of app's commands; names it with the list when not, as
// git does, with the command it most likely meant.
bool IsCommand(const CLI::App& app, const std::string& name) {
    std::string likely;
    for (const CLI::App* command : app.get_subcommands([](const CLI::App*) { return true; })) {
        if (command->get_name() == name) {
            return true;
        }
        // The players' own grader judges typing mistakes well enough here.
        const Verdict verdict = Grade(command->get_name(), name);
        if (likely.empty() && verdict != Verdict::Wrong && verdict != Verdict::GoodIdea) {
            likely = command->get_name();
        }
    }
    std::fprintf(stderr, "brivel: unknown command %s%s\nbrivel: the commands are %s\n",
                 name.c_str(), likely.empty() ? "" : ("; did you mean " + likely + "?").c_str(),
                 CommandNames(app).c_str());
    return false;
}

// A whole number from low to high, checked on the text as given so that
// neither a word nor a number out of range reaches the parser's own messages.
CLI::Validator WholeNumber(int low, int high) {
    const std::string range = std::to_string(low) + " to " + std::to_string(high);
    return CLI::Validator(
        [low, high, range](const std::string& text) {
            std::size_t end = 0;
            int value = 0;
            try {
                value = std::stoi(text, &end);
            } catch (const std::logic_error&) {
                end = 0;
            }
            return end != 0 && end == text.size() && value >= low && value <= high
                       ? std::string()
                       : text + ": expected a whole number from " + range;
        },
        "");
}

// A file that is there to be read.
std::string ExistingFile(const std::string& path) {
    std::error_code error;
    return std::filesystem::is_regular_file(path, error) ? std::string() : path + ": no such file";
}

void AddPictureOptions(CLI::App& command, PictureOptions& options) {
    command.add_flag("--keep-pictures", options.keep,
                     "Store the picture files as they are, not upright, fitted and opaque");
    command
        .add_option("--quality", options.quality,
                    "JPEG quality of the pictures pack re-encodes, 1 to 100 (default 90)")
        ->option_text("Q")
        ->check(WholeNumber(1, 100));
    options.jobs = DefaultJobs();
    command
        .add_option("-j,--jobs", options.jobs,
                    "Pictures worked on at once (default: one for each core, " +
                        std::to_string(options.jobs) + " here)")
        ->option_text("N")
        ->check(WholeNumber(1, 256));
}

void AddGradeCommand(CLI::App& app, int& exitStatus) {
    CLI::App* grade = app.add_subcommand(
        "grade",
        "Print the verdict the players give for TYPED when the answer is ANSWER, and the web "
        "page's beside it where it differs (it takes typographic quotes as ASCII ones)");
    struct Options {
        std::string answer;
        std::string typed;
        bool batch = false;
        std::string quiz;
        int picture = 0;
    };
    auto options = std::make_shared<Options>();
    grade->add_option("ANSWER", options->answer, "The picture's expected answer (UTF-8)");
    grade->add_option("TYPED", options->typed, "What the player typed (UTF-8)");
    CLI::Option* batch = grade->add_flag(
        "--batch", options->batch,
        "Read lines ANSWER<TAB>TYPED from standard input and print one verdict per line");
    CLI::Option* quiz =
        grade
            ->add_option("--quiz", options->quiz,
                         "Grade against a quiz's own answer: then only TYPED is given")
            ->option_text("QUIZ");
    CLI::Option* picture =
        grade
            ->add_option("--picture", options->picture, "With --quiz: the picture's number, from 1")
            ->option_text("N")
            ->check(WholeNumber(1, kMaxPictures));
    quiz->needs(picture)->excludes(batch);
    picture->needs(quiz);
    grade->get_option("ANSWER")->excludes(batch);
    grade->get_option("TYPED")->excludes(batch);
    grade->callback([options, grade, &exitStatus] {
        if (options->batch) {
            exitStatus = RunGradeBatch();
            return;
        }
        if (!options->quiz.empty()) {
            // The one text given lands in the first positional.
            if (grade->count("ANSWER") == 0 || grade->count("TYPED") != 0) {
                throw CLI::ValidationError("--quiz", "give TYPED alone (the quiz has the answer)");
            }
            exitStatus = RunGradeInQuiz(options->quiz, options->picture, options->answer);
            return;
        }
        if (grade->count("ANSWER") == 0 || grade->count("TYPED") == 0) {
            throw CLI::RequiredError("ANSWER and TYPED (or --batch)");
        }
        exitStatus = RunGrade(options->answer, options->typed);
    });
}

void AddLzwCommand(CLI::App& app, int& exitStatus) {
    CLI::App* lzw = app.add_subcommand("lzw", "Pack or unpack the text of a PATCH resource");
    lzw->require_subcommand(1);
    lzw->add_subcommand("encode", "Pack standard input into a code stream on standard output")
        ->callback([&exitStatus] { exitStatus = RunLzwEncode(); });
    lzw->add_subcommand("decode", "Unpack a code stream on standard input to standard output")
        ->callback([&exitStatus] { exitStatus = RunLzwDecode(); });
}

void AddPictureCommand(CLI::App& app, int& exitStatus) {
    CLI::App* picture = app.add_subcommand(
        "picture",
        "Decode a JPEG or PNG picture as the player does, optionally fit it, and write it");
    auto options = std::make_shared<PictureCommandOptions>();
    picture->add_option("IN", options->input, "The JPEG or PNG file")->required();
    picture
        ->add_option("--fit", options->fit,
                     "Fit the picture into a box of WxH pixels, as the play panel does (640x480)")
        ->option_text("WxH")
        ->check([](const std::string& text) {
            return IsBox(text) ? std::string() : text + ": expected WxH with positive sides";
        });
    picture->add_option("-o,--output", options->output, "The picture written: OUT.ppm or OUT.png")
        ->option_text("OUT")
        ->required()
        ->check(CheckPictureOutput);
    picture->callback([options, &exitStatus] { exitStatus = RunPicture(*options); });
}

void AddPreviewCommand(CLI::App& app, int& exitStatus) {
    CLI::App* preview = app.add_subcommand(
        "preview",
        "Write the player's whole window as a player sees it, or with --picture alone picture N "
        "fitted to its 640 x 480 box");
    auto options = std::make_shared<PreviewOptions>();
    preview
        ->add_option("QUIZ", options->quiz,
                     "The quiz: a Windows, Linux or web quiz, or a .res bundle")
        ->required();
    preview
        ->add_option("--picture", options->picture,
                     "The picture shown, from 1; alone, the picture is written without the window")
        ->option_text("N")
        ->check(WholeNumber(1, kMaxPictures));
    preview
        ->add_option("--found", options->found,
                     "The window after the first K pictures are found: the progress and the "
                     "code step the player shows then")
        ->option_text("K")
        ->check(WholeNumber(0, kMaxPictures));
    preview->add_option("-o,--output", options->output, "The picture written: OUT.ppm or OUT.png")
        ->option_text("OUT")
        ->required()
        ->check(CheckPictureOutput);
    preview->callback([options, &exitStatus] { exitStatus = RunPreview(*options); });
}

void AddNewCommand(CLI::App& app, int& exitStatus) {
    CLI::App* command =
        app.add_subcommand("new", "Write a commented starter quiz description, DIR/quiz.toml");
    auto dir = std::make_shared<std::string>();
    command->add_option("DIR", *dir, "The quiz folder (made if missing)")->required();
    command->callback([dir, &exitStatus] { exitStatus = RunNew(*dir); });
}

void AddCheckCommand(CLI::App& app, int& exitStatus) {
    CLI::App* command = app.add_subcommand(
        "check", "Check DIR/quiz.toml and its pictures, reporting every problem");
    auto dir = std::make_shared<std::string>();
    command->add_option("DIR", *dir, "The quiz folder")->required();
    command->callback([dir, &exitStatus] { exitStatus = RunCheck(*dir); });
}

void AddPackCommand(CLI::App& app, int& exitStatus) {
    CLI::App* command =
        app.add_subcommand("pack", "Pack DIR/quiz.toml and its pictures into a quiz");
    auto options = std::make_shared<PackOptions>();
    command->add_option("DIR", options->dir, "The quiz folder, or a .zip of one")->required();
    command
        ->add_option("-o,--output", options->out,
                     "The quiz to write: OUT.res a resource bundle, OUT.exe a Windows quiz, "
                     "OUT.html a web quiz, any other name a Linux quiz")
        ->option_text("OUT")
        ->required()
        ->check(CheckQuizOutput);
    command
        ->add_option("--platform", options->platform,
                     "What to write, whatever OUT's name: res, windows, linux, web, or a "
                     "learning platform's package (a .zip) scorm (SCORM 1.2, which every "
                     "platform takes) or scorm2004, or folder (the quiz folder as a .zip, "
                     "its pictures prepared, as Brivel Studio downloads it)")
        ->option_text("FORM")
        ->transform(CLI::Validator(
            [](std::string& text) {
                const std::optional<QuizForm> form = QuizFormNamed(text);
                if (!form) {
                    std::string names;
                    for (const QuizForm packed : kPackedForms) {
                        names += (names.empty() ? "" : ", ") + std::string(QuizFormKey(packed));
                    }
                    return text + ": expected one of " + names;
                }
                text = QuizFormKey(*form);
                return std::string();
            },
            ""));
    command
        ->add_option("--player", options->player,
                     "The bare player to copy (default: the one `brivel players` shows; the "
                     "32-bit player for Windows)")
        ->option_text("FILE")
        ->check(ExistingFile);
    AddPictureOptions(*command, options->pictures);
    command->callback([options, &exitStatus] { exitStatus = RunPack(*options); });
}

void AddShowCommand(CLI::App& app, int& exitStatus) {
    CLI::App* command = app.add_subcommand("show", "Summarise a quiz");
    auto quiz = std::make_shared<std::string>();
    auto answers = std::make_shared<bool>(false);
    command
        ->add_option(
            "QUIZ", *quiz,
            "The quiz: a Windows, Linux or web quiz, a .res bundle or a quiz folder's .zip")
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
    command
        ->add_option(
            "QUIZ", *quiz,
            "The quiz: a Windows, Linux or web quiz, a .res bundle or a quiz folder's .zip")
        ->required();
    command->add_option("-o,--output", *dir, "The folder to write (made if missing)")
        ->option_text("DIR")
        ->required();
    command->add_flag("--force", *force,
                      "Replace pictures and a quiz.toml already in the folder (else refused)");
    command->callback(
        [quiz, dir, force, &exitStatus] { exitStatus = RunUnpack(*quiz, *dir, *force); });
}

void AddPlayersCommand(CLI::App& app, int& exitStatus) {
    CLI::App* command = app.add_subcommand(
        "players", "List the bare players pack copies: form, platform, size and file");
    command->callback([&exitStatus] { exitStatus = RunPlayers(); });
}

void AddStudioCommand(CLI::App& app, int& exitStatus) {
    CLI::App* command = app.add_subcommand(
        "studio", "Open Brivel Studio, the page that makes quizzes in a browser, or copy it");
    auto path = std::make_shared<std::string>();
    command->add_option("PATH", *path,
                        "Where to copy the page (a folder, made if new, or a NAME.html); "
                        "without it, the page opens in the browser");
    command->callback([path, &exitStatus] { exitStatus = RunStudio(*path); });
}

// CLI11 never wraps its help: lines past column 80 are cut at a space and go
// on under the column they started in. An option's value is shown by the word
// its description uses (OUT, N), never by the parser's type labels.
class WrappingFormatter : public CLI::Formatter {
public:
    std::string make_option_opts(const CLI::Option* option) const override {
        return option->get_option_text().empty() ? "" : " " + option->get_option_text();
    }

    std::string make_help(const CLI::App* app, std::string name,
                          CLI::AppFormatMode mode) const override {
        constexpr std::size_t kWidth = 80;
        std::istringstream in(CLI::Formatter::make_help(app, std::move(name), mode));
        std::string out;
        std::string line;
        while (std::getline(in, line)) {
            const std::size_t column = get_column_width();
            const std::size_t indent =
                line.size() > column && line.compare(0, 2, "  ") == 0 && line[column - 1] == ' '
                    ? column
                    : 0;
            while (line.size() > kWidth) {
                const std::size_t cut = line.rfind(' ', kWidth);
                if (cut == std::string::npos || cut <= indent) {
                    break;
                }
                out += line.substr(0, cut) + '\n';
                line = std::string(indent, ' ') + line.substr(cut + 1);
            }
            out += line + '\n';
        }
        return out;
    }
};

struct LicencesAsked {};

void AddLicencesCommand(CLI::App& app, int& exitStatus) {
    app.add_subcommand("licences",
                       "Print the licences of Brivel and of the code and fonts of others that "
                       "the tool, its players and Brivel Studio carry")
        ->callback([&exitStatus] { exitStatus = RunLicences(); });
    // As --version does, --licences ends the parse, before a command is asked for.
    app.add_flag_callback(
        "--licences", [] { throw LicencesAsked(); }, "Print the licences, as brivel licences does");
}

void AddHelpCommand(CLI::App& app, int& exitStatus) {
    CLI::App* command = app.add_subcommand("help", "Describe brivel, or one of its commands");
    auto name = std::make_shared<std::string>();
    command->add_option("COMMAND", *name, "The command to describe");
    command->callback([&app, name, &exitStatus] {
        if (name->empty()) {
            // app.help() would describe the selected command: this one.
            std::fputs(app.get_formatter()
                           ->make_help(&app, app.get_name(), CLI::AppFormatMode::Normal)
                           .c_str(),
                       stdout);
        } else if (IsCommand(app, *name)) {
            std::fputs(app.get_subcommand(*name)->help(app.get_name()).c_str(), stdout);
        } else {
            exitStatus = 2;
        }
    });
}

// A usage error, said as "brivel: ..." or "brivel COMMAND: ...": a word the
// command line holds that no command takes is named first, as what was given
// wrong explains what then looks missing.
int ReportUsageError(const CLI::App& app, const CLI::ParseError& error) {
    const CLI::App* command = &app;
    std::string words;  // the command's words after "brivel"
    while (true) {
        const std::vector<std::string> unknown = command->remaining();
        if (!unknown.empty()) {
            const char* kind = unknown.front()[0] == '-'                   ? "option"
                               : command->get_require_subcommand_min() > 0 ? "command"
                                                                           : "argument";
            std::fprintf(stderr, "brivel: unknown %s %s%s\n", kind, unknown.front().c_str(),
                         words.empty() ? "" : (" for " + words).c_str());
            return 2;
        }
        if (command->get_subcommands().empty()) {
            break;
        }
        command = command->get_subcommands().front();
        words += (words.empty() ? "" : " ") + command->get_name();
    }
    const std::string name = "brivel" + (words.empty() ? "" : " " + words);
    if (command->get_require_subcommand_min() > 0) {
        std::fprintf(stderr, "%s: give a command: %s\n", name.c_str(),
                     CommandNames(*command).c_str());
    } else {
        std::fprintf(stderr, "%s: %s\n", name.c_str(), error.what());
    }
    return 2;
}

}  // namespace

}  // namespace brivel::tool

int main(int argc, char** argv) {
    // Named here, or usage lines would show the path the tool was started by.
    CLI::App app{"brivel: make, check and try out picture quizzes", "brivel"};
    app.set_version_flag("--version", std::string("brivel ") + BRIVEL_VERSION);
    app.require_subcommand(1);
    app.formatter(std::make_shared<brivel::tool::WrappingFormatter>());

    int exitStatus = 0;
    using namespace brivel::tool;
    AddGradeCommand(app, exitStatus);
    AddLzwCommand(app, exitStatus);
    AddPictureCommand(app, exitStatus);
    AddNewCommand(app, exitStatus);
    AddCheckCommand(app, exitStatus);
    AddPackCommand(app, exitStatus);
    AddShowCommand(app, exitStatus);
    AddUnpackCommand(app, exitStatus);
    AddPreviewCommand(app, exitStatus);
    AddPlayersCommand(app, exitStatus);
    AddStudioCommand(app, exitStatus);
    AddLicencesCommand(app, exitStatus);
    AddHelpCommand(app, exitStatus);

    if (argc == 1) {
        std::fputs(app.help().c_str(), stdout);
        return 2;
    }
    // CLI11 would only say that a command is required.
    if (argv[1][0] != '-' && !IsCommand(app, argv[1])) {
        return 2;
    }

    try {
        app.parse(argc, argv);
    } catch (const CLI::Success& request) {
        return app.exit(request);  // --help, --version
    } catch (const LicencesAsked&) {
        return RunLicences();
    } catch (const CLI::ParseError& error) {
        return ReportUsageError(app, error);
    }
    return exitStatus;
}
