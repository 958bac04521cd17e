#include "maker/quiz_description.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "maker/picture_folder.h"
#include "scratch_folder.h"
#include "turbojpeg_codec.h"

namespace brivel {
namespace {

namespace fs = std::filesystem;

// Each test gets a fresh quiz folder holding a.jpg (16 x 12), b.png, and
// été.jpg named as a Mac names it, its accents apart (NFD).
class QuizDescriptionTest : public ::testing::Test {
protected:
    void SetUp() override {
        const fs::path data(BRIVEL_TEST_DATA_DIR);
        fs::copy_file(data / "tiny.jpg", dir_ / "a.jpg");
        fs::copy_file(data / "tiny.png", dir_ / "b.png");
        fs::copy_file(data / "tiny.jpg", dir_ / "e\u0301te\u0301.jpg");
        fs::copy_file(data / "bad-data.png", dir_ / "bad.png");
        std::ofstream(dir_ / "text.jpg") << "not a picture";
        fs::create_directory(dir_ / "folder.jpg");
    }

    std::optional<QuizDescription> Load(const std::string& toml) {
        std::ofstream(dir_ / "quiz.toml", std::ios::binary) << toml;
        problems_.clear();
        std::optional<QuizDescription> loaded =
            LoadQuizDescription(dir_.string(), problems_, codec_);
        // The studio shows the French beside the field: never the description's own names.
        for (const DescriptionProblem& p : problems_) {
            EXPECT_TRUE(!p.french.empty() && p.french.find_first_of("[]`_") == std::string::npos &&
                        p.french.find("Windows-1252") == std::string::npos)
                << p.message << " | " << p.french;
        }
        return loaded;
    }
    // The problems other than the size warning every tiny picture earns, the
    // note that second answers are never accepted and, unless asked for, the
    // close-answer warnings of repeated answers.
    std::vector<DescriptionProblem> Problems(bool keepClose = false) const {
        std::vector<DescriptionProblem> kept;
        for (const DescriptionProblem& p : problems_) {
            if (p.severity != Severity::Info && p.message.find("not 640 x 480") == std::string::npos &&
                p.message.find("never accept") == std::string::npos &&
                (keepClose || (p.message.find("close to") == std::string::npos &&
                               p.message.find("same answer") == std::string::npos))) {
                kept.push_back(p);
            }
        }
        return kept;
    }

