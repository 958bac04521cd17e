#include "quiz/res_file.h"
#include "maker/res_writer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <tuple>
#include <vector>

#include "scratch_folder.h"

namespace brivel {
namespace {

namespace fs = std::filesystem;

std::vector<std::uint8_t> Data(const std::string& text) {
    return {text.begin(), text.end()};
}

ResReadResult Read(const std::string& file) {
    return ReadResFile(reinterpret_cast<const std::uint8_t*>(file.data()), file.size());
}

bool Same(const std::vector<ResEntry>& a, const std::vector<ResEntry>& b) {
    const auto tie = [](const ResEntry& e) {
        return std::tie(e.type.name, e.type.number, e.id, e.language, e.data);
    };
    return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                      [&](const ResEntry& x, const ResEntry& y) { return tie(x) == tie(y); });
}

// With the 4-byte id, the types take 14 ("DATA"), 16 ("PATCH"), 8 (RCDATA) and
// 12 ("IMG") bytes: header padding 2, 0, 0, 0; data padding 1, 3, 0, 0.
const std::vector<ResEntry> kEntries = {
    {ResourceType::Named("DATA"), 7, 0, Data("xyz")},
    {ResourceType::Named("PATCH"), 104, 0x040C, {1, 2, 0xFF, 0, 0x7C}},
    {ResourceType::Numbered(kRcData), 401, 0x0409, Data("four")},
    {ResourceType::Named("IMG"), 1, 0, {}},
};

// What `windres -O res` writes for `104 PATCH "f"` and `401 RCDATA "f"`, f
// holding "abc".
const std::string kWindresFile = std::string(
    "\0\0\0\0\x20\0\0\0\xFF\xFF\0\0\xFF\xFF\0\0"
    "\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0"
    "\x03\0\0\0\x28\0\0\0P\0A\0T\0C\0"
    "H\0\0\0\xFF\xFF\x68\0\0\0\0\0\x30\x10\x09\x04"
    "\0\0\0\0\0\0\0\0abc\0"
    "\x03\0\0\0\x20\0\0\0\xFF\xFF\x0A\0\xFF\xFF\x91\x01"
    "\0\0\0\0\x30\x10\x09\x04\0\0\0\0\0\0\0\0abc\0",
    112);

TEST(ResFile, WritesWhatWindresWritesAndFindsByTypeAndId) {
    const std::string file =
        WriteResFile({{ResourceType::Named("PATCH"), 104, 0x0409, Data("abc")},
                      {ResourceType::Numbered(kRcData), 401, 0x0409, Data("abc")}});
    EXPECT_EQ(file, kWindresFile);

    ResFileResources resources(Read(kWindresFile).entries);
    EXPECT_EQ(resources.Find(ResourceType::Named("PATCH"), 104), Data("abc"));
    EXPECT_EQ(resources.Find(ResourceType::Named("patch"), 104), Data("abc"));
    EXPECT_EQ(resources.Find(ResourceType::Numbered(kRcData), 401), Data("abc"));
    EXPECT_FALSE(resources.Find(ResourceType::Named("PATCH"), 105));
    EXPECT_FALSE(resources.Find(ResourceType::Numbered(kRcData), 104));
    EXPECT_FALSE(resources.Find(ResourceType::Named("PATCH"), 401));
}

TEST(ResFile, ReadsBackWhatWasWrittenAndRefusesDamage) {
    const std::string good = WriteResFile(kEntries);
    const ResReadResult read = Read(good);
    ASSERT_EQ(read.status, ResStatus::Ok) << ResStatusName(read.status);
    EXPECT_TRUE(Same(read.entries, kEntries));
    const ResReadResult none = Read(WriteResFile({}));
    EXPECT_EQ(none.status, ResStatus::Ok);
    EXPECT_TRUE(none.entries.empty());

    // Where each entry starts; a cut there leaves a valid, shorter file.
    const std::vector<std::size_t> starts = {32, 32 + 40 + 4, 76 + 40 + 8, 124 + 32 + 4, 196};
    ASSERT_EQ(good.size(), 196u);
    for (std::size_t length = 0; length < good.size(); ++length) {
        const bool boundary = std::find(starts.begin(), starts.end(), length) != starts.end();
        EXPECT_EQ(Read(good.substr(0, length)).status == ResStatus::Ok, boundary)
            << "cut at " << length;
    }

    // at: where the patch goes into the good file
    const std::tuple<const char*, std::size_t, std::string, ResStatus> cases[] = {
        {"a 16-bit .res", 0, std::string("\xFF\x0A\0", 3), ResStatus::MissingEmptyEntry},
        {"DataSize reaching past the end", 160, "\xFF\xFF\xFF\xFF", ResStatus::DataPastEnd},
        {"HeaderSize past the end", 36, "\xFF\xFF\xFF\xFF", ResStatus::TruncatedHeader},
        {"HeaderSize 0", 36, std::string("\0\0\0\0", 4), ResStatus::BadHeaderSize},
        {"HeaderSize 28", 36, std::string("\x1C\0\0\0", 4), ResStatus::BadHeaderSize},
        {"HeaderSize not a multiple of 4", 36, std::string("\x29\0\0\0", 4),
         ResStatus::BadHeaderSize},
        {"HeaderSize with room to spare", 36, std::string("\x2C\0\0\0", 4),
         ResStatus::BadHeaderSize},
        {"unterminated type name", 48, "A\1A\1A\1A\1", ResStatus::UnterminatedName},
        {"non-zero padding after the name", 54, "\1", ResStatus::BadPadding},
        {"non-zero padding after the data", 75, "\1", ResStatus::BadPadding},
    };
    for (const auto& [why, at, patch, status] : cases) {
        std::string bad = good;
        bad.replace(at, patch.size(), patch);
        EXPECT_EQ(Read(bad).status, status) << why << ": " << ResStatusName(Read(bad).status);
    }
    EXPECT_EQ(Read(good + std::string(4, '\0')).status, ResStatus::TruncatedHeader);
    // The first entry's data fits, its padding byte does not.
    EXPECT_EQ(Read(good.substr(0, 75)).status, ResStatus::DataPastEnd);
}

class ResFileWindres : public ::testing::Test {
protected:
    void SetUp() override {
        if (std::system("command -v x86_64-w64-mingw32-windres >/dev/null 2>&1") != 0) {
            GTEST_SKIP() << "x86_64-w64-mingw32-windres not found";
        }
    }

