// brivel: the quiz makers' tool.

#include <cstdio>
#include <string>

#include <CLI/CLI.hpp>

#include "commands.h"
#include "players.h"
#include "text/cp1252.h"

namespace brivel::tool {

void StderrSink::ShowMessage(const char* text, const char* caption, MessageIcon /*icon*/) {
    std::fprintf(stderr, "%s: %s\n", Cp1252ToUtf8(caption).c_str(), Cp1252ToUtf8(text).c_str());
}

}  // namespace brivel::tool

int main(int argc, char** argv) {
    CLI::App app{"brivel: make, check and try out picture quizzes"};
    app.set_version_flag("--version", std::string("brivel ") + BRIVEL_VERSION);
    app.require_subcommand(1);

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

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& error) {
        // --help and --version end here too, with status 0; a usage error is 2.
        return app.exit(error) == 0 ? 0 : 2;
    }
    return exitStatus;
}
