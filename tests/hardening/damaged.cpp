// Damaged quizzes: the Linux quiz cut short and its trailer lying about the
// bundle's size; the Windows quiz damaged inside the data of its quiz texts
// and of its first picture. Random bit flips are the fuzzers' part. A player must show its
// message or play (the quiz, or test mode), and end cleanly when closed.
//
// Only the quiz's own bytes are damaged: the program in front of a Linux
// bundle and the PE headers of a Windows quiz are the system loader's
// business, not the player's.

#include <sys/wait.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <initializer_list>
#include <map>
#include <string>
#include <vector>

#include "maker/pe_resources.h"
#include "quiz/appended_bundle.h"
#include "x_player.h"

namespace hardening {

namespace {

namespace fs = std::filesystem;
using brivel::kBundleMagic;
using brivel::kBundleTrailerSize;

// A damaged copy of the quiz: its first `keep` bytes, then `tail`. Only the
// tails are held, not a copy of the program each.
struct Variant {
    std::string name;
    std::size_t keep = 0;
    std::string tail;
};

std::uint64_t ReadLe64(const std::string& bytes, std::size_t at) {
    std::uint64_t value = 0;
    for (int i = 7; i >= 0; --i) {
        value = value << 8 | static_cast<std::uint8_t>(bytes[at + static_cast<std::size_t>(i)]);
    }
    return value;
}

// The bundle's size, little-endian, then the magic.
std::string Trailer(std::uint64_t size) {
    std::string bytes(8, '\0');
    for (std::size_t i = 0; i < 8; ++i) {
        bytes[i] = static_cast<char>(size >> (8 * i) & 0xFF);
    }
    return bytes + kBundleMagic;
}

std::vector<Variant> LinuxVariants(const std::string& quiz) {
    std::vector<Variant> variants;
    const std::size_t size = quiz.size();
    if (size < kBundleTrailerSize || quiz.compare(size - 8, 8, kBundleMagic) != 0) {
        Fail("the quiz has no bundle trailer");
    }
    const std::uint64_t bundleSize = ReadLe64(quiz, size - kBundleTrailerSize);
    const std::size_t bundleAt = size - kBundleTrailerSize - bundleSize;
    const std::string bundle = quiz.substr(bundleAt, bundleSize);
    const auto add = [&variants](std::string name, std::size_t keep, std::string tail) {
        variants.push_back({std::move(name), keep, std::move(tail)});
    };

    add("intact", size, {});
    // Cut short: the trailer goes, all of it or only its end.
    using Sizes = std::initializer_list<std::size_t>;
    for (std::size_t cut :
         Sizes{1, 8, 15, 16, 17, 16 + bundleSize / 2, 16 + bundleSize - 33, 16 + bundleSize}) {
        add("cut-" + std::to_string(cut) + "-from-end", size - cut, {});
    }
    // The bundle cut, the trailer kept: it claims more than is left.
    for (std::size_t keep : Sizes{0, 32, 100, bundleSize / 2, bundleSize - 1}) {
        add("bundle-cut-to-" + std::to_string(keep) + "-old-trailer", bundleAt,
            bundle.substr(0, keep) + Trailer(bundleSize));
    }
    // The bundle cut and the trailer telling its new size.
    for (std::size_t keep : Sizes{16, 40, 200, bundleSize / 3, bundleSize - 4}) {
        add("bundle-cut-to-" + std::to_string(keep), bundleAt,
            bundle.substr(0, keep) + Trailer(keep));
    }
    // The trailer's size lies; the last three wrap around when added to the
    // trailer's size or to the bytes before the trailer.
    const std::uint64_t before = size - kBundleTrailerSize;
    constexpr std::uint64_t kAll = ~std::uint64_t{0};
    for (std::uint64_t lie : std::initializer_list<std::uint64_t>{
             0, 1, 31, 32, bundleSize - 1, bundleSize + 1, bundleSize + 4, before, before + 1,
             bundleSize + (std::uint64_t{1} << 32), std::uint64_t{1} << 63, kAll, kAll - 15,
             kAll - before + 1}) {
        add("size-" + std::to_string(lie), bundleAt, bundle + Trailer(lie));
    }
    std::string magic = Trailer(bundleSize);
    magic.back() ^= 1;
    add("magic-flipped", size - kBundleTrailerSize, magic);

    return variants;
}

struct Outcome {
    std::vector<std::string> messages;  // captions of the message boxes answered
    std::string title;                  // of the main window
};

// Answers every message box of the player, counting them.
bool AnswerMessages(XSession& x, Player& player, Outcome& outcome) {
    bool answered = false;
    for (const TopWindow& w : x.WindowsOf(player.pid())) {
        if (w.className == kMainClass) {
            continue;
        }
        if (w.title != "Brivel" && w.title != "information" && w.title != "APPNAME") {
            Fail("unexpected window \"%s\" of class %s", w.title.c_str(), w.className.c_str());
        }
        outcome.messages.push_back(w.title);
        x.Close(w.id);
        answered = true;
        const std::int64_t end = NowMs() + 3000;
        for (;;) {
            const auto now = x.WindowsOf(player.pid());
            if (std::none_of(now.begin(), now.end(),
                             [&w](const TopWindow& t) { return t.id == w.id; })) {
                break;
            }
            if (NowMs() > end) {
                Fail("the message box \"%s\" stays after being closed", w.title.c_str());
            }
            SleepMs(5);
        }
    }
    return answered;
}

// Plays one quiz file: message boxes answered, every picture visited, closed.
Outcome Play(XSession& x, const std::string& program, const std::string& folder,
             const std::string& name, bool checkPictures) {
    Outcome outcome;
    Player player(program, folder);
    TopWindow main;
    for (int boxes = 0;; ++boxes) {
        const TopWindow w = WaitWindow(x, player, 10000, name.c_str());
        if (w.className == kMainClass) {
            main = w;
            break;
        }
        if (boxes > 4) {
            Fail("%s: message box after message box", name.c_str());
        }
        AnswerMessages(x, player, outcome);
    }
    outcome.title = main.title;
    // One more move than the sample has pictures: every picture is decoded.
    std::vector<unsigned long> before =
        x.Grid(main.id, kPictureX, kPictureY, kPictureW, kPictureH, 40);
    for (int k = 0; k < 22; ++k) {
        x.Click(main.id, kNextX, kNextY);
        x.Flush();
        if (!checkPictures) {
            continue;
        }
        // Sample pictures differ from one another: the move must show.
        const std::int64_t end = NowMs() + 3000;
        std::vector<unsigned long> now;
        do {
            SleepMs(5);
            now = x.Grid(main.id, kPictureX, kPictureY, kPictureW, kPictureH, 40);
        } while (now == before && NowMs() < end);
        if (now == before) {
            Fail("%s: move %d did not change the picture", name.c_str(), k + 1);
        }
        before = now;
    }
    // The player takes the close after every move, as events from one client
    // come in order: a clean end means every picture was decoded without harm.
    // A message box on the way (modal) may swallow moves; it is answered and
    // the close sent again.
    int status = 0;
    const std::int64_t end = NowMs() + 10000;
    x.Close(main.id);
    while (!player.WaitEnd(20, status)) {
        if (AnswerMessages(x, player, outcome)) {
            x.Close(main.id);
        }
        if (NowMs() > end) {
            Fail("%s: the player did not end after being closed", name.c_str());
        }
    }
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        Fail("%s: the player ended with %s", name.c_str(), DescribeEnd(status).c_str());
    }
    return outcome;
}

}  // namespace

