#include "play/grading.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <tuple>

namespace brivel {
namespace {

// "Chat"/"  chat ", "Chat"/"", "Chien"/"chein" and "Chateau de sable"/"chato de sable"
// are tool/grade/verdicts' cases.
TEST(Grading, GivesTheVerdict) {
    const std::tuple<const char*, const char*, Verdict> cases[] = {
        {"Chat", "   ", Verdict::Unanswered},
        {"Chat", "tach", Verdict::Anagram},
        {"la mer", "mer la", Verdict::Anagram},
        {"Chat", "chats", Verdict::OneEdit},
        {"Chat", "ch at", Verdict::OneEdit},
        {"Chat", "Ch\xE2t", Verdict::OneEdit},
        {"Chat", "chatte", Verdict::TwoEdits},
        {"Chat", "le chat noir", Verdict::TooLong},
        {"Chateau de sable", "chateau de sable!!!", Verdict::TooLong},
        {"Chat", "c", Verdict::Wrong},
        {"Abcdefghijk", "abcdefgh", Verdict::TooShort},
        {"Arc de triomphe", "arc de trio", Verdict::TooShort},
        {"Abcdefghij", "abcdefg", Verdict::NotFar},
        {"Arc de triomphe", "arc de t", Verdict::NotFar},
        {"Abcdefghij", "abcde", Verdict::Wrong},
        {"Arc de triomphe", "arc de triomf", Verdict::Wrong},
        {"AAB", "aaabxyz", Verdict::Wrong},
        {"", "a", Verdict::OneEdit},
        {"", "ab", Verdict::TwoEdits},
        {"", "abc", Verdict::Wrong},
        // Only the typed text is trimmed: an answer with an outer space is
        // never found.
        {"Chat ", "chat ", Verdict::OneEdit},
        // The stored answer is upper-cased, accented letters are not.
        {"\xE9t\xE9", "\xE9T\xE9", Verdict::Correct},
        {"\xE9t\xE9", "\xC9T\xC9", Verdict::TwoEdits},
        // A tab is an ordinary character, not a space.
        {"Chat", "\tchat", Verdict::OneEdit},
        // A piece with la = 10, lt = 6: r = 60.
        {"Abcdefghij", "abcdef", Verdict::NotFar},
        // sim just above 80: M = 16, d = 3 (81.25); M = 15, d = 3 is exactly 80.
        {"Abcdefghijklmnop", "abcdefghijklmxyz", Verdict::GoodIdea},
        // Nine letters or fewer: a piece is wrong whatever its share.
        {"Abcdefghi", "abcdef", Verdict::Wrong},
        // The typed text holds the answer only after a broken partial match
        // that the forward scan cannot revisit.
        {"ABABC", "xxabababcxx", Verdict::Wrong},
    };
    for (const auto& [answer, typed, verdict] : cases) {
        EXPECT_EQ(Grade(answer, typed), verdict)
            << "answer \"" << answer << "\", typed \"" << typed << "\"";
    }
}

TEST(GradingNormalize, TrimsSpacesOnlyAndUpperCasesAscii) {
    const std::pair<std::string, std::string> cases[] = {
        {"  chat ", "CHAT"},
        {"   ", ""},
        {" ", ""},
        {"a", "A"},
        {" a b ", "A B"},
        {"\tchat\t", "\tCHAT\t"},
        {"\xE9l\xE8ve", "\xE9L\xE8VE"},
        {"{az}", "{AZ}"},
    };
    for (const auto& [input, expected] : cases) {
        std::string buffer = input;
        buffer.resize(NormalizeTyped(buffer.data(), buffer.size()));
        EXPECT_EQ(buffer, expected) << "input \"" << input << "\"";
    }
}

TEST(GradingEditDistance, CountsUnitEditsWithoutTranspositions) {
    const std::tuple<const char*, const char*, int> cases[] = {
        {"", "", 0},         {"", "abc", 3},        {"abc", "", 3},           {"CHAT", "CHAT", 0},
        {"CHAT", "TACH", 4}, {"CHIEN", "CHEIN", 2}, {"KITTEN", "SITTING", 3}, {"CHAT", "CHATTE", 2},
    };
    for (const auto& [a, b, distance] : cases) {
        EXPECT_EQ(EditDistance(a, b), distance) << a << " / " << b;
        EXPECT_EQ(EditDistance(b, a), distance) << b << " / " << a;
    }
}

TEST(GradingContainmentScan, ScansForwardOnly) {
    const std::tuple<const char*, const char*, int> cases[] = {
        {"CHAT", "LE CHAT NOIR", 2},
        {"ARC DE TRIOMPHE", "ARC DE T", -2},
        {"CHAT", "CHIEN", 0},
        {"", "ABC", 1},
        {"AAB", "AAABXYZ", 0},  // the overlapping occurrence is missed
        {"AAABXYZ", "AAB", 0},  // likewise with the roles swapped
        {"AB", "XAB", 2},
        {"ABC", "ABC", 2},  // equal lengths: the typed text is the longer
        {"ABCD", "BC", -2},
    };
    for (const auto& [answer, typed, result] : cases) {
        EXPECT_EQ(ContainmentScan(answer, typed), result) << answer << " / " << typed;
    }
}

// Differential: MayHint never rules out a pair that Grade gives a hint for,
// and a distance with a limit is the whole one up to it, over random texts
// and texts a few random edits from them (so that every verdict comes up,
// "y a de l'idée" on long texts too), with spaces, accents, bytes that share
// a bucket ('A' 0x41 and 0x01, 'a' and ' ') and overlong ones.
TEST(GradingMayHint, NeverRulesOutAHint) {
    const std::string alphabet = "ABab \x01\xE9\xC9GHIJKLMN";
    std::uint32_t seed = 12345;
    const auto next = [&seed]() { return (seed = seed * 1664525u + 1013904223u) >> 8; };
    const auto letter = [&]() { return alphabet[next() % alphabet.size()]; };
    const auto text = [&]() {
        const std::uint32_t kind = next() % 16;
        const std::size_t length = kind == 0  ? 259 + next() % 20
                                   : kind < 6 ? 9 + next() % 32
                                              : next() % 9;
        std::string made;
        for (std::size_t i = 0; i < length; ++i) {
            made += letter();
        }
        return made;
    };
    const auto edited = [&](std::string made) {
        for (std::uint32_t edits = 1 + next() % 6; edits > 0; --edits) {
            const std::size_t at = made.empty() ? 0 : next() % made.size();
            const std::uint32_t op = next() % 3;  // insert, erase or replace a letter
            made.replace(at, op == 0 ? 0 : 1, op == 1 ? 0 : 1, op == 1 ? ' ' : letter());
        }
        return made;
    };
    int ruledOut = 0, goodIdeas = 0;
    for (int k = 0; k < 50000; ++k) {
        const std::string answer = text();
        const std::string typed = next() % 2 == 0 ? text() : edited(answer);
        const Verdict verdict = Grade(answer, typed);
        goodIdeas += verdict == Verdict::GoodIdea ? 1 : 0;
        const int limit = static_cast<int>(next() % 12);
        ASSERT_EQ(EditDistance(answer, typed, limit),
                  std::min(EditDistance(answer, typed), limit + 1))
            << '"' << answer << "\" / \"" << typed << "\" within " << limit;
        if (!MayHint(SketchAnswer(answer), SketchTyped(typed))) {
            ++ruledOut;
            ASSERT_TRUE(verdict == Verdict::Wrong || verdict == Verdict::Unanswered)
                << '"' << answer << "\" / \"" << typed << '"';
        }
    }
    EXPECT_GT(ruledOut, 10000);  // a filter that rules out nothing would pass above
    EXPECT_GT(goodIdeas, 1000);
}

TEST(GradingLimits, OverlongTextsCountOnlyTheirFirst259Bytes) {
    const std::string answer(259, 'x');
    EXPECT_EQ(EditDistance(answer, std::string(259, 'B')), 259);
    EXPECT_EQ(EditDistance(std::string(400, 'x'), answer), 0);
    EXPECT_EQ(Grade(answer, std::string(300, 'x')), Verdict::Correct);
    EXPECT_EQ(Grade(std::string(1000, 'y'), std::string(259, 'y')), Verdict::Correct);
}

}  // namespace
}  // namespace brivel
