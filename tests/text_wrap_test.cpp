#include "text/text_wrap.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace brivel {
namespace {

using Lines = std::vector<std::string>;

// Every character 6 pixels wide, however many bytes it takes.
int SixPerCharacter(std::string_view text) {
    int characters = 0;
    for (const char byte : text) {
        characters += (static_cast<unsigned char>(byte) & 0xC0) != 0x80 ? 1 : 0;
    }
    return 6 * characters;
}

TEST(TextWrapTest, TextThatFitsStaysOnOneLine) {
    EXPECT_EQ(WrapText("Par :", 30, SixPerCharacter), Lines{"Par :"});
    EXPECT_EQ(WrapText("", 26, SixPerCharacter), Lines{});
}

TEST(TextWrapTest, BreaksAtTheLastSpaceThatFitsAndDropsIt) {
    EXPECT_EQ(WrapText("R\xC3\xA9"
                       "alis\xC3\xA9 avec la version 2.2",
                       140, SixPerCharacter),
              (Lines{"R\xC3\xA9"
                     "alis\xC3\xA9 avec la version",
                     "2.2"}));
    EXPECT_EQ(WrapText(" Code :", 30, SixPerCharacter), (Lines{" Code", ":"}));
}

TEST(TextWrapTest, BreaksALongWordAfterItsLastSlashOrHyphen) {
    EXPECT_EQ(WrapText("https://brivel.example", 100, SixPerCharacter),
              (Lines{"https://", "brivel.example"}));
    EXPECT_EQ(WrapText("Saint-Germain", 50, SixPerCharacter), (Lines{"Saint-", "Germain"}));
}

TEST(TextWrapTest, CutsAWordWithoutBreaksBetweenWholeCharacters) {
    EXPECT_EQ(WrapText("\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9", 12, SixPerCharacter),
              (Lines{"\xC3\xA9\xC3\xA9", "\xC3\xA9\xC3\xA9", "\xC3\xA9"}));
    EXPECT_EQ(WrapText("ab", 3, SixPerCharacter), (Lines{"a", "b"}));
}

}  // namespace
}  // namespace brivel
