#include "maker/pe_resources.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "pe_image.h"

namespace brivel {
namespace {

using namespace testing;  // the image (pe_image.h)

// Every read goes through an exact-size copy, so that AddressSanitizer sees
// the smallest overread.
PeTreeResult ReadTree(const std::string& image) {
    const std::vector<std::uint8_t> copy(image.begin(), image.end());
    return ReadPeResourceTree(copy.data(), copy.size());
}
PeWriteResult Add(const std::string& image, const std::vector<ResEntry>& added) {
    const std::vector<std::uint8_t> copy(image.begin(), image.end());
    return AddPeResources(copy.data(), copy.size(), added);
}

std::vector<std::uint8_t> Data(const std::string& text) {
    return {text.begin(), text.end()};
}

// A leaf as "type/name/language/codepage=data", names as ASCII.
std::string Describe(const PeResource& r) {
    const auto key = [](const PeResourceKey& k) {
        return k.named ? std::string(k.name.begin(), k.name.end()) : std::to_string(k.id);
    };
    return key(r.type) + "/" + key(r.name) + "/" + key(r.language) + "/" +
           std::to_string(r.codePage) + "=" + std::string(r.data.begin(), r.data.end());
}

std::vector<std::string> Describe(const PeTreeResult& tree) {
    std::vector<std::string> out;
    for (const PeResource& r : tree.resources) {
        out.push_back(Describe(r));
    }
    return out;
}

std::size_t ChecksumField(const std::string& image) {
    return Get(image, 0x3C) + 24 + 64;
}

// The checksum the other usual way: 32-bit words with end-around carry, folded.
std::uint32_t ReferenceChecksum(const std::string& file) {
    const std::size_t field = ChecksumField(file);
    std::uint64_t sum = 0;
    for (std::size_t i = 0; i < file.size(); i += 4) {
        std::uint32_t word = 0;
        for (std::size_t k = 0; k < 4 && i + k < file.size(); ++k) {
            word |= std::uint32_t{static_cast<std::uint8_t>(file[i + k])} << 8 * k;
        }
        sum += i == field ? 0 : word;
        sum = (sum & 0xFFFFFFFF) + (sum >> 32);
    }
    sum = (sum & 0xFFFF) + (sum >> 16);
    sum = (sum + (sum >> 16)) & 0xFFFF;
    return static_cast<std::uint32_t>(sum + file.size());
}

TEST(PeResources, ReadsTheTreeOfBothKinds) {
    for (bool pe64 : {false, true}) {
        SCOPED_TRACE(pe64 ? "PE32+" : "PE32");
        const std::string image = MakeImage(pe64);
        const PeTreeResult tree = ReadTree(image);
        ASSERT_EQ(tree.status, PeStatus::Ok) << PeStatusName(tree.status);
        EXPECT_EQ(Describe(tree),
                  (std::vector<std::string>{"5/1001/1033/0=hello", "14/A/1033/1252=ico"}));
        // The named icon is not something ResourceProvider can ask for.
        const PeReadResult read =
            ReadPeResources(reinterpret_cast<const std::uint8_t*>(image.data()), image.size());
        ASSERT_EQ(read.status, PeStatus::Ok);
        ASSERT_EQ(read.entries.size(), 1u);
        const ResEntry& entry = read.entries[0];
        EXPECT_EQ(std::tie(entry.type.number, entry.id, entry.language, entry.data),
                  std::make_tuple(5, 1001, 1033, Data("hello")));
    }
}

TEST(PeResources, AddReplacesSameKeyAndKeepsTheRest) {
    const std::vector<ResEntry> added = {
        {ResourceType::Named("PATCH"), 105, 1033, Data("p105")},
        {ResourceType::Named("img"), 401, 1033, Data("jpeg")},  // stored upper case
        {ResourceType::Named("PATCH"), 104, 1033, Data("p104")},
        {ResourceType::Numbered(kRcData), 402, 1033, Data("png")},
        {ResourceType::Numbered(5), 1001, 1033, Data("bye")},    // replaces "hello"
        {ResourceType::Numbered(5), 1001, 1036, Data("salut")},  // another language
        {ResourceType::Named("A_B"), 1, 0, {}},
        {ResourceType::Named("AB"), 1, 0, Data("x")},
    };
    const std::vector<std::string> expected = {"AB/1/0/0=x",
                                               "A_B/1/0/0=",
                                               "IMG/401/1033/0=jpeg",
                                               "PATCH/104/1033/0=p104",
                                               "PATCH/105/1033/0=p105",
                                               "5/1001/1033/0=bye",
                                               "5/1001/1036/0=salut",
                                               "10/402/1033/0=png",
                                               "14/A/1033/1252=ico"};
    for (bool pe64 : {false, true}) {
        SCOPED_TRACE(pe64 ? "PE32+" : "PE32");
        const std::string image = MakeImage(pe64);
        const PeWriteResult packed = Add(image, added);
        ASSERT_EQ(packed.status, PeStatus::Ok) << PeStatusName(packed.status);
        const std::string& out = packed.bytes;
        EXPECT_EQ(Describe(ReadTree(out)), expected);

        // A third section, ".rsrc" at RVA 0x3000 and file offset 0x800 after
        // the symbols, everything before kept; the headers follow.
        const std::size_t header = SectionTable(pe64) + 80;
        EXPECT_EQ(Get(out, kPe + 6, 2), 3u);
        EXPECT_EQ(out.substr(header, 8), std::string(".rsrc\0\0\0", 8));
        EXPECT_EQ(Get(out, header + 12), 0x3000u);
        EXPECT_EQ(Get(out, header + 20), 0x800u);
        EXPECT_EQ(Get(out, header + 36), 0x40000040u);
        EXPECT_EQ(out.size(), 0x800 + std::size_t{Get(out, header + 16)});
        EXPECT_EQ(out.substr(kRsrc, 0x210), image.substr(kRsrc));
        EXPECT_EQ(out.substr(SectionTable(pe64) + 40, 8), ".oldrsrc");
        EXPECT_EQ(Get(out, Directories(pe64) + 16), 0x3000u);
        EXPECT_EQ(Get(out, Directories(pe64) + 20), Get(out, header + 8));
        EXPECT_EQ(Get(out, kOptional + 56), 0x3000 + ((Get(out, header + 8) + 0xFFF) & ~0xFFFu));
        EXPECT_EQ(Get(out, kOptional + 8), Get(out, header + 16));  // SizeOfInitializedData
        EXPECT_EQ(Get(out, ChecksumField(out)), ReferenceChecksum(out));

        // The root table: 4 named types then 3 ids; the first string is "AB".
        const std::size_t root = 0x800;
        const std::uint32_t first = Get(out, root + 16) & ~kSub;
        EXPECT_EQ(out.substr(root + first, 6), std::string("\2\0A\0B\0", 6));
        EXPECT_EQ(std::make_tuple(Get(out, root + 12, 2), Get(out, root + 14, 2),
                                  Get(out, root + 48), Get(out, root + 56), Get(out, root + 64)),
                  std::make_tuple(4u, 3u, 5u, std::uint32_t{kRcData}, 14u));

        // Adding to a packed image replaces its own last section in place.
        const PeWriteResult again =
            Add(out, {{ResourceType::Named("PATCH"), 104, 1033, Data("z")}});
        ASSERT_EQ(again.status, PeStatus::Ok) << PeStatusName(again.status);
        EXPECT_EQ(Get(again.bytes, kPe + 6, 2), 3u);
        std::vector<std::string> changed = expected;
        changed[3] = "PATCH/104/1033/0=z";
        EXPECT_EQ(Describe(ReadTree(again.bytes)), changed);
        EXPECT_EQ(again.bytes.size(), out.size());
        EXPECT_EQ(Get(again.bytes, ChecksumField(out)), ReferenceChecksum(again.bytes));
    }
}

TEST(PeResources, BrokenImagesAreRefused) {
    using S = PeStatus;
    for (bool pe64 : {false, true}) {
        SCOPED_TRACE(pe64 ? "PE32+" : "PE32");
        const std::size_t dirs = Directories(pe64);
        const std::size_t sections = SectionTable(pe64);
        const struct {
            const char* what;
            std::size_t at;
            int width;
            std::uint32_t value;
            PeStatus read;
            std::optional<PeStatus> write = std::nullopt;  // where adding fails otherwise
        } cases[] = {
            {"no MZ", 0, 2, 0x5A58, S::NotPe},
            {"e_lfanew past the end", 0x3C, 4, 0xFFFFFFF0, S::NotPe},
            {"e_lfanew to no PE", 0x3C, 4, 0x80, S::NotPe},
            {"bad PE signature", kPe, 4, 0x00014550, S::NotPe},
            {"ARM machine", kPe + 4, 2, 0x1C0, S::UnsupportedMachine},
            {"not executable", kPe + 22, 2, 0x100, S::NotExecutable},
            {"magic of the other kind", kOptional, 2, pe64 ? 0x10Bu : 0x20Bu, S::BadOptionalHeader},
            {"optional header too small", kPe + 20, 2, 64, S::BadOptionalHeader},
            {"file alignment 0x300", kOptional + 36, 4, 0x300, S::BadOptionalHeader},
            {"file alignment 128 KiB", kOptional + 36, 4, 0x20000, S::BadOptionalHeader},
            {"sections overlap", sections + 52, 4, 0x1008, S::BadSectionTable},
            {"section past 4 GiB", sections + 48, 4, 0xFFFFFFFF, S::BadSectionTable},
            {"raw data past the end", sections + 60, 4, 0x10000, S::Truncated},
            {"directory outside sections", dirs + 16, 4, 0x9000, S::BadResourceDirectory},
            {"loop back to the root", kRsrc + 0x34, 4, kSub, S::BadResourceDirectory},
            {"shared table", kRsrc + 0x1C, 4, kSub | 0x20, S::BadResourceDirectory},
            {"table out of section", kRsrc + 0x14, 4, kSub | 0x7FFFFFF0, S::BadResourceDirectory},
            {"table across the end", kRsrc + 0x14, 4, kSub | 0x1F8, S::BadResourceDirectory},
            {"string out of section", kRsrc + 0x48, 4, kSub | 0x1FF, S::BadResourceDirectory},
            {"string too long", kRsrc + 0xA0, 2, 0xFFFF, S::BadResourceDirectory},
            {"data entry out of section", kRsrc + 0x64, 4, 0x1F8, S::BadResourceDirectory},
            {"data outside every section", kRsrc + 0x80, 4, 0x9000, S::BadResourceDirectory},
            {"data past its section", kRsrc + 0x84, 4, 0x1000, S::BadResourceDirectory},
            {"huge entry count", kRsrc + 0x0C, 4, 0xFFFFFFFF, S::BadResourceDirectory},
            {"four levels", kRsrc + 0x64, 4, kSub | 0x80, S::BadResourceDirectory},
            {"two levels", kRsrc + 0x34, 4, 0x80, S::BadResourceDirectory},
            {"signed", dirs + 36, 4, 0x100, S::Ok, S::Signed},
            {"section table full", sections + 80, 4, 0xFFFFFFFF, S::Ok, S::NoRoomForSection},
            {"headers too small", kOptional + 60, 4, static_cast<std::uint32_t>(sections + 80),
             S::Ok, S::NoRoomForSection},
            {"no resource directory entry", dirs - 4, 4, 2, S::Ok, S::NoRoomForSection},
            // Found by fuzzing: raw bytes past VirtualSize are not loaded, so
            // data there (in .text's padding) is not the resource's.
            {"data past VirtualSize", kRsrc + 0x80, 4, 0x1100, S::BadResourceDirectory},
        };
        for (const auto& c : cases) {
            SCOPED_TRACE(c.what);
            std::string image = MakeImage(pe64);
            Put(image, c.at, c.width, c.value);
            EXPECT_EQ(ReadTree(image).status, c.read) << PeStatusName(ReadTree(image).status);
            const PeWriteResult written = Add(image, {{ResourceType::Named("IMG"), 1, 0, {1}}});
            const PeStatus write = c.write.value_or(c.read);
            EXPECT_EQ(written.status, write) << PeStatusName(written.status);
            EXPECT_EQ(written.bytes.empty(), write != S::Ok);
        }
        // Cut short anywhere before the end of the sections (before the PE
        // signature it is not a PE at all).
        const std::string image = MakeImage(pe64);
        for (std::size_t cut = 0; cut < 0x600; cut += cut < 0x100 ? 1 : 13) {
            const std::string part = image.substr(0, cut);
            const PeStatus expected = cut < kPe + 4 ? S::NotPe : S::Truncated;
            ASSERT_EQ(ReadTree(part).status, expected) << cut;
            ASSERT_EQ(Add(part, {}).status, expected) << cut;
        }
    }
}

// Found by fuzzing: an image without sections had its new resource section
// placed at RVA 0, over its own headers.
TEST(PeResources, ImageWithoutSectionsGetsResourcesAfterItsHeaders) {
    for (bool pe64 : {false, true}) {
        std::string image = MakeImage(pe64);
        Put(image, kPe + 6, 2, 0);
        Put(image, Directories(pe64) + 16, 4, 0);
        Put(image, Directories(pe64) + 20, 4, 0);
        image.replace(SectionTable(pe64), 80, std::string(80, '\0'));
        const PeWriteResult written = Add(image, {{ResourceType::Named("IMG"), 401, 1033, {7}}});
        ASSERT_EQ(written.status, PeStatus::Ok) << PeStatusName(written.status);
        EXPECT_EQ(Get(written.bytes, SectionTable(pe64) + 12), 0x1000u);
        const PeTreeResult read = ReadTree(written.bytes);
        ASSERT_EQ(read.status, PeStatus::Ok);
        EXPECT_EQ(Describe(read), std::vector<std::string>{"IMG/401/1033/0=\x07"});
    }
}

TEST(PeResources, AtMost65536Resources) {
    // With the image's own two, 65536 resources are the most, and they read back.
    std::vector<ResEntry> many(0xFFFE);
    for (std::size_t i = 0; i < many.size(); ++i) {
        many[i] = {ResourceType::Numbered(kRcData), static_cast<std::uint16_t>(i), 0, {}};
    }
    const PeWriteResult most = Add(MakeImage(true), many);
    ASSERT_EQ(most.status, PeStatus::Ok);
    EXPECT_EQ(ReadTree(most.bytes).resources.size(), 0x10000u);
    many.push_back({ResourceType::Numbered(kRcData), 0xFFFF, 0, {}});
    EXPECT_EQ(Add(MakeImage(true), many).status, PeStatus::TooLarge);
}

// The real players, when this build made them: their own resources are found,
// and survive packing a quiz byte for byte.
std::vector<std::string> Players() {
    return {
#ifdef BRIVEL_WINDOWS_PLAYER_I686
        BRIVEL_WINDOWS_PLAYER_I686,
#endif
#ifdef BRIVEL_WINDOWS_PLAYER_X86_64
        BRIVEL_WINDOWS_PLAYER_X86_64,
#endif
    };
}

TEST(PeResources, RealPlayersKeepTheirResources) {
    int found = 0;
    for (const std::string& path : Players()) {
        std::ifstream in(path, std::ios::binary);
        if (!in) {
            continue;
        }
        ++found;
        SCOPED_TRACE(path);
        const std::string player{std::istreambuf_iterator<char>(in), {}};
        EXPECT_EQ(Get(player, ChecksumField(player)), ReferenceChecksum(player));
        const PeTreeResult own = ReadTree(player);
        ASSERT_EQ(own.status, PeStatus::Ok) << PeStatusName(own.status);
        std::vector<std::string> keys;
        for (const PeResource& r : own.resources) {
            keys.push_back(Describe(PeResource{r.type, r.name, r.language, r.codePage, {}}));
        }
        EXPECT_THAT(keys,
                    ::testing::IsSupersetOf({"1/1/1033/0=", "3/1/1033/0=", "5/1001/1033/0=",
                                             "5/1002/1033/0=", "12/1003/1033/0=", "14/A/1033/0="}));

        const std::vector<ResEntry> quiz = {
            {ResourceType::Named("PATCH"), 104, 1033, Data("text")},
            {ResourceType::Named("PATCH"), 105, 1033, Data("codes")},
            {ResourceType::Named("IMG"), 401, 1033, {0xFF, 0xD8, 0xFF, 0xE0}},
            {ResourceType::Numbered(kRcData), 402, 1033, {0x89, 'P', 'N', 'G'}},
        };
        const PeWriteResult packed = Add(player, quiz);
        ASSERT_EQ(packed.status, PeStatus::Ok) << PeStatusName(packed.status);
        const std::string& out = packed.bytes;
        EXPECT_EQ(Get(out, ChecksumField(out)), ReferenceChecksum(out));
        const PeTreeResult after = ReadTree(out);
        ASSERT_EQ(after.status, PeStatus::Ok);
        EXPECT_EQ(after.resources.size(), own.resources.size() + quiz.size());
        EXPECT_THAT(Describe(after), ::testing::IsSupersetOf(Describe(own)));
        ResFileResources resources(
            ReadPeResources(reinterpret_cast<const std::uint8_t*>(out.data()), out.size()).entries);
        EXPECT_EQ(resources.Find(ResourceType::Named("PATCH"), 105), Data("codes"));
        EXPECT_EQ(resources.Find(ResourceType::Numbered(kRcData), 402), quiz[3].data);

        // For checking by hand: objdump -p on what this writes.
        if (const char* folder = std::getenv("BRIVEL_PE_PACKED_OUT")) {
            const std::string name = std::filesystem::path(path).parent_path().filename().string();
            std::ofstream(std::filesystem::path(folder) / (name + ".exe"), std::ios::binary) << out;
        }
    }
    if (found == 0) {
        GTEST_SKIP() << "no Windows player built";
    }
}

}  // namespace
}  // namespace brivel
