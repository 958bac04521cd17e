// The Linux player killed with SIGKILL at random moments while it saves: the
// progress file must always be the old one or the new one, whole, and what a
// kill leaves behind must not stop the next save.
//
// The quiz has 96 pictures and the progress file 96 lines of 300 bytes; the
// player keeps 259 bytes of each, so its save (96 lines of 259 bytes, made
// durable with fsync) differs from the file it read. Each run puts the old
// file back, starts the player, clicks the answer box, sends a burst of F2,
// and kills the player at a random moment of save 1, 2 or 3 (inotify tells
// when a save opens its temporary file). A kill before save 1's rename must
// leave the old file; any later one, the new file.

#include <fcntl.h>
#include <poll.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "hardening.h"
#include "x_player.h"

namespace hardening {

namespace {

namespace fs = std::filesystem;

constexpr int kPictures = 96;
constexpr int kLineLength = 300;
constexpr int kKeptLength = 259;
constexpr int kBurst = 6;

std::string ProgressLine(int k, int length) {
    char head[16];
    std::snprintf(head, sizeof head, "%02d:", k + 1);
    std::string line = head;
    while (static_cast<int>(line.size()) < length) {
        line += static_cast<char>('a' + (k + line.size()) % 26);
    }
    return line;
}

std::string ProgressBytes(int length) {
    std::string bytes;
    for (int k = 0; k < kPictures; ++k) {
        bytes += ProgressLine(k, length);
        bytes += "\r\n";
    }
    return bytes;
}

void MakeQuiz(const Paths& paths, const std::string& quiz) {
    const std::string source = paths.work + "/quiz-source";
    fs::create_directories(source);
    std::string toml = "title = \"Sauvegardes\"\nauthor = \"Brivel\"\ncolour = [90, 95, 150]\n";
    for (int k = 1; k <= kPictures; ++k) {
        char name[16];
        std::snprintf(name, sizeof name, "%02d.jpg", k);
        fs::copy_file(paths.tinyJpeg, source + "/" + name, fs::copy_options::overwrite_existing);
        toml += "\n[[picture]]\nfile = \"" + std::string(name) + "\"\nanswer = \"" +
                ProgressLine(k - 1, 20) + "\"\ncode = \"C\"\n";
    }
    WriteFile(source + "/quiz.toml", toml);
    RunTool(paths, {"pack", source, "-o", quiz, "--platform", "linux", "--player", paths.player});
}

// Only the quiz, its progress file, the temporary file and the log may be there.
void CheckNoStrayFiles(const std::string& folder) {
    for (const auto& entry : fs::directory_iterator(folder)) {
        const std::string name = entry.path().filename().string();
        if (name != "quiz" && name != "quiz.txt" && name != "quiz.txt.tmp" &&
            name != "player.log") {
            Fail("unexpected file %s in %s", name.c_str(), folder.c_str());
        }
    }
}

TopWindow StartAndFocus(XSession& x, Player& player) {
    TopWindow main = WaitWindow(x, player, 10000, "kill test");
    if (main.className != kMainClass) {
        Fail("the player shows %s \"%s\" instead of its main window", main.className.c_str(),
             main.title.c_str());
    }
    x.Click(main.id, kAnswerBoxX, kAnswerBoxY);
    return main;
}

std::int64_t NowUs() {
    return std::chrono::duration_cast<std::chrono::microseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// The saves of the player as the folder sees them: a save starts when it
// opens the temporary file and ends when it renames it (or removes it).
class SaveWatch {
public:
    SaveWatch(const std::string& folder, std::string temporaryName)
        : name_(std::move(temporaryName)) {
        fd_ = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
        if (fd_ < 0 ||
            ::inotify_add_watch(fd_, folder.c_str(), IN_OPEN | IN_MOVED_FROM | IN_DELETE) < 0) {
            Fail("inotify on %s: %s", folder.c_str(), std::strerror(errno));
        }
    }
    ~SaveWatch() { ::close(fd_); }
    SaveWatch(const SaveWatch&) = delete;
    SaveWatch& operator=(const SaveWatch&) = delete;

    // Forgets what happened so far.
    void Reset() {
        Read(0);
        started_ = 0;
        ended_ = 0;
        renamed_ = 0;
        inSave_ = false;
        starts_.clear();
        ends_.clear();
    }

    // Waits until save n (from 1) has started, or ended; false after timeoutMs.
    bool WaitStarted(int n, int timeoutMs) { return WaitFor(started_, n, timeoutMs); }
    bool WaitEnded(int n, int timeoutMs) { return WaitFor(ended_, n, timeoutMs); }

    // Reads what happened up to now.
    void Update() { Read(0); }
    int started() const { return started_; }
    int renamed() const { return renamed_; }

    // Start and end times of the saves seen, in microseconds.
    const std::vector<std::int64_t>& starts() const { return starts_; }
    const std::vector<std::int64_t>& ends() const { return ends_; }

private:
    void Read(int timeoutMs) {
        pollfd p{fd_, POLLIN, 0};
        if (::poll(&p, 1, timeoutMs) <= 0) {
            return;
        }
        alignas(inotify_event) char buffer[4096];
        ssize_t got;
        while ((got = ::read(fd_, buffer, sizeof buffer)) > 0) {
            const std::int64_t now = NowUs();
            for (char* at = buffer; at < buffer + got;) {
                const auto* event = reinterpret_cast<const inotify_event*>(at);
                at += sizeof(inotify_event) + event->len;
                if (event->len == 0 || name_ != event->name) {
                    continue;
                }
                // A save opens the file twice: to write it, then to sync it.
                if ((event->mask & IN_OPEN) != 0 && !inSave_) {
                    inSave_ = true;
                    ++started_;
                    starts_.push_back(now);
                } else if ((event->mask & (IN_MOVED_FROM | IN_DELETE)) != 0 && inSave_) {
                    inSave_ = false;
                    ++ended_;
                    renamed_ += (event->mask & IN_MOVED_FROM) != 0 ? 1 : 0;
                    ends_.push_back(now);
                }
            }
        }
    }

    int fd_ = -1;
    std::string name_;

    bool WaitFor(const int& count, int n, int timeoutMs) {
        const std::int64_t end = NowMs() + timeoutMs;
        while (count < n) {
            if (NowMs() > end) {
                return false;
            }
            Read(10);
        }
        return true;
    }

    int started_ = 0;
    int ended_ = 0;
    int renamed_ = 0;
    bool inSave_ = false;
    std::vector<std::int64_t> starts_;
    std::vector<std::int64_t> ends_;
};

// A burst of F2 presses, each a save.
void TapSaveBurst(XSession& x, XWindow main) {
    for (int k = 0; k < kBurst; ++k) {
        x.Tap(main, "F2");
    }
    x.Flush();
}

void CloseCleanly(XSession& x, Player& player, XWindow main) {
    x.Close(main);
    int status = 0;
    if (!player.WaitEnd(5000, status) || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        Fail("the player did not end cleanly after closing (%s)", DescribeEnd(status).c_str());
    }
}

}  // namespace

int KillWhileSaving(const Paths& paths, int runs) {
    const std::string folder = paths.work + "/kill";
    fs::remove_all(folder);
    fs::create_directories(folder);
    const std::string quiz = folder + "/quiz";
    const std::string progress = folder + "/quiz.txt";
    const std::string temporary = progress + ".tmp";
    MakeQuiz(paths, quiz);
    const std::string oldBytes = ProgressBytes(kLineLength);
    const std::string newBytes = ProgressBytes(kKeptLength);

    const char* seedText = std::getenv("BRIVEL_HARDENING_SEED");
    const unsigned seed = seedText != nullptr
                              ? static_cast<unsigned>(std::strtoul(seedText, nullptr, 10))
                              : std::random_device{}();
    std::printf("kill test: seed %u (BRIVEL_HARDENING_SEED=%u repeats it)\n", seed, seed);
    std::mt19937 random(seed);

    XSession x;
    SaveWatch watch(folder, "quiz.txt.tmp");
    std::string bytes;
    // A first run measures a save, from opening the temporary file to
    // renaming it; the kills are spread over twice that, so that some land
    // after the rename.
    std::int64_t saveUs = 0;
    {
        WriteFile(progress, oldBytes);
        watch.Reset();
        Player player(quiz, folder);
        const TopWindow main = StartAndFocus(x, player);
        TapSaveBurst(x, main.id);
        if (!watch.WaitEnded(kBurst, 10000)) {
            Fail("F2 did not make %d saves", kBurst);
        }
        std::vector<std::int64_t> durations;
        for (std::size_t k = 0; k < watch.ends().size(); ++k) {
            durations.push_back(watch.ends()[k] - watch.starts()[k]);
        }
        std::sort(durations.begin(), durations.end());
        saveUs = std::max<std::int64_t>(durations[durations.size() / 2], 100);
        if (!ReadFile(progress, bytes) || bytes != newBytes) {
            Fail(
                "after a burst of F2 the progress file is not the expected save (%zu bytes, "
                "expected %zu)",
                bytes.size(), newBytes.size());
        }
        CloseCleanly(x, player, main.id);
        std::printf(
            "kill test: a save takes about %lld us from opening its temporary file to "
            "renaming it\n",
            static_cast<long long>(saveUs));
    }

    // Which save of the burst is hit, and how long after it started.
    std::uniform_int_distribution<int> whichSave(1, 3);
    std::uniform_int_distribution<std::int64_t> delayUs(0, saveUs * 2);
    int beforeRename = 0;
    int beforeFirstRename = 0;
    int afterRename = 0;
    int old = 0;
    int fresh = 0;
    int afterLeftover = 0;
    std::string lastLeftover;
    const std::int64_t started = NowMs();
    // On busy cores a kill lands late and more often after the rename: go on,
    // up to three times the runs asked for, until a fifth landed before one.
    int run = 1;
    for (; run <= runs || (beforeRename * 5 < runs && run <= 3 * runs); ++run) {
        WriteFile(progress, oldBytes);
        const bool leftover = Exists(temporary);
        afterLeftover += leftover ? 1 : 0;
        const int target = whichSave(random);
        {
            watch.Reset();
            Player player(quiz, folder);
            const TopWindow main = StartAndFocus(x, player);
            TapSaveBurst(x, main.id);
            if (!watch.WaitStarted(target, 5000)) {
                Fail("run %d: save %d did not start%s", run, target,
                     leftover ? " (a leftover temporary file was there)" : "");
            }
            // Sleeping, not spinning: on two busy cores a spin would keep the
            // player from running at all until the kill.
            const std::int64_t wait = watch.starts().back() + delayUs(random) - NowUs();
            if (wait > 0) {
                ::usleep(static_cast<useconds_t>(wait));
            }
            player.Kill();
        }
        // What the player did before it died: saves started and renamed into
        // place. Until the first rename the file must be the old one, after it
        // the new one; a save cut short leaves its temporary file.
        watch.Update();
        const bool interrupted = watch.started() > watch.renamed();
        if (interrupted != Exists(temporary)) {
            Fail("run %d: %d saves started, %d renamed, but the temporary file is %s", run,
                 watch.started(), watch.renamed(), interrupted ? "missing" : "there");
        }
        if (!ReadFile(progress, bytes)) {
            Fail("run %d: no progress file after the kill", run);
        }
        const bool expectOld = watch.renamed() == 0;
        if (bytes != (expectOld ? oldBytes : newBytes)) {
            const std::string keep = paths.work + "/kill-broken-" + std::to_string(run) + ".txt";
            WriteFile(keep, bytes);
            Fail(
                "run %d: killed after %d saves started and %d renamed, the progress file (%zu "
                "bytes, kept as %s) is %s, expected the %s one",
                run, watch.started(), watch.renamed(), bytes.size(), keep.c_str(),
                bytes == oldBytes   ? "the old one"
                : bytes == newBytes ? "the new one"
                                    : "neither the old nor the new one",
                expectOld ? "old" : "new");
        }
        expectOld ? ++old : ++fresh;
        if (interrupted) {
            ++beforeRename;
            beforeFirstRename += expectOld ? 1 : 0;
            if (!ReadFile(temporary, lastLeftover)) {
                Fail("run %d: cannot read the temporary file", run);
            }
        } else {
            ++afterRename;
        }
        CheckNoStrayFiles(folder);
    }
    const std::int64_t elapsed = NowMs() - started;
    const int done = run - 1;

    // The next save after a kill, with the leftover of a real kill in place.
    if (beforeRename == 0) {
        Fail("no kill out of %d landed before a rename: the test did not test", done);
    }
    WriteFile(temporary, lastLeftover);
    WriteFile(progress, oldBytes);
    {
        watch.Reset();
        Player player(quiz, folder);
        const TopWindow main = StartAndFocus(x, player);
        x.Tap(main.id, "F2");
        x.Flush();
        if (!watch.WaitEnded(1, 5000) || !ReadFile(progress, bytes) || bytes != newBytes) {
            Fail("with a leftover of a killed save in place, F2 did not save (%zu bytes)",
                 bytes.size());
        }
        CloseCleanly(x, player, main.id);
    }
    if (!ReadFile(progress, bytes) || bytes != newBytes || Exists(temporary)) {
        Fail("after closing, the progress file is not the new one or a temporary file is left");
    }

    std::printf(
        "kill test: %d runs in %lld ms, each killed 0 to %lld us after the start of save 1, 2 "
        "or 3 of a burst: %d kills before the save's rename (%d of them in the first save), "
        "%d after it; the progress file was whole every time and the expected one: %d times "
        "the old, %d times the new; %d runs started beside a leftover temporary file; the save "
        "after the last kill worked and left no temporary file\n",
        done, static_cast<long long>(elapsed), static_cast<long long>(saveUs * 2), beforeRename,
        beforeFirstRename, afterRename, old, fresh, afterLeftover);
    if (beforeRename * 5 < runs) {
        Fail("only %d of %d kills landed before a rename: too few to tell anything", beforeRename,
             done);
    }
    return 0;
}

}  // namespace hardening
