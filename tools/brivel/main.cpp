// brivel: the quiz makers' tool.

#include <cstdio>
#include <memory>
#include <sstream>
#include <string>
#include <utility>

#include <CLI/CLI.hpp>

#include "commands.h"
#include "play/grading.h"
#include "players.h"
#include "text/cp1252.h"

namespace brivel::tool {

void StderrSink::ShowMessage(const char* text, const char* caption, MessageIcon /*icon*/) {
    std::fprintf(stderr, "%s: %s\n", Cp1252ToUtf8(caption).c_str(), Cp1252ToUtf8(text).c_str());
}

namespace {

// Whether name is one of app's commands; names it with the list when not, as
// git does, with the command it most likely meant.
bool IsCommand(const CLI::App& app, const std::string& name) {
    std::string list;
    std::string likely;
    for (const CLI::App* command : app.get_subcommands([](const CLI::App*) { return true; })) {
        if (command->get_name() == name) {
            return true;
        }
        list += (list.empty() ? "" : ", ") + command->get_name();
        // The players' own grader judges typing mistakes well enough here.
        const Verdict verdict = Grade(command->get_name(), name);
        if (likely.empty() && verdict != Verdict::Wrong && verdict != Verdict::GoodIdea) {
            likely = command->get_name();
        }
    }
    std::fprintf(stderr, "brivel: \"%s\" is not a brivel command%s\ncommands: %s\n", name.c_str(),
                 likely.empty() ? "" : ("; did you mean \"" + likely + "\"?").c_str(),
                 list.c_str());
    return false;
}

// CLI11 never wraps its help: lines past column 80 are cut at a space and go
// on under the column they started in.
class WrappingFormatter : public CLI::Formatter {
public:
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

}  // namespace

}  // namespace brivel::tool

int main(int argc, char** argv) {
    // Named here, or usage lines would show the path the tool was started by.
    CLI::App app{"brivel: make, check and try out picture quizzes", "brivel"};
    app.set_version_flag("--version", std::string("brivel ") + BRIVEL_VERSION);
    app.require_subcommand(1);
    app.formatter(std::make_shared<brivel::tool::WrappingFormatter>());

    int exitStatus = 0;
    brivel::tool::AddGradeCommand(app, exitStatus);
    brivel::tool::AddLzwCommand(app, exitStatus);
    brivel::tool::AddPictureCommand(app, exitStatus);
    brivel::tool::AddNewCommand(app, exitStatus);
    brivel::tool::AddCheckCommand(app, exitStatus);
    brivel::tool::AddPackCommand(app, exitStatus);
    brivel::tool::AddShowCommand(app, exitStatus);
    brivel::tool::AddUnpackCommand(app, exitStatus);
    brivel::tool::AddPreviewCommand(app, exitStatus);
    brivel::tool::AddPlayersCommand(app, exitStatus);
    brivel::tool::AddHelpCommand(app, exitStatus);

    // CLI11 would only say that a command is required.
    if (argc > 1 && argv[1][0] != '-' && !brivel::tool::IsCommand(app, argv[1])) {
        return 2;
    }

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& error) {
        // --help and --version end here too, with status 0; a usage error is 2.
        return app.exit(error) == 0 ? 0 : 2;
    }
    return exitStatus;
}
