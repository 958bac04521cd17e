// studio: Brivel Studio's page, copied where the maker asks or opened in
// their browser. It is found beside the players: share/brivel/studio/ of the
// installed tree, or studio/ of the build tree.

#include <spawn.h>
#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <optional>
#include <system_error>

#include "commands.h"
#include "files.h"
#include "players.h"

extern char** environ;

namespace brivel::tool {

namespace {

namespace fs = std::filesystem;

constexpr const char* kStudioPage = "brivel-studio.html";

std::optional<std::string> FindStudio() {
    for (const std::string& players : PlayerFolders()) {
        const fs::path page =
            (fs::path(players) / ".." / "studio" / kStudioPage).lexically_normal();
        std::error_code error;
        if (fs::is_regular_file(page, error)) {
            return page.string();
        }
    }
    std::fprintf(stderr,
                 "brivel studio: %s not found beside the players (brivel players "
                 "shows where they are)\n",
                 kStudioPage);
    return std::nullopt;
}

// xdg-open runs without a shell, so the path is never read as a command.
int OpenInBrowser(const std::string& page) {
    char* const argv[] = {const_cast<char*>("xdg-open"), const_cast<char*>(page.c_str()), nullptr};
    pid_t child = 0;
    int status = 0;
    if (posix_spawnp(&child, argv[0], nullptr, nullptr, argv, environ) != 0 ||
        waitpid(child, &status, 0) != child || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "brivel studio: xdg-open cannot open it: open %s in a browser\n",
                     page.c_str());
        return 1;
    }
    std::printf("opened %s\n", page.c_str());
    return 0;
}

}  // namespace

int RunStudio(const std::string& path) {
    const std::optional<std::string> page = FindStudio();
    if (!page) {
        return 1;
    }
    if (path.empty()) {
        return OpenInBrowser(*page);
    }
    std::error_code error;
    const std::string out =
        fs::is_directory(path, error) ? (fs::path(path) / kStudioPage).string() : path;
    if (fs::exists(fs::symlink_status(out, error))) {
        std::fprintf(stderr, "brivel studio: %s already exists: not replaced\n", out.c_str());
        return 1;
    }
    std::string reason;
    const std::optional<std::vector<std::uint8_t>> bytes = ReadWholeFile(*page, &reason);
    if (!bytes) {
        std::fprintf(stderr, "brivel studio: %s: %s\n", page->c_str(), reason.c_str());
        return 1;
    }
    if (!WriteAtomically("studio", out, std::string(bytes->begin(), bytes->end()))) {
        return 1;
    }
    std::printf("wrote %s: open it in any browser, even offline\n", out.c_str());
    return 0;
}

}  // namespace brivel::tool
