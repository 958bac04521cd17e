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

// A line breaks at the last space that fits (the space dropped), else after
// a long word's last slash or hyphen, else between whole characters.
TEST(TextWrapTest, BreaksWhereTheRulesSay) {
    const struct {
        const char* text;
        int width;
        Lines lines;
    } cases[] = {
        {"Par :", 30, {"Par :"}},
        {"", 26, {}},
        {"R\xC3\xA9"
         "alis\xC3\xA9 avec la version 2.2",
         140,
         {"R\xC3\xA9"
          "alis\xC3\xA9 avec la version",
          "2.2"}},
        {" Code :", 30, {" Code", ":"}},
        {"https://brivel.example", 100, {"https://", "brivel.example"}},
        {"Saint-Germain", 50, {"Saint-", "Germain"}},
        {"\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9",
         12,
         {"\xC3\xA9\xC3\xA9", "\xC3\xA9\xC3\xA9", "\xC3\xA9"}},
        {"ab", 3, {"a", "b"}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(WrapText(c.text, c.width, SixPerCharacter), c.lines) << c.text;
    }
}

}  // namespace
}  // namespace brivel
