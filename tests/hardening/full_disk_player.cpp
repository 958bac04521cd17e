// The Linux player saving onto a full disk: it lies, with its progress file,
// on a small tmpfs filled up; a text is typed, saved with F2 and by closing. The old
// progress file must stay whole, with no temporary file left; with room made,
// the same steps save the text (so the first run did try to save).

#include <sys/wait.h>

#include <cstdint>
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

// The player runs in folder, which also takes its log, off the small disk.
void TypeSaveAndClose(XSession& x, const std::string& program, const std::string& folder,
                      const char* what) {
    Player player(program, folder, folder + "/player.log");
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
    // Room for the program and two pages: the old progress file and a new one.
    const std::uintmax_t programKb = (fs::file_size(quiz) + 4095) / 4096 * 4;
    SmallDisk disk(base + "/disk", "size=" + std::to_string(programKb + 8) + "k");
    if (!disk.mounted()) {
        std::printf("SKIP: cannot mount a tmpfs here: %s\n", disk.error().c_str());
        return kSkip;
    }
    const std::string program = disk.folder() + "/quiz";
    fs::copy_file(quiz, program);
    const std::string progress = disk.folder() + "/quiz.txt";
    const std::string oldBytes = OldProgress("");
    WriteFile(progress, oldBytes);
    const long long filled = disk.Fill("filler");
    if (filled <= 0) {
        Fail("cannot fill the disk");
    }
    XSession x;
    TypeSaveAndClose(x, program, base, "full disk");
    std::string bytes;
    if (!ReadFile(progress, bytes) || bytes != oldBytes) {
        Fail("on the full disk the progress file changed (%zu bytes, expected the old %zu)",
             bytes.size(), oldBytes.size());
    }
    if (Exists(progress + ".tmp")) {
        Fail("on the full disk a temporary file was left");
    }

    fs::remove(disk.folder() + "/filler");
    TypeSaveAndClose(x, program, base, "disk with room");
    const std::string newBytes = OldProgress("zz");
    if (!ReadFile(progress, bytes) || bytes != newBytes) {
        Fail("with room on the disk the typed text was not saved (%zu bytes, expected %zu)",
             bytes.size(), newBytes.size());
    }
    std::printf(
        "full disk: the player saved twice (F2, close) onto a full tmpfs (%lld "
        "filler bytes): old file whole, no temporary file; with room made the same "
        "steps saved the typed text\n",
        filled);
    return 0;
}

}  // namespace hardening