    fs::path Write(const std::string& name, const std::string& bytes) const {
        std::ofstream(dir_ / name, std::ios::binary) << bytes;
        return dir_ / name;
    }
    static int Windres(const fs::path& in, const std::string& format, const fs::path& out) {
        const std::string command = "x86_64-w64-mingw32-windres -i '" + in.string() + "' -O " +
                                    format + " -o '" + out.string() + "'";
        return std::system(command.c_str());
    }

    testing::ScratchFolder scratch_{"res"};
    const fs::path dir_ = scratch_.path();
};

TEST_F(ResFileWindres, AcceptsOurFile) {
    const fs::path ours = Write("ours.res", WriteResFile(kEntries));
    EXPECT_EQ(Windres(ours, "coff", dir_ / "out.o"), 0);
    // Back through windres as .res (it sorts them): every entry must survive.
    ASSERT_EQ(Windres(ours, "res", dir_ / "back.res"), 0);
    const ResReadResult back = Read(testing::FileBytes(dir_ / "back.res"));
    ASSERT_EQ(back.status, ResStatus::Ok) << ResStatusName(back.status);
    for (const ResEntry& entry : kEntries) {
        EXPECT_EQ(std::count_if(back.entries.begin(), back.entries.end(),
                                [&](const ResEntry& e) { return Same({e}, {entry}); }),
                  1)
            << entry.type.name << entry.type.number << " " << entry.id;
    }
    EXPECT_EQ(back.entries.size(), kEntries.size());
}

TEST_F(ResFileWindres, ReadsWindresFile) {
    const fs::path patch = Write("patch.bin", "\x01|\xFF");
    const std::string rcdata = " RCDATA \"" + Write("rcdata.bin", "abcdef").string() + "\"\n";
    const fs::path rc = Write(
        "quiz.rc", "104 PATCH \"" + patch.string() + "\"\nMAINICON" + rcdata + "401" + rcdata);
    ASSERT_EQ(Windres(rc, "res", dir_ / "quiz.res"), 0);
    const ResReadResult read = Read(testing::FileBytes(dir_ / "quiz.res"));
    ASSERT_EQ(read.status, ResStatus::Ok) << ResStatusName(read.status);
    // The named MAINICON is skipped: nothing can ask for it.
    EXPECT_EQ(read.entries.size(), 2u);
    ResFileResources resources(read.entries);
    EXPECT_EQ(resources.Find(ResourceType::Named("PATCH"), 104), Data("\x01|\xFF"));
    EXPECT_EQ(resources.Find(ResourceType::Numbered(kRcData), 401), Data("abcdef"));
}

}  // namespace
}  // namespace brivel