int DamagedLinuxQuizzes(const std::string& quizPath, const std::string& work) {
    std::string quiz;
    if (!ReadFile(quizPath, quiz)) {
        Fail("cannot read %s", quizPath.c_str());
    }
    const std::string folder = work + "/damaged";
    fs::remove_all(folder);
    fs::create_directories(folder);
    const std::vector<Variant> variants = LinuxVariants(quiz);
    XSession x;
    std::map<std::string, int> outcomes;
    const std::int64_t started = NowMs();
    for (const Variant& v : variants) {
        // A fresh file each time: the last one may still be mapped.
        const std::string program = folder + "/quiz";
        WriteFile(program + ".new", quiz.substr(0, v.keep) + v.tail, true);
        fs::rename(program + ".new", program);
        fs::remove(folder + "/quiz.txt");
        const Outcome outcome = Play(x, program, folder, v.name, v.name == "intact");
        std::string summary;
        for (const std::string& m : outcome.messages) {
            summary += "message \"" + m + "\", ";
        }
        summary += "window \"" + outcome.title + "\"";
        if (v.name == "intact" && !outcome.messages.empty()) {
            Fail("the intact quiz shows a message");
        }
        if ((v.name == "magic-flipped" || v.name == "cut-16-from-end") &&
            outcome.title != "Nom du brivel") {
            Fail("%s: a quiz without its trailer does not run in test mode (%s)", v.name.c_str(),
                 summary.c_str());
        }
        std::printf("  %-40s %s\n", v.name.c_str(), summary.c_str());
        ++outcomes[summary];
    }
    std::printf("damaged Linux quizzes: %zu variants in %lld ms, none crashed; outcomes:\n",
                variants.size(), static_cast<long long>(NowMs() - started));
    for (const auto& [summary, n] : outcomes) {
        std::printf("  %3d x %s\n", n, summary.c_str());
    }
    return 0;
}

