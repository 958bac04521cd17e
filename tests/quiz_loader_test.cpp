#include "quiz/quiz_loader.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "fakes.h"
#include "quiz/lzw.h"

namespace brivel {
namespace {

// \351 is e acute in Windows-1252.
const std::string kAnswersError = "Erreur dans le d\351cryptage des reponses";
const std::string kCodesSaid = "Brivel: Erreur dans le d\351cryptage des codes [0]\n";

std::vector<std::uint8_t> Pack(const std::string& text) {
    testing::RecordingSink sink;
    CodecResult packed =
        LzwEncode(reinterpret_cast<const std::uint8_t*>(text.data()), text.size(), sink);
    EXPECT_EQ(packed.status, DecodeStatus::Ok);
    return packed.bytes;
}

// Three pictures, kind 3, colour (10, 20, 30).
const std::string kThreePictureQuiz = std::string("\0\5\3\1", 4) +
                                      "Titre|Auteur|Explication|x1|x2|Chat|ici|Chien|l\xE0|Lapin|"
                                      "la-bas|\3e0|d0|e1|d1|e2|d2|\x0A\x14\x1E";

struct Loaded {
    void Load() { LoadQuizRecord(record, resources, sink); }

    testing::FakeGraphics graphics;
    QuizRecord record{graphics};
    testing::FakeResources resources;
    testing::RecordingSink sink;
};

class QuizLoaderTest : public ::testing::Test, protected Loaded {};

TEST_F(QuizLoaderTest, LoadsBothTexts) {
    resources.Add("PATCH", 104, Pack(kThreePictureQuiz));
    resources.Add("PATCH", 105, Pack("code un\r\ncode deux\r\n\r\n"));
    Load();
    EXPECT_EQ(sink.Said(), "");
    EXPECT_EQ(testing::Describe(record),
              "4 3x1 kind 3 (10, 20, 30) Titre|Auteur|Explication|Chat/ici/e0|Chien/l\xE0/e1|"
              "Lapin/la-bas/e2|code un|code deux|");
    // A quiz made before links shows none.
    EXPECT_EQ(TextOf(record.linkText), "");
    EXPECT_EQ(TextOf(record.linkAddress), "");
    EXPECT_EQ(TextOf(record.statusText), "R\351alis\351 avec la version 2.2");
    // The loaded colour's brush replaced the constructor's, which was released.
    ASSERT_EQ(graphics.made.size(), 8u);
    EXPECT_EQ(graphics.made.back().colour, (Rgb{10, 20, 30}));
    EXPECT_EQ(record.backBrush, testing::FakeGraphics::HandleOf(8));
    EXPECT_EQ(graphics.released, std::vector<void*>{testing::FakeGraphics::HandleOf(3)});
}

// A missing or empty quiz text: the built-in test quiz, whose codes are not even looked up.
TEST(QuizLoader, WithoutQuizTextRunsTestMode) {
    for (const bool empty : {false, true}) {
        Loaded l;
        if (empty) {
            l.resources.Add("PATCH", 104, {});
        }
        l.resources.Add("PATCH", 105, Pack("jamais lu\r\n"));
        l.Load();
        EXPECT_EQ(l.sink.Said(), "");
        EXPECT_EQ(testing::Describe(l.record),
                  "2 7x1 kind 3 (53, 203, 163) Nom du brivel|Createur brivel|"
                  "Explications du brivel|test/emplacement/|test/emplacement/|||");
        EXPECT_EQ(TextOf(l.record.extraText1), "TEST");
        EXPECT_EQ(PictureAt(l.record, 6), l.record.pictures.last);
        EXPECT_EQ(TextOf(l.record.linkText), "");
        EXPECT_EQ(l.resources.lookups.size(), 1u);
    }
}

// The maker's link: its first 24 characters shown, the whole address opened;
// none for an address the players would not open.
TEST(QuizLoaderLinkTest, ShowsTheMakersLinkOnlyWhenItIsAWebAddress) {
    const std::tuple<std::string, const char*> cases[] = {
        {"https://exemple.fr/mon-brivel-de-noel", "https://exemple.fr/mon-b"},
        {"http://a.fr", "http://a.fr"},
        {"https://", ""},
        {"ftp://exemple.fr", ""},
        {"https://exemple.fr/mon brivel", ""},
        {"https://exemple.fr/\xC3\xA9t\xC3\xA9", ""},
        {"https://" + std::string(252, 'a'), ""},
    };
    for (const auto& [given, label] : cases) {
        SCOPED_TRACE(given);
        Loaded l;
        l.resources.Add("PATCH", 104, Pack(kThreePictureQuiz));
        l.resources.Add("PATCH", 105, Pack("a\r\nb\r\nc\r\n"));
        l.resources.Add("PATCH", 106, std::vector<std::uint8_t>(given.begin(), given.end()));
        l.Load();
        EXPECT_EQ(TextOf(l.record.linkText), label);
        EXPECT_EQ(TextOf(l.record.linkAddress), *label != '\0' ? given : "");
    }
}

TEST_F(QuizLoaderTest, UndecodableQuizTextLeavesDefaultsAndNoPictures) {
    const std::tuple<const char*, std::vector<std::uint8_t>> cases[] = {
        {"not a code stream", {0xFF, 0xFF, 0xFF}},
        {"a stream that does not follow the layout", Pack("only a title|")},
        {"97 pictures", Pack(std::string("\x00\x01\x61\x01", 4) + "t|a|e|x|y|")},
    };
    for (const auto& [why, packed] : cases) {
        Loaded l;
        l.resources.Add("PATCH", 104, packed);
        l.resources.Add("PATCH", 105, Pack("x\r\n"));
        l.Load();
        EXPECT_EQ(l.sink.Said(), "Brivel: " + kAnswersError + " [0]\n") << why;
        EXPECT_EQ(testing::Describe(l.record),
                  "0 0x1 kind 0 (90, 95, 150) nom du brivel| createur||||")
            << why;
        EXPECT_EQ(l.resources.lookups.size(), 1u) << "the codes are not read: " << why;
    }
}

TEST_F(QuizLoaderTest, BadOrMissingCodesKeepTheQuizPlayable) {
    const std::vector<std::vector<std::uint8_t>> badCodes = {
        {}, {0x00}, Pack("one line only\r\n"), Pack("no line end")};
    for (const auto& codes : badCodes) {
        Loaded l;
        l.resources.Add("PATCH", 104, Pack(kThreePictureQuiz));
        if (!codes.empty()) {
            l.resources.Add("PATCH", 105, codes);
        }
        CopyText(l.record.codeSteps[0], "kept");
        l.Load();
        EXPECT_EQ(l.sink.Said(), kCodesSaid);
        EXPECT_EQ(testing::Describe(l.record),
                  "4 3x1 kind 3 (10, 20, 30) Titre|Auteur|Explication|"
                  "Chat/ici/e0|Chien/l\xE0/e1|Lapin/la-bas/e2|kept||");
    }
}

TEST_F(QuizLoaderTest, NoPicturesStillDecodesTheCodes) {
    const std::string quiz =
        std::string("\x00\x01\x00\x01", 4) + "t|a|e|x|y|" + std::string("\x00\x01\x02\x03", 4);
    resources.Add("PATCH", 104, Pack(quiz));
    resources.Add("PATCH", 105, {0xFF});
    Load();
    EXPECT_EQ(record.pictureCount, 0);
    EXPECT_EQ(sink.Said(), kCodesSaid);
}

TEST_F(QuizLoaderTest, OverlongTextsAreCutToTheirBuffers) {
    const std::string longText(400, 'L');
    std::string quiz = std::string("\x00\x01\x01\x01", 4) + longText + "|a|e|x|y|" + longText +
                       "|loc|" + '\x02' + longText + "|" + "\x01\x02\x03";
    resources.Add("PATCH", 104, Pack(quiz));
    resources.Add("PATCH", 105, Pack(longText + "\r\n"));
    Load();
    EXPECT_TRUE(sink.messages.empty());
    const std::string cut(259, 'L');
    EXPECT_EQ(testing::Describe(record),
              "0 1x1 kind 2 (1, 2, 3) " + cut + "|a|e|" + cut + "/loc/" + cut + "|" + cut + "||");
}

}  // namespace
}  // namespace brivel
