// brivel-hardening: the Linux player's hardening runs, and the damaged
// Windows quizzes for the Wine run.
//
//   brivel-hardening kill PLAYER BRIVEL TINY.JPG WORKDIR RUNS
//   brivel-hardening damaged-linux QUIZ WORKDIR
//   brivel-hardening full-disk-player QUIZ WORKDIR     (exit 77: no mount allowed)
//   brivel-hardening windows-variants QUIZ.EXE FOLDER
//
// The X commands need DISPLAY (run-with-xvfb provides one).

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "hardening.h"
#include "x_player.h"

namespace hardening {

void RunTool(const Paths& paths, const std::vector<std::string>& arguments) {
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(paths.tool.c_str()));
    for (const std::string& a : arguments) {
        argv.push_back(const_cast<char*>(a.c_str()));
    }
    argv.push_back(nullptr);
    // Its warnings (pictures not 640 x 480, close answers) are not this
    // test's business: they go to a log.
    const std::string log = paths.work + "/brivel-tool.log";
    const pid_t pid = ::fork();
    if (pid == 0) {
        const int fd = ::open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (fd >= 0) {
            ::dup2(fd, 1);
            ::dup2(fd, 2);
        }
        ::execv(paths.tool.c_str(), argv.data());
        ::_exit(127);
    }
    int status = 0;
    if (pid < 0 || ::waitpid(pid, &status, 0) != pid || !WIFEXITED(status) ||
        WEXITSTATUS(status) != 0) {
        Fail("%s %s failed (%s), see %s", paths.tool.c_str(), arguments.front().c_str(),
             DescribeEnd(status).c_str(), log.c_str());
    }
}

}  // namespace hardening

int main(int argc, char** argv) {
    const std::string command = argc > 1 ? argv[1] : "";
    if (command == "kill" && argc == 7) {
        hardening::Paths paths{argv[2], argv[3], argv[4], argv[5]};
        return hardening::KillWhileSaving(paths, std::atoi(argv[6]));
    }
    if (command == "damaged-linux" && argc == 4) {
        return hardening::DamagedLinuxQuizzes(argv[2], argv[3]);
    }
    if (command == "full-disk-player" && argc == 4) {
        return hardening::PlayerOnFullDisk(argv[2], argv[3]);
    }
    if (command == "windows-variants" && argc == 4) {
        return hardening::WriteWindowsVariants(argv[2], argv[3]);
    }
    std::fprintf(stderr,
                 "usage: brivel-hardening kill PLAYER BRIVEL TINY.JPG WORKDIR RUNS\n"
                 "       brivel-hardening damaged-linux QUIZ WORKDIR\n"
                 "       brivel-hardening full-disk-player QUIZ WORKDIR\n"
                 "       brivel-hardening windows-variants QUIZ.EXE FOLDER\n");
    return 2;
}