int WriteWindowsVariants(const std::string& exePath, const std::string& folder) {
    std::string exe;
    if (!ReadFile(exePath, exe)) {
        Fail("cannot read %s", exePath.c_str());
    }
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(exe.data());
    const brivel::PeTreeResult tree = brivel::ReadPeResourceTree(bytes, exe.size());
    if (tree.status != brivel::PeStatus::Ok) {
        Fail("%s: %s", exePath.c_str(), brivel::PeStatusName(tree.status));
    }
    // The data's place in the file: found by its bytes, which must occur once.
    const auto locate = [&](const char* typeName, std::uint32_t id) {
        const std::u16string type(typeName, typeName + std::char_traits<char>::length(typeName));
        for (const brivel::PeResource& r : tree.resources) {
            if (!r.type.named || r.type.name != type || r.name.named || r.name.id != id) {
                continue;
            }
            const std::string data(r.data.begin(), r.data.end());
            const std::size_t at = exe.find(data);
            if (at == std::string::npos || exe.find(data, at + 1) != std::string::npos) {
                Fail("%s %u: its data is not found exactly once in the file", typeName, id);
            }
            return std::pair<std::size_t, std::size_t>(at, data.size());
        }
        Fail("%s has no %s %u", exePath.c_str(), typeName, id);
    };
    struct Target {
        const char* label;
        std::pair<std::size_t, std::size_t> place;
    };
    const Target targets[] = {
        {"patch104", locate("PATCH", 104)},
        {"patch105", locate("PATCH", 105)},
        {"img401", locate("IMG", 401)},
    };
    fs::create_directories(folder);
    int written = 0;
    const auto write = [&](const std::string& name, const std::string& damaged) {
        char prefix[16];
        std::snprintf(prefix, sizeof prefix, "%02d-", ++written);
        WriteFile(folder + "/" + prefix + name + ".exe", damaged, true);
    };
    write("intact", exe);
    for (const Target& t : targets) {
        const auto [at, length] = t.place;
        const std::string label = t.label;
        std::string zeros = exe;
        std::fill_n(zeros.begin() + static_cast<std::ptrdiff_t>(at), length, '\0');
        write(label + "-zeroed", zeros);
        std::string ones = exe;
        std::fill_n(ones.begin() + static_cast<std::ptrdiff_t>(at + length / 2),
                    length - length / 2, '\xFF');
        write(label + "-second-half-ff", ones);
        std::string head = exe;
        // Three bits of the first eight bytes: the headers the readers look at first.
        for (const std::size_t i : {std::size_t{0}, std::size_t{3}, std::size_t{7}}) {
            head[at + std::min(i, length - 1)] ^= static_cast<char>(0x80 >> i);
        }
        write(label + "-head-flip", head);
    }
    // The picture's JPEG markers: an early end, and a frame far too large or empty.
    const auto [imgAt, imgLength] = targets[2].place;
    std::string early = exe;
    early[imgAt + imgLength / 3] = '\xFF';
    early[imgAt + imgLength / 3 + 1] = '\xD9';
    write("img401-early-eoi", early);
    const std::size_t frame = exe.find("\xFF\xC0", imgAt);
    if (frame == std::string::npos || frame > imgAt + imgLength) {
        Fail("IMG 401 has no baseline frame marker");
    }
    for (const auto& [label, value] : {std::pair<const char*, char>{"huge", '\xFF'},
                                       std::pair<const char*, char>{"empty", '\0'}}) {
        std::string sized = exe;
        for (std::size_t i = frame + 5; i < frame + 9; ++i) {
            sized[i] = value;
        }
        write(std::string("img401-frame-") + label, sized);
    }
    std::printf(
        "wrote %d Windows quiz variants to %s (PATCH 104 at %zu, 105 at %zu, IMG 401 at "
        "%zu)\n",
        written, folder.c_str(), targets[0].place.first, targets[1].place.first, imgAt);
    return 0;
}

}  // namespace hardening
