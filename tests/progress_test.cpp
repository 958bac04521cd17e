#include <grp.h>
#include <gtest/gtest.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <limits>
#include <random>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "app/progress_file.h"
#include "app/progress_format.h"
#include "app/progress_places.h"
#include "fakes.h"
#include "quiz/quiz_record.h"
#include "scratch_folder.h"
#include "text/fixed_text.h"

namespace brivel {
namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;
using Texts = std::vector<std::string>;

struct TestRecord {
    testing::FakeGraphics graphics;
    QuizRecord record{graphics};
};

void SetSlots(QuizRecord& record, const Texts& texts) {
    record.pictureCount = static_cast<std::int32_t>(texts.size());
    record.answersPerPicture = 1;
    for (std::size_t k = 0; k < texts.size(); ++k) {
        CopyText(record.typedAnswers[k], texts[k]);
    }
}

void FillAllSlots(QuizRecord& record, const std::string& text) {
    for (auto& slot : record.typedAnswers) {
        CopyText(slot, text);
    }
}

Texts Slots(const QuizRecord& record, std::size_t count) {
    Texts texts;
    for (std::size_t k = 0; k < count; ++k) {
        texts.emplace_back(TextOf(record.typedAnswers[k]));
    }
    return texts;
}

TEST(ProgressFileName, TakesTheProgramNameWithATxtExtensionBesideTheProgram) {
    const std::tuple<const char*, const char*, const char*> cases[] = {
        {"ENIGMA.EXE", "ENIGMA.txt", "ENIGMA.txt"},
        {"enigma.exe", "enigma.txt", "enigma.txt"},
        {"C:\\quiz\\enigma.exe", "enigma.txt", "C:\\quiz\\enigma.txt"},
        {"C:\\jeux/quiz\\enigma.exe", "enigma.txt", "C:\\jeux/quiz\\enigma.txt"},
        {"/usr/games/animaux", "animaux.txt", "/usr/games/animaux.txt"},
        {"/opt/quiz.v2/animaux", "animaux.txt", "/opt/quiz.v2/animaux.txt"},
        {"/animaux", "animaux.txt", "/animaux.txt"},
        {"x.exe", "x.txt", "x.txt"},
        {".exe", ".txt", ".txt"},
        {"abcd", "abcd.txt", "abcd.txt"},
        {"abc", "abc.txt", "abc.txt"},
        {"ab", "ab.txt", "ab.txt"},
        {"a.b", "a.b.txt", "a.b.txt"},
        {"archive.tar.gz", "archive.tar.gz.txt", "archive.tar.gz.txt"},
        // The progress must never take the place of the program itself.
        {"notes.txt", "notes.txt.txt", "notes.txt.txt"},
        {"/opt/quiz/notes.txt", "notes.txt.txt", "/opt/quiz/notes.txt.txt"},
        {"C:\\quiz\\NOTES.TXT", "NOTES.TXT.txt", "C:\\quiz\\NOTES.TXT.txt"},
        {"notestxt", "notestxt.txt", "notestxt.txt"},
        {"C:\\quiz\\quiz.aTxT", "quiz.aTxT.txt", "C:\\quiz\\quiz.aTxT.txt"},
        // No file name to go by: still a file, never the folder.
        {"C:\\quiz\\", ".txt", "C:\\quiz\\.txt"},
        {"/usr/games/", ".txt", "/usr/games/.txt"},
        {"", ".txt", ".txt"},
    };
    for (const auto& [modulePath, name, beside] : cases) {
        EXPECT_EQ(ProgressFileName(modulePath), name) << modulePath;
        EXPECT_EQ(ProgressFileBeside(modulePath), beside) << modulePath;
    }
}

TEST(ProgressPlaces, StateFolderFromTheEnvironmentAndANamePerProgramPath) {
    // A state folder of "": nowhere but beside the program.
    const std::tuple<const char*, const char*, const char*, const char*> cases[] = {
        {"/media/cdrom/animaux", "/var/state", "/home/zoe", "/var/state/brivel/"},
        {"/media/cdrom/animaux", "/var/state/", "/home/zoe", "/var/state/brivel/"},
        {"/media/cdrom/animaux", nullptr, "/home/zoe", "/home/zoe/.local/state/brivel/"},
        {"/media/cdrom/animaux", "", "/home/zoe", "/home/zoe/.local/state/brivel/"},
        {"/media/cdrom/animaux", "state", "/home/zoe", "/home/zoe/.local/state/brivel/"},
        {"/media/cdrom/animaux", nullptr, "home", ""},
        {"/media/cdrom/animaux", nullptr, nullptr, ""},
    };
    for (const auto& [program, xdgStateHome, home, stateFolder] : cases) {
        SCOPED_TRACE(xdgStateHome == nullptr ? "unset" : xdgStateHome);
        const ProgressPlaces places = ProgressPlacesOf(program, xdgStateHome, home);
        EXPECT_EQ(places.beside, ProgressFileBeside(program));
        EXPECT_EQ(places.stateFolder, stateFolder);
        const std::string name = places.inState.substr(places.stateFolder.size());
        EXPECT_EQ(places.inState.empty(), *stateFolder == '\0');
        EXPECT_TRUE(places.inState.empty() ||
                    (name.size() == 28 && name.rfind("animaux-", 0) == 0 &&
                     name.find_first_not_of("0123456789abcdef", 8) == 24 &&
                     name.substr(24) == ".txt"))
            << name;
    }
    // Two quizzes of one name in two folders, or an .exe beside its Linux twin, keep apart.
    const auto inState = [](const char* program) {
        return ProgressPlacesOf(program, "/s", nullptr).inState;
    };
    EXPECT_EQ(inState("/a/animaux"), inState("/a/animaux"));
    EXPECT_NE(inState("/a/animaux"), inState("/b/animaux"));
    EXPECT_NE(inState("/a/animaux"), inState("/a/animaux.exe"));
}

// Exact bytes: slot k holds "s<k>", and the lines written are s0 to s<lines - 1>.
TEST(ProgressFormat, WritesPicturesTimesAnswersSlotsAtMostAllSlots) {
    constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
    constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();
    // -2 x -3 is a positive product of two bad counts, still nothing. Mended: 3 x 0, 3 x -1
    // and kMax x kMin, which would otherwise write nothing and lose everything.
    const std::tuple<std::int32_t, std::int32_t, int> cases[] = {
        {0, 1, 0}, {0, 2, 0},   {-1, 1, 0},       {-2, -3, 0},  {3, 1, 3},
        {3, 2, 6}, {48, 2, 96}, {50, 2, 96},      {200, 1, 96}, {kMax, kMax, 96},
        {3, 0, 3}, {3, -1, 3},  {kMax, kMin, 96},
    };
    TestRecord t;
    for (int k = 0; k < kMaxPictures; ++k) {
        CopyText(t.record.typedAnswers[k], "s" + std::to_string(k));
    }
    for (const auto& [pictures, answersPerPicture, lines] : cases) {
        t.record.pictureCount = pictures;
        t.record.answersPerPicture = answersPerPicture;
        std::string expected;
        for (int k = 0; k < lines; ++k) {
            expected += "s" + std::to_string(k) + "\r\n";
        }
        EXPECT_EQ(FormatProgress(t.record), expected) << pictures << " x " << answersPerPicture;
    }
}

TEST(ProgressFormat, RoundTripsThroughParse) {
    // Every byte but NUL and CR, over and over: what a slot can carry through the file.
    std::string allCarried;
    for (int byte = 1; allCarried.size() < kTextMaxLength; byte = byte % 255 + 1) {
        if (byte != '\r') {
            allCarried += static_cast<char>(byte);
        }
    }
    const Texts texts = {
        "",     "deux mots", "  espaces autour  ", "\xE9t\xE9 \xE0 l'\xEEle \x80\xFF", "",
        "a\nb", allCarried};
    TestRecord t;
    SetSlots(t.record, texts);
    EXPECT_EQ(ParseProgress(FormatProgress(t.record), static_cast<int>(texts.size())), texts);
}

TEST(ProgressParse, SplitsLinesAsTheFileWasAlwaysRead) {
    const std::string x259(259, 'x'), x300(300, 'x');
    const std::tuple<const char*, std::string, int, Texts> cases[] = {
        {"one line, more pictures", "abc\r\n", 3, {"abc", "", ""}},
        {"lone LF is text", "a\nb\r\nc", 2, {"a\nb", "c"}},
        {"CR skips up to its LF", "a\rxyz\nb\r\n", 2, {"a", "b"}},
        {"CR CR LF is one line end", "a\r\r\nb", 2, {"a", "b"}},
        {"zero byte dropped", "a\0b\r\n\0\r\nc"s, 3, {"ab", "", "c"}},
        {"CR without LF skips the rest", "a\r\nb\rcd", 3, {"a", "b", ""}},
        {"CR in the skipped part is skipped too", "a\rb\r\nc\r\nd", 2, {"a", "c"}},
        {"CR at the very end", "a\r", 2, {"a", ""}},
        {"last line without CR LF", "a\r\nbc", 2, {"a", "bc"}},
        {"more pictures than lines", "a\r\nb\r\n", 4, {"a", "b", "", ""}},
        {"lines beyond n ignored", "a\r\nb\r\nc\r\n", 2, {"a", "b"}},
        {"empty file", "", 2, {"", ""}},
        {"bytes above 127 kept", "\xE9t\xE9\r\n\x80\xFF\r\n", 2, {"\xE9t\xE9", "\x80\xFF"}},
        {"n of zero", "a\r\n", 0, {}},
        {"negative n", "a\r\n", -1, {}},
        {"line of 259 kept whole", x259 + "\r\nb\r\n", 2, {x259, "b"}},
        {"long line cut, next in step", x300 + "\r\nb\r\nc", 3, {x259, "b", "c"}},
        {"LF past the cut stays in its line", x300 + "\nz\r\nb\r\n", 2, {x259, "b"}},
        {"zero bytes do not count toward the cut",
         std::string(100, 'x') + std::string(5, '\0') + std::string(200, 'y') + "\r\nnext\r\n",
         2,
         {std::string(100, 'x') + std::string(159, 'y'), "next"}},
        {"long last line without CR LF", x300, 2, {x259, ""}},
    };
    for (const auto& [name, bytes, n, expected] : cases) {
        EXPECT_EQ(ParseProgress(bytes, n), expected) << name;
    }
}

TEST(ProgressCheck, RefusesWhatNoPlayerWrites) {
    using Check = ProgressCheck;
    const std::tuple<const char*, std::string, int, Check> cases[] = {
        {"nothing", "", 3, Check::Ok},
        {"as the players write it", "a\r\n\r\nc\r\n", 3, Check::Ok},
        {"a last line without CR LF", "a\r\nb", 2, Check::Ok},
        {"a tab, a lone LF, DEL, high bytes", "a\tb\nc\x7F\xE9\x92\r\n", 1, Check::Ok},
        {"259 bytes", std::string(259, 'x'), 1, Check::Ok},
        {"NUL after a control character", "\x1B\0"s, 3, Check::NotText},
        {"a lone CR", "a\rb", 3, Check::ControlCharacter},
        {"a CR at the end", "a\r", 3, Check::ControlCharacter},
        {"empty lines count", "\r\n\r\n\r\n\r\n", 3, Check::TooManyLines},
        {"260 bytes", std::string(260, 'x') + "\r\n", 3, Check::LineTooLong},
    };
    for (const auto& [name, bytes, slots, expected] : cases) {
        EXPECT_EQ(CheckProgress(bytes, slots), expected) << name;
    }
}

TEST(ProgressMerge, NeverLosesAFindAndAsksBeforeReplacingAText) {
    using Merge = SlotMerge;
    // Here a text finds its picture when it starts with '+'.
    const auto finds = [](int, std::string_view text) { return !text.empty() && text[0] == '+'; };
    // Stored: another page's save, what the store held; none for a file.
    const std::tuple<const char*, std::string, std::string, const char*, Merge> cases[] = {
        {"the same text", "a", "a", nullptr, Merge::Keep},
        {"a find here stays", "+a", "b", nullptr, Merge::Keep},
        {"a find here stays over another", "+a", "+b", nullptr, Merge::Keep},
        {"a find there is taken", "a", "+b", nullptr, Merge::TakeFind},
        {"an empty slot takes a text", "", "b", nullptr, Merge::Take},
        {"an empty text there brings nothing", "a", "", nullptr, Merge::Keep},
        {"two texts: the player chooses", "a", "b", nullptr, Merge::Ask},
        {"left there as stored", "a", "+s", "+s", Merge::Keep},
        {"a find there since", "a", "+b", "s", Merge::TakeFind},
        {"changed there only", "s", "b", "s", Merge::Take},
        {"changed on both sides: this page's", "a", "b", "s", Merge::Keep},
        {"a find here is not undone there", "+s", "b", "+s", Merge::Keep},
    };
    for (const auto& [name, own, incoming, stored, expected] : cases) {
        const Texts store = stored != nullptr ? Texts{stored} : Texts{};
        EXPECT_EQ(MergeProgress({own}, {incoming}, store, finds), std::vector<Merge>{expected})
            << name;
    }
}

void WriteBytes(const fs::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

class ProgressFile : public ::testing::Test {
protected:
    // What the folder holds besides the progress file: a save's leftovers.
    std::vector<fs::path> Others() const {
        std::vector<fs::path> others;
        for (const auto& entry : fs::directory_iterator(dir_)) {
            if (entry.path() != file_) {
                others.push_back(entry.path());
            }
        }
        std::sort(others.begin(), others.end());
        return others;
    }
    ReplaceStatus Save(const Texts& texts) {
        TestRecord t;
        SetSlots(t.record, texts);
        return SaveProgress(t.record, file_.string());
    }

    testing::ScratchFolder scratch_{"progress"};
    const fs::path dir_ = scratch_.path();
    fs::path file_ = dir_ / "quiz.txt";
};

// Reading back is LoadOverwritesTheFirstPictureSlotsOnly's and RoundTripsThroughParse's.
TEST_F(ProgressFile, SaveReplacesTheFileWhole) {
    // A link where a careless save would put its temporary: never written through.
    const testing::ScratchFolder elsewhere("elsewhere");
    const fs::path victim = elsewhere.path() / "victim";
    WriteBytes(victim, "mine");
    fs::create_symlink(victim, dir_ / "quiz.txt.tmp");
    EXPECT_EQ(Save({"chat", "", "\xE9l\xE9phant", "deux mots"}), ReplaceStatus::Replaced);
    EXPECT_EQ(testing::FileBytes(file_), "chat\r\n\r\n\xE9l\xE9phant\r\ndeux mots\r\n");
    // Made as a plain creation makes a file, not with a temporary's private rights.
    const mode_t mask = ::umask(022);
    ::umask(mask);
    EXPECT_EQ(fs::status(file_).permissions(), static_cast<fs::perms>(0666 & ~mask));
    EXPECT_EQ(Others(), std::vector<fs::path>{dir_ / "quiz.txt.tmp"});
    EXPECT_EQ(testing::FileBytes(victim), "mine");

    // A second, shorter save leaves no tail.
    Save({std::string(200, 'a'), std::string(200, 'b'), "c", "d"});
    Save({"x", "y"});
    EXPECT_EQ(testing::FileBytes(file_), "x\r\ny\r\n");
    EXPECT_EQ(Others().size(), 1u);
}

TEST_F(ProgressFile, SavesABareNameInTheWorkingFolder) {
    const fs::path previous = fs::current_path();
    fs::current_path(dir_);
    file_ = "animaux.txt";
    Save({"loup"});
    fs::current_path(previous);
    file_ = dir_ / "animaux.txt";
    EXPECT_EQ(testing::FileBytes(file_), "loup\r\n");
    EXPECT_TRUE(Others().empty());
}

TEST_F(ProgressFile, LoadOverwritesTheFirstPictureSlotsOnly) {
    std::string lines120;
    Texts first96;
    for (int k = 0; k < 120; ++k) {
        lines120 += "l" + std::to_string(k) + "\r\n";
        if (k < kMaxPictures) {
            first96.push_back("l" + std::to_string(k));
        }
    }
    enum Content { kMissing, kFile, kFolder };
    // Expected: the first slots; "avant" was there before.
    const std::tuple<const char*, Content, std::string, std::int32_t, Texts> cases[] = {
        {"missing file", kMissing, "", 3, {"", "", "", "avant"}},
        {"unreadable (a folder)", kFolder, "", 3, {"", "", "", "avant"}},
        {"empty file", kFile, "", 3, {"", "", "", "avant"}},
        {"fewer lines", kFile, "un\r\ndeux\r\n", 3, {"un", "deux", "", "avant"}},
        {"more lines", kFile, "un\r\ndeux\r\ntrois\r\nq\r\n", 3, {"un", "deux", "trois", "avant"}},
        {"more pictures than slots", kFile, lines120, 500, first96},
        {"negative picture count", kFile, lines120, -1, {"avant"}},
    };
    for (const auto& [name, content, bytes, pictures, expected] : cases) {
        SCOPED_TRACE(name);
        fs::remove_all(file_);
        if (content == kFile) {
            WriteBytes(file_, bytes);
        } else if (content == kFolder) {
            fs::create_directory(file_);
        }
        TestRecord t;
        FillAllSlots(t.record, "avant");
        t.record.pictureCount = pictures;
        LoadProgress(t.record, file_.string());
        EXPECT_EQ(Slots(t.record, expected.size()), expected);
    }
}

TEST_F(ProgressFile, SaveWhereNoFileCanBeMadeWritesNothing) {
    fs::create_directory(file_);
    WriteBytes(file_ / "inside", "x");
    EXPECT_EQ(Save({"nouveau"}), ReplaceStatus::IsFolder);
    EXPECT_EQ(testing::FileBytes(file_ / "inside"), "x");
    file_ = dir_ / "absent" / "quiz.txt";
    EXPECT_EQ(Save({"un"}), ReplaceStatus::NoTemporary);
    EXPECT_EQ(Others(), std::vector<fs::path>{dir_ / "quiz.txt"});
}

// Runs body in a child process, whose limits, identity and mounts stay its
// own; its exit status, or -1 when it did not exit.
int InChild(const std::function<int()>& body) {
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::_exit(body());
    }
    int status = 0;
    return pid > 0 && ::waitpid(pid, &status, 0) == pid && WIFEXITED(status) ? WEXITSTATUS(status)
                                                                             : -1;
}

constexpr int kCannotTest = 77;

// Root writes into any folder: it becomes nobody, or else the folder is bound
// read-only in a mount namespace of the child's own. Ends in the folder, so
// that nobody need not reach it from the root.
bool EnterUnwritableFolder(const fs::path& folder) {
    if (::chdir(folder.c_str()) != 0) {
        return false;
    }
    fs::permissions(folder, static_cast<fs::perms>(0555));
    if (::geteuid() == 0) {
        const bool dropped = ::setgroups(0, nullptr) == 0 &&
                             ::setresgid(65534, 65534, 65534) == 0 &&
                             ::setresuid(65534, 65534, 65534) == 0;
        if (!dropped && (::unshare(CLONE_NEWNS) != 0 ||
                         ::mount("none", "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
                         ::mount(folder.c_str(), folder.c_str(), nullptr, MS_BIND, nullptr) != 0 ||
                         ::mount("none", folder.c_str(), nullptr, MS_BIND | MS_REMOUNT | MS_RDONLY,
                                 nullptr) != 0 ||
                         ::chdir(folder.c_str()) != 0)) {  // the bound folder, not the one beneath
            return false;
        }
    }
    return !std::ofstream("probe");
}

// body's verdict, run in a child inside folder made unwritable; kCannotTest
// where this machine allows neither way.
int InUnwritableFolder(const fs::path& folder, const std::function<bool()>& body) {
    return InChild([&] { return !EnterUnwritableFolder(folder) ? kCannotTest : body() ? 0 : 1; });
}

TEST_F(ProgressFile, SaveIntoAReadOnlyFolderKeepsTheOldFile) {
    WriteBytes(file_, "ancien\r\n");
    // Writable by anyone: only the folder may stop a save that writes in place.
    fs::permissions(file_, static_cast<fs::perms>(0226), fs::perm_options::add);
    const int status = InUnwritableFolder(dir_, [] {
        TestRecord t;
        SetSlots(t.record, {"nouveau"});
        return SaveProgress(t.record, "quiz.txt") == ReplaceStatus::NoTemporary;
    });
    if (status == kCannotTest && std::getenv("CI") == nullptr) {
        GTEST_SKIP() << "neither dropping root nor a read-only bind mount is allowed here";
    }
    ASSERT_EQ(status, 0);
    EXPECT_EQ(testing::FileBytes(file_), "ancien\r\n");
    EXPECT_TRUE(Others().empty());
}

// A quiz that came with a progress file, in a folder the player cannot write:
// it reads that file, then saves into a state folder it makes, which wins
// from then on. Where it can write, the file beside it wins and is written.
TEST_F(ProgressFile, UnwritableFolderSavesInTheStateFolderAndReadsItBack) {
    WriteBytes(file_, "ancien\r\n");
    const testing::ScratchFolder stateRoot("state");
    fs::permissions(stateRoot.path(), fs::perms::all);  // nobody makes the folder
    const std::string program = (dir_ / "quiz").string();
    const ProgressPlaces places = ProgressPlacesOf(program, stateRoot.path().c_str(), nullptr);
    const int status = InUnwritableFolder(dir_, [&] {
        const bool shipped = ProgressFileToLoad(places) == file_.string();
        const std::string saved = ProgressFileToSave(places);
        TestRecord t;
        SetSlots(t.record, {"nouveau"});
        SaveProgress(t.record, saved);
        return shipped && saved == places.inState && ProgressFileToLoad(places) == places.inState;
    });
    if (status == kCannotTest && std::getenv("CI") == nullptr) {
        GTEST_SKIP() << "neither dropping root nor a read-only bind mount is allowed here";
    }
    ASSERT_EQ(status, 0);
    EXPECT_EQ(testing::FileBytes(file_), "ancien\r\n");
    EXPECT_EQ(testing::FileBytes(places.inState), "nouveau\r\n");
    EXPECT_EQ(fs::status(places.stateFolder).permissions(), fs::perms::owner_all);

    fs::permissions(dir_, fs::perms::owner_all, fs::perm_options::add);
    EXPECT_EQ(ProgressFileToLoad(places), file_.string());
    EXPECT_EQ(ProgressFileToSave(places), file_.string());
    fs::remove(file_);
    EXPECT_EQ(ProgressFileToLoad(places), places.inState);
}

// A disk that fills up: the file size limit stops the temporary file at once
// or half-way through; once lifted, the same save goes through.
TEST_F(ProgressFile, DiskFullBeforeOrDuringTheWriteKeepsTheOldFile) {
    TestRecord big;
    SetSlots(big.record, Texts(96, std::string(250, 'n')));
    const std::string newBytes = FormatProgress(big.record);
    for (const rlim_t limit : {rlim_t{0}, rlim_t{1}, rlim_t{8192}, rlim_t{newBytes.size() - 1}}) {
        SCOPED_TRACE(limit);
        WriteBytes(file_, "ancien\r\n");
        const int status = InChild([&] {
            const rlimit size{limit, limit};
            std::signal(SIGXFSZ, SIG_IGN);  // a failed write, not a dead process
            const bool limited = ::setrlimit(RLIMIT_FSIZE, &size) == 0;
            return limited ? SaveProgress(big.record, file_.string()) != ReplaceStatus::WriteFailed
                           : 2;
        });
        ASSERT_EQ(status, 0);
        EXPECT_EQ(testing::FileBytes(file_), "ancien\r\n");
        EXPECT_TRUE(Others().empty());
    }
    SaveProgress(big.record, file_.string());
    EXPECT_EQ(testing::FileBytes(file_), newBytes);
}

// A save killed at any moment leaves the old file or the new one, whole, and
// what it leaves behind does not stop the next save. The kills land from the
// start of the first save to four times its length, so before and after its rename.
TEST_F(ProgressFile, KilledWhileSavingLeavesTheOldOrTheNewFile) {
    TestRecord next;
    SetSlots(next.record, Texts(96, std::string(259, 'n')));
    const std::string oldBytes(96 * 302, 'o'), newBytes = FormatProgress(next.record);
    using Clock = std::chrono::steady_clock;
    std::vector<Clock::duration> saves;
    for (int k = 0; k < 5; ++k) {
        const Clock::time_point start = Clock::now();
        SaveProgress(next.record, file_.string());
        saves.push_back(Clock::now() - start);
    }
    std::sort(saves.begin(), saves.end());
    const auto saveUs = std::max<std::int64_t>(
        std::chrono::duration_cast<std::chrono::microseconds>(saves[2]).count(), 100);
    std::mt19937 random(::testing::UnitTest::GetInstance()->random_seed());
    std::uniform_int_distribution<std::int64_t> delayUs(0, 4 * saveUs);
    int oldKept = 0, interrupted = 0, run = 0;
    for (; run < 60 || ((interrupted < 5 || oldKept == 0 || oldKept == run) && run < 300); ++run) {
        WriteBytes(file_, oldBytes);
        int ready[2];
        ASSERT_EQ(::pipe(ready), 0);
        const std::size_t before = Others().size();
        const pid_t pid = ::fork();
        if (pid == 0) {
            for (bool told = ::write(ready[1], "s", 1) == 1; told;) {
                SaveProgress(next.record, file_.string());
            }
            ::_exit(1);
        }
        char byte = 0;
        const bool started = pid > 0 && ::read(ready[0], &byte, 1) == 1;
        ::close(ready[0]);
        ::close(ready[1]);
        if (started) {
            std::this_thread::sleep_for(std::chrono::microseconds(delayUs(random)));
        }
        ::kill(pid, SIGKILL);
        ::waitpid(pid, nullptr, 0);
        ASSERT_TRUE(started) << "run " << run << ": the saving process did not start";
        const std::string bytes = testing::FileBytes(file_);
        ASSERT_TRUE(bytes == oldBytes || bytes == newBytes)
            << "run " << run << ": " << bytes.size() << " bytes, neither old nor new";
        oldKept += bytes == oldBytes;
        interrupted += Others().size() > before;
    }
    RecordProperty("kills", run);
    RecordProperty("before_the_first_rename", oldKept);
    RecordProperty("mid_save", interrupted);
    ASSERT_GT(interrupted, 0) << "no kill out of " << run << " landed inside a save";
    ASSERT_GT(oldKept, 0) << "no kill out of " << run << " landed before the first rename";
    ASSERT_LT(oldKept, run) << "no kill out of " << run << " landed after the first rename";
    // Only temporaries of its own, hidden beside the file, each a part of the new bytes.
    const std::vector<fs::path> leftovers = Others();
    for (const fs::path& leftover : leftovers) {
        EXPECT_EQ(leftover.filename().string().rfind(".quiz.txt.", 0), 0u) << leftover;
        EXPECT_EQ(newBytes.rfind(testing::FileBytes(leftover), 0), 0u) << leftover;
    }
    WriteBytes(file_, oldBytes);
    EXPECT_EQ(SaveProgress(next.record, file_.string()), ReplaceStatus::Replaced);
    EXPECT_EQ(testing::FileBytes(file_), newBytes);
    EXPECT_EQ(Others(), leftovers);
}

}  // namespace
}  // namespace brivel
