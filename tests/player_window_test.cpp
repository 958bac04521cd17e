#include "maker/player_window.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "player_fonts.h"
#include "services/message_sink.h"

namespace brivel::tool {
namespace {

// The figures below are DejaVu Sans's, the font fontconfig gives the Linux
// player on Debian, as XftTextExtentsUtf8 and Xft's font ascent and descent
// give them under Xvfb.
class PlayerWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string error;
        fonts_ = FreeTypeFonts::Open(error);
        if (!fonts_) {
            GTEST_SKIP() << "no font: " << error;
        }
        if (fonts_->Describe(kGuiFace).rfind("DejaVu Sans ", 0) != 0) {
            GTEST_SKIP() << "the cuts are DejaVu Sans's; fontconfig gives "
                         << fonts_->Describe(kGuiFace);
        }
    }

    std::unique_ptr<FreeTypeFonts> fonts_;
};

TEST_F(PlayerWindowTest, MetricsAreXfts) {
    EXPECT_EQ(fonts_->Height(kGuiFace), 14);
    EXPECT_EQ(fonts_->Descent(kGuiFace), 3);
    EXPECT_EQ(fonts_->Height(kSystemFace), 17);
    EXPECT_EQ(fonts_->Width(kGuiFace, "CHAPEAU"), 54);
    EXPECT_EQ(fonts_->Width(kSystemFace, "BRAVO"), 51);
    EXPECT_EQ(fonts_->Width(kGuiFace, ""), 0);
}

TEST_F(PlayerWindowTest, ShownPartIsWhatFitsWhole) {
    struct Case {
        WindowText where;
        const char* text;
        const char* shown;
    };
    static const Case kCases[] = {
        // The code field: one line, whole characters up to its edge.
        {WindowText::Code, "CHAPEAU, TU AS TOUT TROUV\xC3\x89", "CHAPEA"},
        {WindowText::Code, "TR\xC3\x89SOR!", "TR\xC3\x89SOR!"},
        {WindowText::Code, "ABCDEFGH", "ABCDEF"},
        // Static texts: the lines that fit whole, wrapped as the player wraps.
        {WindowText::Title, "Le petit brivel illustr\xC3\xA9", "Le petit brivel illustr\xC3\xA9"},
        {WindowText::Title, "Les monuments de Paris et de toute l'\xC3\x8Ele-de-France",
         "Les monuments de Paris et de"},
        {WindowText::Title, "Anticonstitutionnellementissimement", "Anticonstitutionnellementissi"},
        {WindowText::Author, "Marie-Claude et Jean-Baptiste", "Marie-Claude et"},
        {WindowText::Explanation,
         "Nommez en fran\xC3\xA7"
         "ais chaque image, accents compris. Trois images trouv\xC3\xA9"
         "es d\xC3\xA9voilent une lettre du code.",
         "Nommez en fran\xC3\xA7"
         "ais chaque image, accents compris. Trois images trouv\xC3\xA9"
         "es d\xC3\xA9voilent une lettre du code."},
        {WindowText::Explanation,
         "Nommez en fran\xC3\xA7"
         "ais ce que montre chaque image, accents compris. Trois images trouv\xC3\xA9"
         "es d\xC3\xA9voilent une lettre du code.",
         "Nommez en fran\xC3\xA7"
         "ais ce que montre chaque image, accents compris. Trois images trouv\xC3\xA9"
         "es d\xC3\xA9voilent une"},
        // The fixed texts are cut too in the Linux player's wider font.
        {WindowText::Status,
         "R\xC3\xA9"
         "alis\xC3\xA9 avec la version 2.2",
         "R\xC3\xA9"
         "alis\xC3\xA9 avec la version"},
        {WindowText::Link, "https://brivel.test", "https://brivel.test"},
        {WindowText::ByLabel, "Par :", "Par"},
        {WindowText::CodeLabel, " Code :", " Code"},
    };
    for (const Case& c : kCases) {
        EXPECT_EQ(ShownPart(*fonts_, c.where, c.text), c.shown) << c.text;
    }
}

TEST_F(PlayerWindowTest, FitCheckNamesWhatShows) {
    const FitCheck fit = PlayerFitCheck(*fonts_);
    EXPECT_EQ(fit(HeaderField::Code, "TR\xC9SOR!").english, "");
    EXPECT_EQ(fit(HeaderField::Link, "https://ex.fr/quiz").english, "");
    EXPECT_NE(fit(HeaderField::Link, "https://exemple.fr/mon-b").english, "");
    const ProblemWords words = fit(HeaderField::Code, "CHAPEAU, TU AS TOUT TROUV\xC9");
    const std::string& cut = words.english;
    EXPECT_EQ(words.french, "trop long pour sa place : les joueurs n'en montrent que «CHAPEA»");
    EXPECT_NE(cut.find("\"CHAPEAU, TU AS TOUT TROUV\xC3\x89\" does not fit its 53 x 16 box: "
                       "the players show \"CHAPEA\""),
              std::string::npos)
        << cut;
    EXPECT_NE(cut.find("DejaVu Sans Book 11 px"), std::string::npos) << cut;
}

}  // namespace
}  // namespace brivel::tool