    testing::ScratchFolder scratch_{"quiz"};
    const fs::path dir_ = scratch_.path();
    std::vector<DescriptionProblem> problems_;
    tool::TurboJpegCodec codec_;
};

const std::string kHead = "title = \"T\"\nauthor = \"A\"\n";  // lines 1 and 2

std::string Picture(const std::string& answer, const std::string& more = "") {
    return "[[picture]]\nfile = \"a.jpg\"\nanswer = \"" + answer + "\"\ncode = \"1\"\n" + more;
}

std::string Repeat(const std::string& text, int times) {
    std::string out;
    for (int i = 0; i < times; ++i) {
        out += text;
    }
    return out;
}

std::string Describe(const std::vector<DescriptionProblem>& problems) {
    std::string out;
    for (const DescriptionProblem& p : problems) {
        out += std::to_string(p.line) + ": " + p.field + ": " + p.message + "\n";
    }
    return out;
}

struct BadCase {
    const char* name;
    std::string toml;
    int line;
    const char* field;  // "" with line 0: no problem at all
    const char* message;
    bool warning = false;
};

TEST_F(QuizDescriptionTest, ReportsEachProblemWithItsLineAndField) {
    const BadCase cases[] = {
        {"bar", "title = \"a|b\"\nauthor = \"A\"\n" + Picture("x"), 1, "title", "\"|\""},
        {"code line break",
         kHead + "[[picture]]\nfile = \"a.jpg\"\nanswer = \"x\"\ncode = \"1\\n2\"\n", 6,
         "picture[1].code", "line break"},
        {"bar in code is fine",
         kHead + "[[picture]]\nfile = \"a.jpg\"\nanswer = \"x\"\ncode = \"|\"\n", 0, "", ""},
        {"260 bytes", kHead + "explanation = \"" + Repeat("é", 260) + "\"\n" + Picture("x"), 3,
         "explanation", "260 bytes"},
        {"259 bytes fit", kHead + "explanation = \"" + Repeat("é", 259) + "\"\n" + Picture("x"), 0,
         "", ""},
        {"not Windows-1252", "title = \"T\"\nauthor = \"\u2603\"\n" + Picture("x"), 2, "author",
         "Windows-1252"},
        {"missing title", "author = \"A\"\n" + Picture("x"), 1, "title", "missing"},
        {"no pictures", kHead, 1, "picture", "at least one"},
        {"missing code", kHead + "[[picture]]\nfile = \"a.jpg\"\nanswer = \"x\"\n", 3,
         "picture[1].code", "missing"},
        {"missing second answer", "answers_per_picture = 2\n" + kHead + Picture("x"), 4,
         "picture[1].second_answer", "missing"},
        {"97 pictures", kHead + Repeat(Picture("x"), 97), 3 + 96 * 4, "picture", "at most 96"},
        {"2 x 49 answers",
         "answers_per_picture = 2\n" + kHead + Repeat(Picture("x", "second_answer = \"y\"\n"), 49),
         4 + 48 * 5, "picture", "at most 96"},
        {"answers per picture 3", "answers_per_picture = 3\n" + kHead + Picture("x"), 1,
         "answers_per_picture", "from 1 to 2"},
        {"colour byte", kHead + "colour = [1, 2, 256]\n" + Picture("x"), 3, "colour", "0 to 255"},
        {"colour size", kHead + "colour = [1, 2]\n" + Picture("x"), 3, "colour", "[red"},
        {"missing picture",
         kHead + "[[picture]]\nanswer = \"x\"\nfile = \"none.jpg\"\ncode = \"\"\n", 5,
         "picture[1].file", "not found"},
        {"not a picture", kHead + "[[picture]]\nfile = \"text.jpg\"\nanswer = \"x\"\ncode = \"\"\n",
         4, "picture[1].file", "neither a JPEG nor a PNG"},
        {"bad PNG", kHead + "[[picture]]\nfile = \"bad.png\"\nanswer = \"x\"\ncode = \"\"\n", 4,
         "picture[1].file", "BadFile"},
        {"unknown key", kHead + "colour_ = 1\n" + Picture("x"), 3, "colour_", "unknown", true},
        {"unknown picture key", kHead + Picture("x", "answr = \"y\"\n"), 7, "picture[1].answr",
         "unknown", true},
        {"extra without its kind", kHead + Picture("x", "extra = \"e\"\n"), 7, "picture[1].extra",
         "ignored", true},
        {"picture is a folder",
         kHead + "[[picture]]\nfile = \"folder.jpg\"\nanswer = \"x\"\ncode = \"\"\n", 4,
         "picture[1].file", "is a folder"},
        // Answers no typed text can match: the answer box trims what is typed
        // and never takes a control character.
        {"leading space", kHead + Picture(" x"), 5, "picture[1].answer", "starts with a space"},
        {"trailing space", kHead + Picture("x "), 5, "picture[1].answer", "ends with a space"},
        {"only spaces", kHead + Picture("   "), 5, "picture[1].answer", "only spaces"},
        {"tab", kHead + Picture("a\\tb"), 5, "picture[1].answer", "TAB"},
        {"control character", kHead + Picture("a\\u0001b"), 5, "picture[1].answer", "U+0001"},
        // Answers players are unlikely to type as written, with what they get.
        {"upper-case accent", kHead + Picture("Île de Ré"), 5, "picture[1].answer",
         "\"île de Ré\" gives \"Quasiment\"", true},
        {"typographic quotes", kHead + Picture("l’arc «x»"), 5, "picture[1].answer",
         "’ (typographic apostrophe), « (opening French quote), » (closing French quote): "
         "keyboards type ' and \"; typing \"l'arc \"x\"\" gives \"FAUX\"",
         true},
        {"double space", kHead + Picture("la  mer"), 5, "picture[1].answer",
         "\"la mer\" gives \"Quasiment\"", true},
        // Typed on a Mac: the accents composed before any check.
        {"decomposed accents", kHead + Picture("I\u0302le de Re\u0301"), 5, "picture[1].answer",
         "\"île de Ré\" gives \"Quasiment\"", true},
        // The maker's link and the pictures' descriptions.
        {"link not on the web", kHead + "link = \"ftp://exemple.fr\"\n" + Picture("x"), 3, "link",
         "starts with https:// or http://"},
        {"link with a space", kHead + "link = \"https://exemple.fr/a b\"\n" + Picture("x"), 3,
         "link", "without spaces"},
        {"link", kHead + "link = \"https://exemple.fr/quiz?a=1\"\n" + Picture("x"), 0, "", ""},
        {"description giving the answer", kHead + Picture("Tour Eiffel", "description = \"La tour eiffel de nuit\"\n"),
         7, "picture[1].description", "holds the picture's answer \"Tour Eiffel\"", true},
        {"description with a line break", kHead + Picture("x", "description = \"a\\nb\"\n"), 7,
         "picture[1].description", "line break"},
        {"description", kHead + Picture("chat", "description = \"Un félin \u2014 qui dort\"\n"), 0,
         "", ""},
        {"decomposed file name",
         kHead + "[[picture]]\nfile = \"été.jpg\"\nanswer = \"x\"\ncode = \"\"\n", 0, "", ""},
    };
    for (const BadCase& c : cases) {
        SCOPED_TRACE(c.name);
        const std::optional<QuizDescription> loaded = Load(c.toml);
        const std::vector<DescriptionProblem> problems = Problems();
        if (c.line == 0) {
            EXPECT_TRUE(loaded.has_value());
            EXPECT_TRUE(problems.empty()) << Describe(problems);
            continue;
        }
        ASSERT_EQ(problems.size(), 1u) << Describe(problems);
        const DescriptionProblem& p = problems[0];
        EXPECT_EQ(p.file, (dir_ / "quiz.toml").string());
        EXPECT_EQ(p.line, c.line);
        EXPECT_EQ(p.field, c.field);
        EXPECT_NE(p.message.find(c.message), std::string::npos) << p.message;
        EXPECT_EQ(p.severity, c.warning ? Severity::Warning : Severity::Error);
        EXPECT_EQ(loaded.has_value(), c.warning);
    }
}

TEST_F(QuizDescriptionTest, ExplainsSyntaxErrorsPlainlyWithLineAndColumn) {
    const struct {
        std::string toml;
        int line;
        int column;
        const char* message;
    } cases[] = {
        {"title = \"T\"\nauthor = \n", 2, 10, "nothing after \"=\""},
        {"title = \"Paris\nauthor = \"A\"\n", 1, 15, "missing closing quote"},
        {"title = Paris\n", 1, 9, "text needs quotes: write title = \"Paris\""},
        {"title = \"T\"\ntitle = \"U\"\n", 2, 9, "\"title\" is given twice"},
        {"[[picture]\n", 1, 11, "missing closing \"]]\""},
        {"title = \"T\"\nTour Eiffel\n", 2, 6, "expected key = value"},
        {"title = \"T\"\nauthor = \"Zo\xE9\"\n", 2, 13,
         "not UTF-8 here (byte 0xE9): save it as UTF-8"},
        {"title = \"é\xE9\"\n", 1, 11, "not UTF-8"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.toml);
        EXPECT_FALSE(Load(c.toml));
        ASSERT_EQ(problems_.size(), 1u) << Describe(problems_);
        EXPECT_EQ(problems_[0].line, c.line);
        EXPECT_EQ(problems_[0].column, c.column);
        EXPECT_NE(problems_[0].message.find(c.message), std::string::npos) << problems_[0].message;
    }
}

TEST_F(QuizDescriptionTest, ReportsEveryProblemAtOnce) {
    EXPECT_FALSE(Load("title = \"a|b\"\nauthor = \"A\"\n" +
                      Picture("x").replace(Picture("x").find("a.jpg"), 5, "none.jpg")));
    const std::vector<DescriptionProblem> problems = Problems();
    ASSERT_EQ(problems.size(), 2u);
    EXPECT_EQ(problems[0].field, "title");
    EXPECT_EQ(problems[1].field, "picture[1].file");
}

TEST_F(QuizDescriptionTest, WarnsOfAnswersThatWouldHintAtEachOther) {
    const struct {
        const char* first;
        const char* second;
        const char* says;  // null: not close
    } cases[] = {
        {"chat", "CHAT", "same answer as picture 1 (\"chat\")"},
        {"chien", "niche", "close to"},                   // anagram
        {"cheval", "chenal", "close to"},                 // one edit
        {"lapin", "sapins", "close to"},                  // two edits
        {"Tour Eiffel", "Tour", "close to"},              // one holds the other
        {"Chateau de sable", "chato de sable", "close to"},  // a good idea
        {"chat", "chien", nullptr},
        {"chat", "Tour Eiffel", nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.first) + " / " + c.second);
        ASSERT_TRUE(Load(kHead + Picture(c.first) + Picture(c.second)));
        const std::vector<DescriptionProblem> problems = Problems(true);
        ASSERT_EQ(problems.size(), c.says != nullptr ? 1u : 0u);
        if (c.says != nullptr) {
            EXPECT_NE(problems[0].message.find(c.says), std::string::npos) << problems[0].message;
            EXPECT_EQ(problems[0].severity, Severity::Warning);
            EXPECT_EQ(problems[0].field, "picture[2].answer");
            EXPECT_EQ(problems[0].line, 9);
        }
    }
    // 30 equal answers make 435 close pairs: the 20 closest, then a count.
    ASSERT_TRUE(Load(kHead + Repeat(Picture("chat"), 29) + Picture("chats")));
    const std::vector<DescriptionProblem> problems = Problems(true);
    ASSERT_EQ(problems.size(), 21u);
    for (std::size_t i = 0; i < 20; ++i) {
        EXPECT_NE(problems[i].message.find("same answer as picture"), std::string::npos)
            << problems[i].message;
    }
    EXPECT_NE(problems[20].message.find("415 more pairs"), std::string::npos)
        << problems[20].message;
    // A character no quiz holds stands as "?" in the graded text, never in what is quoted.
    EXPECT_FALSE(Load(kHead + Picture("chat\U0001F600") + Picture("chat?")));
    EXPECT_NE(Describe(problems_).find("same answer as picture 1 (\"chat\U0001F600\")"),
              std::string::npos)
        << Describe(problems_);
}

TEST_F(QuizDescriptionTest, LoadsEveryFieldAndWarnsOfTheSecondAnswer) {
    const std::optional<QuizDescription> loaded = Load(R"(title = "Cœur"
author = "Zoé"
explanation = "E"
extra_text_1 = "X1"
extra_text_2 = "X2"
header = 3
first_byte = 124
answers_per_picture = 2
kind = 3
colour = [1, 124, 255]

[[picture]]
file = "a.jpg"
answer = "Œuf"
second_answer = "oeuf"
location = "ici"
extra = "plus"
code = "C|1"

[[picture]]
file = "b.png"
answer = "Pomme"
second_answer = "pommes"
code = ""
)");
    // Every field read back whole: QuizFormsTest writes each and reads it back.
    ASSERT_TRUE(loaded);
    EXPECT_EQ(loaded->codes, (std::vector<std::string>{"C|1", ""}));
    // Kept, but the makers are told that players never accept it.
    EXPECT_TRUE(std::any_of(problems_.begin(), problems_.end(), [](const DescriptionProblem& p) {
        return p.line == 8 && p.field == "answers_per_picture" &&
               p.message.find("never accept second_answer") != std::string::npos;
    }));
    EXPECT_EQ(loaded->pictureFiles,
              (std::vector<std::string>{(dir_ / "a.jpg").string(), (dir_ / "b.png").string()}));
}

TEST_F(QuizDescriptionTest, DefaultsMakeAMinimalQuizWarnedOfItsPictureSize) {
    const std::optional<QuizDescription> loaded = Load(kHead + Picture("x"));
    ASSERT_TRUE(loaded);
    const QuizText& text = loaded->text;
    EXPECT_EQ(std::tie(text.headerByte, text.firstByte, text.answersPerPicture, text.kind),
              std::make_tuple(1, 0, 1, 0));
    EXPECT_EQ(std::tie(text.red, text.green, text.blue), std::make_tuple(90, 95, 150));
    // The players enlarge the 16 x 12 picture; no picture has a description.
    ASSERT_EQ(problems_.size(), 2u);
    EXPECT_EQ(problems_[0].line, 4);
    EXPECT_EQ(problems_[0].field, "picture[1].file");
    EXPECT_EQ(problems_[0].severity, Severity::Warning);
    EXPECT_EQ(problems_[1].severity, Severity::Info);
    EXPECT_NE(problems_[1].message.find("no picture has a description"), std::string::npos);
}

// Names as a person orders them, whatever order the folder lists them in.
TEST(PictureFolderTest, OrdersNamesAsAPersonReadsThem) {
    const std::vector<std::string> ordered = {
        "2.jpg",        "10.jpg",    "123456789012345678901234567890.jpg",
        "b.png",        "ete.jpg",   "\u00C9t\u00E9.jpg",
        "IMG_0002.jpg", "IMG_2.jpg", "IMG_0010.JPG",
        "img_0010.jpg", "photo.jpg", "photo 2.jpg",
        "photo 10.jpg", "zoo.jpg"};
    std::vector<std::string> names = ordered;
    std::mt19937 random(23);
    for (int round = 0; round < 20; ++round) {
        std::shuffle(names.begin(), names.end(), random);
        std::sort(names.begin(), names.end(),
                  [](const std::string& a, const std::string& b) { return NaturalLess(a, b); });
        ASSERT_EQ(names, ordered);
    }
}

// What `brivel new` writes for this folder reads back naming each picture it
// found, in order, even by names TOML must escape: only the answers are left
// to write, and the PNG our decoder refuses is named.
TEST_F(QuizDescriptionTest, StarterForAFolderNamesEachPictureInOrder) {
    const fs::path data(BRIVEL_TEST_DATA_DIR);
    for (const char* name : {"quo\"te\\ 10.jpg", "line\nbreak.jpg", "._a.jpg", "Thumbs.db"}) {
        fs::copy_file(data / "tiny.jpg", dir_ / name);
    }
    std::ofstream(dir_ / "c.webp") << std::string("RIFF\x24\0\0\0WEBPVP8 ", 16);
    std::vector<FolderPicture> pictures;
    std::string reason;
    ASSERT_TRUE(PicturesInFolder(dir_.string(), pictures, reason)) << reason;
    std::ofstream(dir_ / "quiz.toml", std::ios::binary) << StarterDescriptionFor(pictures);
    std::optional<std::vector<std::string>> named;
    EXPECT_FALSE(LoadQuizDescription(dir_.string(), problems_, codec_, PictureCheck::Decode,
                                     nullptr, &named));
    std::vector<std::string> expected;
    for (const char* name : {"a.jpg", "b.png", "bad.png", "c.webp", "e\u0301te\u0301.jpg",
                             "line\nbreak.jpg", "quo\"te\\ 10.jpg"}) {
        expected.push_back((dir_ / name).string());
    }
    EXPECT_EQ(named, expected);
    std::size_t empty = 0;
    for (const DescriptionProblem& p : Problems()) {
        const bool isEmpty = p.message.rfind("empty: write between its quotes", 0) == 0;
        empty += isEmpty ? 1 : 0;
        EXPECT_TRUE(isEmpty || p.message.find("bad.png is a damaged PNG") != std::string::npos ||
                    p.message.find("c.webp is a damaged WebP") != std::string::npos)
            << p.message;
    }
    EXPECT_EQ(empty, expected.size());
    // The tool reads WebP: one is a picture of the quiz like the others.
    ASSERT_EQ(pictures.size(), expected.size());
    EXPECT_EQ(pictures[3].name, "c.webp");
    EXPECT_EQ(pictures[3].unusable, "");
}

}  // namespace
}  // namespace brivel
