#include "quiz/quiz_text.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <initializer_list>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

namespace brivel {
namespace {

std::string Bytes(std::initializer_list<int> values) {
    return std::string(values.begin(), values.end());
}

std::string Fields(std::initializer_list<std::string> fields) {
    std::string out;
    for (const std::string& f : fields) {
        out += f + "|";
    }
    return out;
}

const std::string kHeaderFields = Fields({"Titre", "Auteur", "Explication", "x1", "x2"});

// Every field, so that a writer dropping or reordering one shows up.
auto PictureTie(const QuizPicture& p) {
    return std::tie(p.answer, p.altAnswer, p.location, p.extraInfo);
}
bool Same(const QuizText& a, const QuizText& b) {
    const auto tie = [](const QuizText& q) {
        return std::tie(q.firstByte, q.headerByte, q.answersPerPicture, q.title, q.author,
                        q.explanation, q.extraText1, q.extraText2, q.kind, q.red, q.green, q.blue);
    };
    return tie(a) == tie(b) &&
           std::equal(a.pictures.begin(), a.pictures.end(), b.pictures.begin(), b.pictures.end(),
                      [](const auto& x, const auto& y) { return PictureTie(x) == PictureTie(y); });
}

// Its title has a byte above 127 inside a field.
QuizText Quiz(std::uint8_t answers, std::uint8_t kind, std::vector<QuizPicture> pictures) {
    QuizText quiz{0xE9, 3, answers, "Pr\xE9nom", "Auteur", "", "x1", "x2", std::move(pictures)};
    quiz.kind = kind;
    quiz.red = 124;
    quiz.green = 200;
    return quiz;  // blue stays 0
}

// The bytes before the pictures of a Quiz(answers, ...), and its colour.
std::string Head(int pictures, int answers) {
    return Bytes({0xE9, 3, pictures, answers}) + Fields({"Pr\xE9nom", "Auteur", "", "x1", "x2"});
}
const std::string kColour = Bytes({124, 200, 0});  // a first byte of 124 is no separator

TEST(QuizTextParse, ReadsEveryField) {
    // Two pictures of one answer, then the extra section of a kind.
    const auto withKind = [](int kind, const std::string& section) {
        return Head(2, 1) + Fields({"a0", "l0", "a1", "l1"}) + Bytes({kind}) + section + kColour;
    };
    const auto extras = [](std::uint8_t kind, const char* extra0, const char* extra1) {
        return Quiz(1, kind, {{"a0", "", "l0", extra0}, {"a1", "", "l1", extra1}});
    };
    const std::tuple<const char*, std::string, QuizText> cases[] = {
        {"one picture, bytes after the colour",
         Head(1, 1) + Fields({"Chat", "ici"}) + Bytes({0}) + kColour + "trailing",
         Quiz(1, 0, {{"Chat", "", "ici", ""}})},
        // No section: there is nobody to carry the kind, but it is kept.
        {"no pictures", Head(0, 1) + Bytes({3}) + kColour, Quiz(1, 3, {})},
        {"two answers read three fields",
         Head(2, 2) + Fields({"a", "b", "c", "d", "e", "f"}) + Bytes({0}) + kColour,
         Quiz(2, 0, {{"a", "b", "c", ""}, {"d", "e", "f", ""}})},
        {"kind 2", withKind(2, Fields({"e0", "e1"})), extras(2, "e0", "e1")},
        {"kind 4", withKind(4, Fields({"e0", "e1"})), extras(4, "e0", "e1")},
        {"kind 3", withKind(3, Fields({"e0", "drop0", "e1", "drop1"})), extras(3, "e0", "e1")},
        {"kind 0", withKind(0, ""), extras(0, "", "")},
        {"kind 1", withKind(1, ""), extras(1, "", "")},
        {"kind 5", withKind(5, ""), extras(5, "", "")},
        {"empty fields are empty texts", Bytes({0, 1, 1, 1}) + "|||||||" + Bytes({0, 1, 2, 3}),
         QuizText{0, 1, 1, "", "", "", "", "", {{}}, 0, 1, 2, 3}},
    };
    for (const auto& [why, text, expected] : cases) {
        const std::optional<QuizText> quiz = ParseQuizText(text);
        ASSERT_TRUE(quiz) << why;
        EXPECT_TRUE(Same(*quiz, expected)) << why;
    }
}

TEST(QuizTextParse, RefusesMalformedTexts) {
    const std::string whole = Bytes({0, 1, 1, 1}) + kHeaderFields + Fields({"Chat", "ici"}) +
                              Bytes({2}) + Fields({"extra"}) + Bytes({1, 2, 3});
    ASSERT_TRUE(ParseQuizText(whole));
    // Every cut short of the last colour byte loses something the layout needs.
    for (std::size_t length = 0; length < whole.size(); ++length) {
        EXPECT_FALSE(ParseQuizText(whole.substr(0, length))) << "cut at " << length;
    }
    std::string manyPictures;
    for (int i = 0; i < 97; ++i) {
        manyPictures += Fields({"a", "l"});
    }
    const std::pair<const char*, std::string> cases[] = {
        {"97 pictures", Bytes({0, 1, 97, 1}) + kHeaderFields + manyPictures + Bytes({0, 1, 2, 3})},
        {"49 pictures with two answers", Bytes({0, 1, 49, 2}) + kHeaderFields},
        {"33 pictures with three answers", Bytes({0, 1, 33, 3}) + kHeaderFields},
        {"a field without its bar", Bytes({0, 1, 0, 1}) + "Titre"},
    };
    for (const auto& [why, text] : cases) {
        EXPECT_FALSE(ParseQuizText(text)) << why;
    }
    // 96 pictures fit.
    const std::string fit96 = manyPictures.substr(Fields({"a", "l"}).size());
    EXPECT_TRUE(ParseQuizText(Bytes({0, 1, 96, 1}) + kHeaderFields + fit96 + Bytes({0, 1, 2, 3})));
}

TEST(CodesTextParse, ReadsExactlyCountLinesOrNothing) {
    using Lines = std::vector<std::string>;
    const std::tuple<const char*, std::string, int, std::optional<Lines>> cases[] = {
        {"lines past count", "un\r\n\r\ntrois\r\nextra\r\n", 3, Lines{"un", "", "trois"}},
        {"count 0", "un\r\n", 0, Lines{}},
        {"as written", "un\r\n\r\n\xE9t\xE9\r\n", 3, Lines{"un", "", "\xE9t\xE9"}},
        // The byte after CR is skipped whatever it is; a lone LF is text.
        {"byte after CR", "a\rXb\nc\r\n", 2, Lines{"a", "b\nc"}},
        {"final CR without its LF", "a\r", 1, Lines{"a"}},
        {"last line unended", "un\r\ndeux", 2, std::nullopt},
        {"empty", "", 1, std::nullopt},
        {"a line short", "un\r\n", 2, std::nullopt},
    };
    for (const auto& [why, text, count, expected] : cases) {
        EXPECT_EQ(ParseCodesText(text, count), expected) << why;
    }
}

TEST(QuizTextFormat, ParseGivesBackWhatWasFormatted) {
    const std::pair<const char*, QuizText> cases[] = {
        {"no pictures", Quiz(1, 3, {})},
        {"one answer, kind 0", Quiz(1, 0, {{"chat", "", "ici", ""}, {"", "", "", ""}})},
        {"two answers, kind 0", Quiz(2, 0, {{"a", "b", "c", ""}, {"d", "", "f", ""}})},
        {"kind 2", Quiz(1, 2, {{"a", "", "c", "e0"}, {"d", "", "f", ""}})},
        {"kind 3", Quiz(2, 3, {{"a", "b", "c", "e0"}, {"d", "e", "f", "e1"}})},
        {"kind 4", Quiz(1, 4, {{"\xFF", "", "\x80", "\xC0"}})},
        {"kind 200, seven answers", Quiz(7, 200, {{"a", "", "c", ""}})},
    };
    for (const auto& [why, quiz] : cases) {
        std::optional<QuizText> back = ParseQuizText(FormatQuizText(quiz));
        ASSERT_TRUE(back) << why;
        EXPECT_TRUE(Same(*back, quiz)) << why;
    }
}

TEST(QuizTextFormat, WritesTheLayoutByteForByte) {
    QuizText quiz = Quiz(2, 3, {{"a", "b", "c", "e"}});
    const std::string want = Bytes({0xE9, 3, 1, 2}) +
                             Fields({"Pr\xE9nom", "Auteur", "", "x1", "x2", "a", "b", "c"}) +
                             Bytes({3}) + Fields({"e", ""}) + Bytes({124, 200, 0});
    EXPECT_EQ(FormatQuizText(quiz), want);
}

TEST(QuizTextFormat, CodesEndEveryLineWithCarriageReturnLineFeed) {
    EXPECT_EQ(FormatCodesText({"un", "", "\xE9t\xE9"}), "un\r\n\r\n\xE9t\xE9\r\n");
    EXPECT_EQ(FormatCodesText({}), "");
}

}  // namespace
}  // namespace brivel
