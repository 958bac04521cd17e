#include "maker/quiz_bundle.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "fakes.h"
#include "quiz/lzw.h"
#include "quiz/quiz_loader.h"
#include "services/quiz_resources.h"

namespace brivel {
namespace {

using testing::FakeResources;
using testing::RecordingSink;

const std::vector<std::uint8_t> kJpeg = {0xFF, 0xD8, 0xFF, 0xE0, 1, 2};
const std::vector<std::uint8_t> kPng = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n', 0};

QuizText TwoPictures() {
    QuizText text;
    text.title = "Ch\xE2teau";
    text.author = "Zo\xE9";
    text.pictures = {{"\214uf", "", "Paris", ""}, {"Mont", "", "", ""}};  // \214: oe
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
    const std::tuple<std::vector<std::uint8_t>, const char*> cases[] = {
        {kJpeg, ".jpg"},
        {kPng, ".png"},
        {{0xFF, 0xD8}, nullptr},
        {std::vector<std::uint8_t>{}, nullptr}};
    for (const auto& [bytes, expected] : cases) {
        EXPECT_STREQ(PictureExtension(bytes), expected);
    }
}

TEST(QuizBundleTest, UnreadableTextsSayWhy) {
    const std::string quizText = FormatQuizText(TwoPictures());
    const std::string codesText = FormatCodesText({"B", "BR"});
    using Resource = std::optional<std::vector<std::uint8_t>>;
    const std::tuple<Resource, Resource, std::string> cases[] = {
        {std::nullopt, Packed(codesText), "no quiz text (PATCH 104)"},
        {Packed(quizText), std::nullopt, "no codes text (PATCH 105)"},
        {std::vector<std::uint8_t>{}, Packed(codesText),
         "the quiz text does not unpack: status -5, " +
             std::string(DecodeStatusName(DecodeStatus::Truncated))},
        {Packed("ab"), Packed(codesText),
         "the quiz text is malformed: cut short, or too many pictures or answers"},
        {Packed(quizText), Packed(FormatCodesText({"B"})),
         "the codes text has fewer than 2 lines, one per picture"},
    };
    for (const auto& [quiz, codes, expected] : cases) {
        FakeResources resources;
        if (quiz) {
            resources.Add("PATCH", kQuizTextId, *quiz);
        }
        if (codes) {
            resources.Add("PATCH", kCodesTextId, *codes);
        }
        RecordingSink sink;
        std::string error;
        EXPECT_FALSE(ReadQuizTexts(resources, sink, error));
        EXPECT_EQ(error, expected);
    }
}

}  // namespace
}  // namespace brivel
