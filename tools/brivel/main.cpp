// brivel: the quiz makers' tool.

#include <cstdio>
#include <string>

#include <CLI/CLI.hpp>

#include "commands.h"
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

    CLI11_PARSE(app, argc, argv);
    return exitStatus;
}
