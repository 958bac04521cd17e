#include "players.h"

#include <cstdio>
#include <filesystem>
#include <memory>
#include <system_error>

#include "files.h"
#include "maker/web_quiz.h"

namespace brivel::tool {

namespace {

namespace fs = std::filesystem;

unsigned ReadLe(const std::vector<std::uint8_t>& bytes, std::size_t at, int size) {
    unsigned value = 0;
    for (int i = size - 1; i >= 0; --i) {
        value = value << 8 | bytes[at + static_cast<std::size_t>(i)];
    }
    return value;
}

// What a player's header says it runs on, as `brivel players` shows it.
std::string PlatformOf(const std::vector<std::uint8_t>& bytes) {
    if (bytes.size() >= 64 && bytes[0] == 'M' && bytes[1] == 'Z') {
        const std::size_t pe = ReadLe(bytes, 0x3C, 4);
        if (pe <= bytes.size() - 26 && ReadLe(bytes, pe, 4) == 0x4550) {
            const unsigned machine = ReadLe(bytes, pe + 4, 2);
            const std::string kind = ReadLe(bytes, pe + 24, 2) == 0x20B ? "PE32+" : "PE32";
            return kind + (machine == 0x14C ? " i386" : machine == 0x8664 ? " AMD64" : " other");
        }
    }
    if (bytes.size() >= 20 && bytes[0] == 0x7F && bytes[1] == 'E' && bytes[2] == 'L' &&
        bytes[3] == 'F') {
        const unsigned machine = ReadLe(bytes, 18, 2);
        return machine == 62 ? "ELF x86-64" : machine == 3 ? "ELF i386" : "ELF other";
    }
    if (IsWebPlayerPage(bytes.data(), bytes.size())) {
        return "HTML + wasm32";
    }
    return "unknown";
}

std::optional<fs::path> OwnFolder() {
    std::error_code error;
    const fs::path self = fs::read_symlink("/proc/self/exe", error);
    if (error) {
        return std::nullopt;
    }
    return self.parent_path();
}

std::string LookedIn(const ShippedPlayer& player) {
    std::string places;
    for (const std::string& folder : PlayerFolders()) {
        places += (places.empty() ? "" : ", ") + (fs::path(folder) / player.name).string();
    }
    return places.empty() ? "nowhere (/proc/self/exe cannot be read)" : places;
}

std::optional<std::string> Find(const ShippedPlayer& player) {
    for (const std::string& folder : PlayerFolders()) {
        const fs::path path = fs::path(folder) / player.name;
        std::error_code error;
        if (fs::is_regular_file(path, error)) {
            return path.string();
        }
    }
    return std::nullopt;
}

}  // namespace

const std::vector<ShippedPlayer>& ShippedPlayers() {
    static const std::vector<ShippedPlayer> players = {
        {"windows-i686.exe", QuizForm::Windows, true},
        {"windows-x86_64.exe", QuizForm::Windows, false},
        {"linux", QuizForm::Linux, true},
        {"web.html", QuizForm::Web, true},
    };
    return players;
}

std::vector<std::string> PlayerFolders() {
    std::vector<std::string> folders;
    const std::optional<fs::path> own = OwnFolder();
    if (!own) {
        return folders;
    }
    // An installed Linux player is architecture-specific, so it lives in lib/.
    for (const char* root : {"lib", "share"}) {
        folders.push_back((*own / ".." / root / "brivel" / "players").lexically_normal().string());
    }
    // BRIVEL_BUILD_TREE: the build tree's top seen from the tool's own folder.
    const fs::path tree = (*own / BRIVEL_BUILD_TREE).lexically_normal();
    std::error_code error;
    if (fs::exists(tree / "CMakeCache.txt", error)) {
        folders.push_back((tree / "players").string());
    }
    return folders;
}

std::optional<std::string> DefaultPlayer(QuizForm form) {
    for (const ShippedPlayer& player : ShippedPlayers()) {
        if (player.form != form || !player.isDefault) {
            continue;
        }
        std::optional<std::string> path = Find(player);
        if (!path) {
            std::fprintf(stderr,
                         "brivel pack: no %s player: looked for %s; name one with --player FILE\n",
                         QuizFormKey(form), LookedIn(player).c_str());
        }
        return path;
    }
    std::fprintf(stderr, "brivel pack: no %s player is known; name one with --player FILE\n",
                 QuizFormKey(form));
    return std::nullopt;
}

int RunPlayers() {
    int status = 0;
    for (const ShippedPlayer& player : ShippedPlayers()) {
        const std::optional<std::string> path = Find(player);
        const std::optional<std::vector<std::uint8_t>> bytes =
            path ? ReadWholeFile(*path) : std::nullopt;
        if (!bytes) {
            std::fprintf(stderr, "brivel players: %s: %s missing: looked for %s\n",
                         QuizFormKey(player.form), player.name, LookedIn(player).c_str());
            status = 1;
            continue;
        }
        std::printf("%-8s %-13s %6zu KB  %s%s\n", QuizFormKey(player.form),
                    PlatformOf(*bytes).c_str(), (bytes->size() + 1023) / 1024, path->c_str(),
                    player.isDefault ? "" : "  (with --player)");
    }
    return status;
}

}  // namespace brivel::tool
