// The Linux player saving onto a full disk: it plays in a folder on a small
// tmpfs filled up, a text is typed, saved with F2 and by closing. The old
// progress file must stay whole, with no temporary file left; with room made,
// the same steps save the text (so the first run did try to save).

#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "hardening.h"
#include "small_disk.h"
#include "x_player.h"

namespace hardening {

namespace {

namespace fs = std::filesystem;

constexpr int kSkip = 77;

// The sample has 21 pictures: its first line empty, so that what is typed is
// the whole first text, and the file under one page.
std::string OldProgress(const std::string& first) {
    std::string bytes = first + "\r\n";
    for (int k = 2; k <= 21; ++k) {
        bytes += std::to_string(k) + std::string(130, static_cast<char>('a' + k)) + "\r\n";
    }
    return bytes;
}

void TypeSaveAndClose(XSession& x, const std::string& program, const std::string& folder,
                      const char* what) {
    // The log stays off the small disk.
    Player player(program, folder, (fs::path(program).parent_path() / "player.log").string());
    const TopWindow main = WaitWindow(x, player, 10000, what);
    if (main.className != kMainClass) {
        Fail("%s: the player shows \"%s\" instead of its main window", what, main.title.c_str());
    }
    x.Click(main.id, kAnswerBoxX, kAnswerBoxY);
    x.Tap(main.id, "z");
    x.Tap(main.id, "z");
    x.Tap(main.id, "F2");
    x.Close(main.id);
    int status = 0;
    if (!player.WaitEnd(10000, status) || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        Fail("%s: the player did not end cleanly after closing (%s)", what,
             DescribeEnd(status).c_str());
    }
}

}  // namespace

int PlayerOnFullDisk(const std::string& quiz, const std::string& work) {
    const std::string base = work + "/full-disk-player";
    fs::remove_all(base);
    fs::create_directories(base);
    const std::string program = base + "/quiz";
    fs::copy_file(quiz, program);
    SmallDisk disk(base + "/disk", "size=8k");
    if (!disk.mounted()) {
        std::printf("SKIP: cannot mount a tmpfs here: %s\n", disk.error().c_str());
        return kSkip;
    }
    const std::string progress = disk.folder() + "/quiz.txt";
    const std::string oldBytes = OldProgress("");
    WriteFile(progress, oldBytes);
    const long long filled = disk.Fill("filler");
    if (filled <= 0) {
        Fail("cannot fill the disk");
    }
    XSession x;
    TypeSaveAndClose(x, program, disk.folder(), "full disk");
    std::string bytes;
    if (!ReadFile(progress, bytes) || bytes != oldBytes) {
        Fail("on the full disk the progress file changed (%zu bytes, expected the old %zu)",
             bytes.size(), oldBytes.size());
    }
    if (Exists(progress + ".tmp")) {
        Fail("on the full disk a temporary file was left");
    }

    fs::remove(disk.folder() + "/filler");
    TypeSaveAndClose(x, program, disk.folder(), "disk with room");
    const std::string newBytes = OldProgress("zz");
    if (!ReadFile(progress, bytes) || bytes != newBytes) {
        Fail("with room on the disk the typed text was not saved (%zu bytes, expected %zu)",
             bytes.size(), newBytes.size());
    }
    std::printf(
        "full disk: the player saved twice (F2, close) onto a full 8 KB tmpfs (%lld "
        "filler bytes): old file whole, no temporary file; with room made the same "
        "steps saved the typed text\n",
        filled);
    return 0;
}

}  // namespace hardening
