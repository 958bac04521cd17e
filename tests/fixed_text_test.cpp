#include "text/fixed_text.h"

#include <gtest/gtest.h>

#include <string>

namespace brivel {
namespace {

TEST(FixedTextTest, CopyCutsToFitAndStopsAtNul) {
    struct Case {
        std::string source;
        std::string expected;
    };
    const Case cases[] = {
        {"", ""},
        {"abc", "abc"},
        {std::string(4, 'x'), std::string(4, 'x')},
        {std::string(5, 'x'), std::string(4, 'x')},
        {std::string(100, 'x'), std::string(4, 'x')},
        {std::string("ab\0cd", 5), "ab"},
    };
    for (const Case& c : cases) {
        struct {
            char text[5];
            char guard;
        } buffer;
        std::memset(&buffer, '#', sizeof buffer);
        CopyText(buffer.text, c.source);
        EXPECT_EQ(TextOf(buffer.text), c.expected);
        EXPECT_EQ(buffer.guard, '#') << "wrote past the buffer";
    }
}

TEST(FixedTextTest, TextOfStopsAtTheEndOfAnUnterminatedBuffer) {
    char buffer[3] = {'a', 'b', 'c'};
    EXPECT_EQ(TextOf(buffer), "abc");
}

}  // namespace
}  // namespace brivel
