#include "quiz/appended_bundle.h"
#include "maker/appended_bundle_writer.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <tuple>
#include <vector>

#include "scratch_folder.h"

namespace brivel {
namespace {

const std::uint8_t* Bytes(const std::string& s) {
    return reinterpret_cast<const std::uint8_t*>(s.data());
}

std::string Trailer(std::uint64_t length) {
    std::string trailer;
    for (int i = 0; i < 8; ++i) {
        trailer.push_back(static_cast<char>((length >> (8 * i)) & 0xff));
    }
    return trailer + "BRVLQUIZ";
}

BundleStatus ReadThroughFile(const std::string& contents, std::vector<std::uint8_t>& bundle) {
    testing::ScratchFolder folder("bundle");
    const std::string path = (folder.path() / "quiz").string();
    std::ofstream(path, std::ios::binary) << contents;
    return ReadAppendedBundle(path, bundle);
}

TEST(AppendedBundle, AppendReplacesTheOldBundleAndIsFoundInMemoryAndOnDisk) {
    const std::string player = std::string("\x7f") + "ELF" + std::string(100, '\0');
    const std::string bundle("bundle\0bytes", 12);
    const std::string quiz = AppendBundle(AppendBundle(player, "first"), bundle);
    ASSERT_EQ(quiz, player + bundle + Trailer(12));
    // An empty bundle is still a bundle: the trailer alone.
    EXPECT_EQ(AppendBundle(player, ""), player + Trailer(0));

    std::size_t offset = 0, length = 0;
    ASSERT_EQ(LocateBundle(Bytes(quiz), quiz.size(), offset, length), BundleStatus::Ok);
    EXPECT_EQ(quiz.substr(offset, length), bundle);
    EXPECT_EQ(BareSize(Bytes(quiz), quiz.size()), player.size());
    std::vector<std::uint8_t> read;
    ASSERT_EQ(ReadThroughFile(quiz, read), BundleStatus::Ok);
    EXPECT_EQ(std::string(read.begin(), read.end()), bundle);
}

TEST(AppendedBundle, DamagedTrailersAreRefused) {
    const std::string body(40, 'x');
    const std::tuple<const char*, std::string, BundleStatus> cases[] = {
        {"empty file", "", BundleStatus::NoBundle},
        {"shorter than a trailer", "BRVLQUIZ", BundleStatus::NoBundle},
        {"bare player", body, BundleStatus::NoBundle},
        {"magic one byte off", body + Trailer(4).substr(0, 15) + "Y", BundleStatus::NoBundle},
        {"size one past the start", body + Trailer(41), BundleStatus::BadSize},
        {"size near 2^64", body + Trailer(~0ull), BundleStatus::BadSize},
        {"size reaching the start exactly", body + Trailer(40), BundleStatus::Ok},
    };
    for (const auto& [name, file, expected] : cases) {
        SCOPED_TRACE(name);
        std::size_t offset = 0, length = 0;
        EXPECT_EQ(LocateBundle(Bytes(file), file.size(), offset, length), expected);
        // A failed read leaves the caller's buffer as it was.
        std::vector<std::uint8_t> bundle{1, 2, 3};
        EXPECT_EQ(ReadThroughFile(file, bundle), expected);
        EXPECT_EQ(std::string(bundle.begin(), bundle.end()),
                  expected == BundleStatus::Ok ? body : std::string("\1\2\3"));
    }
}

TEST(AppendedBundle, MissingFileIsAReadError) {
    std::vector<std::uint8_t> bundle;
    EXPECT_EQ(ReadAppendedBundle("/nonexistent/brivel-player", bundle), BundleStatus::ReadError);
}

}  // namespace
}  // namespace brivel
