#include "text/cp1252.h"

#include <gtest/gtest.h>

#include <string>

namespace brivel {
namespace {

TEST(Cp1252Test, EveryByteSurvivesARoundTrip) {
    std::string all;
    for (int b = 1; b < 256; ++b) {
        all += static_cast<char>(b);
    }
    Cp1252Result back = Utf8ToCp1252(Cp1252ToUtf8(all));
    ASSERT_TRUE(back.ok);
    EXPECT_EQ(back.text, all);
}

TEST(Cp1252Test, ConvertsFrenchAndPunctuation) {
    struct Case {
        std::string utf8;
        std::string cp1252;
    };
    const Case cases[] = {
        {"\xC3\xA9t\xC3\xA9", "\xE9t\xE9"},
        {"n\xC2\xB0 3", "n\xB0 3"},
        {"\xE2\x82\xAC", "\x80"},                      // euro sign
        {"\xC5\x93uvre", "\x9Cuvre"},                  // oe ligature
        {"aujourd\xE2\x80\x99hui", "aujourd\x92hui"},  // right single quote
        {"\xC3\xBF", "\xFF"},
    };
    for (const Case& c : cases) {
        Cp1252Result r = Utf8ToCp1252(c.utf8);
        ASSERT_TRUE(r.ok) << c.utf8;
        EXPECT_EQ(r.text, c.cp1252);
        EXPECT_EQ(Cp1252ToUtf8(c.cp1252), c.utf8);
    }
}

TEST(Cp1252Test, RefusesWhatTheCodePageCannotHold) {
    struct Case {
        std::string utf8;
        std::size_t offset;
    };
    const Case cases[] = {
        {"ab\xE2\x82\xBF", 2},    // bitcoin sign
        {"\xF0\x9F\x98\x80", 0},  // emoji
        {"a\xC3", 1},             // cut sequence
        {"a\xC0\xAF", 1},         // overlong slash
        {"a\xED\xA0\x80", 1},     // surrogate
        {"\xFF", 0},
        {"a\x80", 1},  // lone continuation byte
    };
    for (const Case& c : cases) {
        Cp1252Result r = Utf8ToCp1252(c.utf8);
        EXPECT_FALSE(r.ok) << c.utf8;
        EXPECT_EQ(r.errorOffset, c.offset) << c.utf8;
    }
}

TEST(Cp1252Test, LossyConversionReplacesEachBadCharacterOnce) {
    EXPECT_EQ(Utf8ToCp1252Lossy("\xC3\xA9t\xF0\x9F\x98\x80\xC3\xA9\xFF!"), "\xE9t?\xE9?!");
    EXPECT_EQ(Utf8ToCp1252Lossy(""), "");
}

}  // namespace
}  // namespace brivel
