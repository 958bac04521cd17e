// studio: Brivel Studio's page, copied where the maker asks or opened in
// their browser. It is found beside the players: share/brivel/studio/ of the
// installed tree, or studio/ of the build tree.

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
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

// Where the page cannot be opened, one line says why and the page's path goes
// to standard output, to be opened by hand.
int CannotOpen(const std::string& page, const char* why) {
    std::fprintf(stderr, "brivel studio: %s: open this page in a browser\n", why);
    std::printf("%s\n", page.c_str());
    return 1;
}

// xdg-open runs without a shell, so the path is never read as a command; what
// it and the browsers it tries print is theirs, not the maker's to read.
int OpenInBrowser(const std::string& page) {
    const char* display = std::getenv("DISPLAY");
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    if ((display == nullptr || *display == '\0') && (wayland == nullptr || *wayland == '\0')) {
        return CannotOpen(page, "no display to show a browser on");
    }
    posix_spawn_file_actions_t quiet;
    posix_spawn_file_actions_init(&quiet);
    posix_spawn_file_actions_addopen(&quiet, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_adddup2(&quiet, STDOUT_FILENO, STDERR_FILENO);
    char* const argv[] = {const_cast<char*>("xdg-open"), const_cast<char*>(page.c_str()), nullptr};
    pid_t child = 0;
    const int spawned = posix_spawnp(&child, argv[0], &quiet, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&quiet);
    if (spawned != 0) {
        return CannotOpen(page, "no xdg-open to start a browser with (package xdg-utils)");
    }
    int status = 0;
    if (waitpid(child, &status, 0) != child || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        return CannotOpen(page, "xdg-open found no browser to open it");
    }
    std::printf("opened %s\n", page.c_str());
    return 0;
}

std::string ToLowerAscii(std::string text) {
    for (char& c : text) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return text;
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
    // A new name that is no page's (no .html) is a folder to make: a page
    // named "st" would open in no browser.
    const std::string extension = ToLowerAscii(fs::path(path).extension().string());
    const bool page_name = extension == ".html" || extension == ".htm";
    if (!page_name && !fs::exists(fs::symlink_status(path, error))) {
        if (!fs::create_directory(path, error)) {
            std::fprintf(stderr,
                         "brivel studio: %s: cannot make this folder (%s): name a "
                         "folder that exists, or a page ending in .html\n",
                         path.c_str(), error.message().c_str());
            return 1;
        }
        std::printf("made the folder %s\n", path.c_str());
    }
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
