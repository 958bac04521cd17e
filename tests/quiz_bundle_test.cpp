#include "maker/quiz_bundle.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "fakes.h"
#include "maker/quiz_description.h"
#include "quiz/lzw.h"
#include "quiz/quiz_loader.h"
#include "scratch_folder.h"
#include "services/quiz_resources.h"
#include "turbojpeg_codec.h"

namespace brivel {
namespace {

namespace fs = std::filesystem;
using testing::FakeResources;
using testing::RecordingSink;

const std::vector<std::uint8_t> kJpeg = {0xFF, 0xD8, 0xFF, 0xE0, 1, 2};
const std::vector<std::uint8_t> kPng = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n', 0};

QuizText TwoPictures() {
    QuizText text;
    text.title = "Ch\xE2teau";
    text.author = "Zo\xE9";
    text.pictures = {{"\x8C"
                      "uf",
                      "", "Paris", ""},
                     {"Mont", "", "", ""}};
    text.red = 1;
    text.green = 2;
    text.blue = 3;
    return text;
}

std::vector<std::uint8_t> Packed(const std::string& text) {
    RecordingSink sink;
    return LzwEncode(reinterpret_cast<const std::uint8_t*>(text.data()), text.size(), sink).bytes;
}

TEST(QuizBundleTest, PictureKindFollowsItsBytes) {
    const struct {
        std::vector<std::uint8_t> bytes;
        const char* extension;
    } cases[] = {{kJpeg, ".jpg"}, {kPng, ".png"}, {{0xFF, 0xD8}, nullptr}, {{}, nullptr}};
    for (const auto& c : cases) {
        const char* extension = PictureExtension(c.bytes);
        EXPECT_EQ(extension == nullptr ? "none" : extension,
                  std::string(c.extension == nullptr ? "none" : c.extension));
    }
}

TEST(QuizBundleTest, ResourcesOfKnownPictureKindsReadBackAsWritten) {
    RecordingSink sink;
    std::string error;
    const QuizText text = TwoPictures();
    const std::vector<std::string> codes = {"B", "BR"};
    const auto entries = MakeQuizResources(text, codes, {kJpeg, kPng}, sink, error);
    ASSERT_TRUE(entries) << error;
    std::vector<std::string> keys;  // type name, type number, id, language
    for (const ResEntry& e : *entries) {
        keys.push_back(e.type.name + "#" + std::to_string(e.type.number) + "/" +
                       std::to_string(e.id) + "/" + std::to_string(e.language));
    }
    EXPECT_EQ(keys, (std::vector<std::string>{"PATCH#0/104/1033", "PATCH#0/105/1033",
                                              "IMG#0/401/1033", "#10/402/1033"}));

    ResFileResources resources(*entries);
    const auto texts = ReadQuizTexts(resources, sink, error);
    ASSERT_TRUE(texts) << error;
    EXPECT_EQ(FormatQuizText(texts->text), FormatQuizText(text));
    EXPECT_EQ(texts->codes, codes);
    const auto jpeg = FindPicture(resources, PictureResourceId(0));
    const auto png = FindPicture(resources, PictureResourceId(1));
    ASSERT_TRUE(jpeg && png);
    EXPECT_TRUE(jpeg->jpeg);
    EXPECT_EQ(jpeg->bytes, kJpeg);
    EXPECT_FALSE(png->jpeg);
    EXPECT_EQ(png->bytes, kPng);
    EXPECT_FALSE(FindPicture(resources, PictureResourceId(2)));

    EXPECT_FALSE(MakeQuizResources(text, codes, {kJpeg, {'G', 'I', 'F'}}, sink, error));
    EXPECT_EQ(error, "picture 2 is neither a JPEG nor a PNG");
}

TEST(QuizBundleTest, UnreadableTextsSayWhy) {
    const std::string quiz = FormatQuizText(TwoPictures());
    const std::string codes = FormatCodesText({"B", "BR"});
    const struct {
        std::optional<std::vector<std::uint8_t>> quiz;
        std::optional<std::vector<std::uint8_t>> codes;
        std::string error;
    } cases[] = {
        {std::nullopt, Packed(codes), "no quiz text (PATCH 104)"},
        {Packed(quiz), std::nullopt, "no codes text (PATCH 105)"},
        {std::vector<std::uint8_t>{}, Packed(codes),
         "the quiz text does not unpack: status -5, " +
             std::string(DecodeStatusName(DecodeStatus::Truncated))},
        {Packed("ab"), Packed(codes),
         "the quiz text is malformed: cut short, or too many pictures or answers"},
        {Packed(quiz), Packed(FormatCodesText({"B"})),
         "the codes text has fewer than 2 lines, one per picture"},
    };
    for (const auto& c : cases) {
        FakeResources resources;
        if (c.quiz) {
            resources.Add("PATCH", kQuizTextId, *c.quiz);
        }
        if (c.codes) {
            resources.Add("PATCH", kCodesTextId, *c.codes);
        }
        RecordingSink sink;
        std::string error;
        EXPECT_FALSE(ReadQuizTexts(resources, sink, error));
        EXPECT_EQ(error, c.error);
    }
}

// The written description reads back into the very texts it came from.
TEST(QuizBundleTest, DescriptionGivesBackTheTexts) {
    QuizText escapes = TwoPictures();
    escapes.title = "a \"quoted\" \\ back\tslash";
    escapes.firstByte = 7;
    escapes.headerByte = 3;
    QuizText twoAnswers = TwoPictures();
    twoAnswers.answersPerPicture = 2;
    twoAnswers.kind = 3;
    twoAnswers.pictures[0].altAnswer = "Oeuf";
    twoAnswers.pictures[0].extraInfo = "extra";
    twoAnswers.pictures[1].altAnswer = "Mont Blanc";
    const struct {
        QuizText text;
        std::vector<std::string> codes;
    } cases[] = {
        {TwoPictures(), {"B", "BR"}}, {escapes, {"a|b", "\xE9t\xE9"}}, {twoAnswers, {"", "x"}}};
    for (const auto& c : cases) {
        testing::ScratchFolder dir("quiz-bundle");
        const fs::path data(BRIVEL_TEST_DATA_DIR);
        fs::copy_file(data / "tiny.jpg", dir.path() / "01.jpg");
        fs::copy_file(data / "tiny.png", dir.path() / "02.png");
        std::ofstream(dir.path() / kDescriptionFileName, std::ios::binary)
            << FormatQuizDescription({c.text, c.codes}, {"01.jpg", "02.png"});
        std::vector<DescriptionProblem> problems;
        tool::TurboJpegCodec codec;
        const auto description = LoadQuizDescription(dir.path().string(), problems, codec);
        ASSERT_TRUE(description) << (problems.empty() ? "" : problems[0].message);
        EXPECT_EQ(FormatQuizText(description->text), FormatQuizText(c.text));
        EXPECT_EQ(description->codes, c.codes);
    }
}

}  // namespace
}  // namespace brivel
