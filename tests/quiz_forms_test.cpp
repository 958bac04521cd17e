#include "maker/quiz_forms.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <tuple>
#include <vector>

#include "maker/carried_notices.h"
#include "pe_image.h"
#include "picture_fixtures.h"
#include "services/quiz_resources.h"
#include "turbojpeg_codec.h"

namespace brivel {
namespace {

using testing::Put;

std::vector<std::uint8_t> Bytes(const std::string& text) {
    return {text.begin(), text.end()};
}

std::vector<std::uint8_t> DataFile(const std::string& name) {
    std::ifstream in(std::string(BRIVEL_TEST_DATA_DIR) + "/" + name, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

const std::vector<std::uint8_t> kWebPlayer =
    Bytes("<!DOCTYPE html>\n<pre id=\"notices\" tabindex=\"0\">&lt;a&gt; &amp;lt;</pre>\n"
          "<div id=\"brivel-quiz\" hidden></div>\n");
const std::vector<std::uint8_t> kLinuxPlayer = Bytes("\177ELF player");
const std::vector<std::uint8_t> kWindowsPlayer = Bytes(testing::MakeImage(false));

// Texts a writer must escape, and every key no player shows away from its default.
Quiz TwoPictures() {
    Quiz quiz;
    quiz.title = "Le \"château\" \\ fort";
    quiz.author = "Zoé";
    quiz.colour = {1, 2, 3};
    quiz.extraText1 = "un";
    quiz.extraText2 = "deux";
    quiz.answersPerPicture = 2;
    quiz.headerByte = 3;
    quiz.firstByte = 7;
    quiz.kind = 3;
    quiz.link = "https://exemple.fr/brivel?de=1";
    for (const std::string file : {"tiny.jpg", "tiny.png"}) {
        Quiz::Picture& picture = quiz.pictures.emplace_back();
        picture.name = file;
        picture.stored = DataFile(file);
        picture.answer = "œuf " + file.substr(5);
        picture.code = picture.secondAnswer = picture.location = picture.extra = "étape " + file;
    }
    quiz.pictures[1].description = "un «indice» \U0001F600";  // the first has none
    return quiz;
}

// All that every form gives back whole: everything but the pictures' files.
std::string TextsOf(Quiz quiz) {
    for (Quiz::Picture& picture : quiz.pictures) {
        picture.name.clear();
        picture.given = picture.stored = {};
    }
    return FormatDescription(quiz, DescriptionWriter::Unpack);
}

TEST(QuizFormsTest, EveryFormGivesBackTheQuizItWrote) {
    const Quiz quiz = TwoPictures();
    tool::TurboJpegCodec codec;
    // And the notices each carries: none in a .res or in a player without them, the
    // page's as text, the folder's as the maker library's.
    const std::tuple<QuizForm, std::vector<std::uint8_t>, NoticesStatus, std::string> forms[] = {
        {QuizForm::Res, {}, NoticesStatus::NoPlayer, ""},
        {QuizForm::Windows, kWindowsPlayer, NoticesStatus::NoneCarried, ""},
        {QuizForm::Linux, kLinuxPlayer, NoticesStatus::Unreadable, ""},
        {QuizForm::Web, kWebPlayer, NoticesStatus::Carried, "<a> &lt;"},
        {QuizForm::Folder, {}, NoticesStatus::Carried, kZipNotices}};
    for (const auto& [form, player, notices, text] : forms) {
        SCOPED_TRACE(QuizFormName(form));
        const WrittenQuiz written = WriteQuiz(quiz, form, player, codec);
        ASSERT_EQ(written.status, FormStatus::Ok) << written.detail;
        const std::vector<std::uint8_t> bytes = Bytes(written.bytes);
        EXPECT_EQ(RecogniseQuizForm(bytes.data(), bytes.size()), form);
        const CarriedNotices carried = NoticesOfQuiz(bytes.data(), bytes.size(), form);
        EXPECT_EQ(std::tie(carried.status, carried.text), std::tie(notices, text));
        OpenedQuiz opened = OpenQuiz(bytes, codec);
        ASSERT_EQ(opened.status, FormStatus::Ok) << opened.detail;
        EXPECT_EQ(opened.form, form);
        EXPECT_EQ(TextsOf(opened.quiz), TextsOf(quiz));
        ASSERT_EQ(opened.quiz.pictures.size(), 2u);
        EXPECT_EQ(opened.quiz.pictures[0].given, quiz.pictures[0].stored);
        EXPECT_EQ(opened.quiz.pictures[1].given, quiz.pictures[1].stored);
        // A PNG is RCDATA, where the players look for one.
        EXPECT_TRUE(!opened.resources || !FindPicture(*opened.resources, 402)->jpeg);
    }
    // Unpack's description, every key written, reads back the same.
    std::vector<FolderFile> folder = {
        {"quiz.toml", Bytes(FormatDescription(quiz, DescriptionWriter::Unpack))},
        {"tiny.jpg", quiz.pictures[0].stored},
        {"tiny.png", quiz.pictures[1].stored}};
    EXPECT_EQ(TextsOf(OpenQuizFiles(folder, codec).quiz), TextsOf(quiz));
    // The studio writes only what differs from the defaults.
    Quiz plain;
    plain.title = "t";
    plain.pictures = {quiz.pictures[0]};
    plain.pictures[0].location.clear();
    EXPECT_EQ(
        WriteQuiz(plain, QuizForm::Description, {}, codec).bytes,
        "# Made with Brivel Studio: `brivel pack` of this folder gives the same quiz.\n\n"
        "title = \"t\"\nauthor = \"\"\nexplanation = \"\"\ncolour = [90, 95, 150]\n\n"
        "[[picture]]\nfile = \"tiny.jpg\"\nanswer = \"œuf jpg\"\ncode = \"étape tiny.jpg\"\n");
}

TEST(QuizFormsTest, TheDraftRecordKeepsTheQuizAsTyped) {
    Quiz draft = TwoPictures();
    draft.title = "ő | \"é\"\n";  // no player can hold it: an error, kept as typed
    draft.pictures[0].id = 7;
    draft.pictures[1].id = 3;
    draft.pictures[1].note = "elle ne se lit pas";
    draft.pictures[1].unusable = true;
    draft.pictures.emplace_back().name = "never-read.jpg";
    const std::optional<Quiz> back = ReadQuizRecord(FormatQuizRecord(draft));
    ASSERT_TRUE(back);
    draft.pictures.pop_back();
    EXPECT_EQ(TextsOf(*back), TextsOf(draft));
    ASSERT_EQ(back->pictures.size(), 2u);
    for (std::size_t i = 0; i < 2; ++i) {
        const Quiz::Picture& got = back->pictures[i];
        const Quiz::Picture& want = draft.pictures[i];
        EXPECT_EQ(std::tie(got.name, got.id, got.note, got.unusable),
                  std::tie(want.name, want.id, want.note, want.unusable));
    }
    // A key missing (an older record) keeps its default; what does not read is refused.
    const std::optional<Quiz> older = ReadQuizRecord("title = \"t\"\n[[picture]]\nid = 2\n");
    ASSERT_TRUE(older && older->pictures.size() == 1);
    EXPECT_EQ(older->colour, kDefaultColour);
    EXPECT_EQ(older->headerByte, 1);
    EXPECT_FALSE(ReadQuizRecord("title = \"t"));
    EXPECT_FALSE(ReadQuizRecord("picture = [1]"));
}

TEST(QuizFormsTest, OpeningSaysWhyItCannot) {
    tool::TurboJpegCodec codec;
    const std::string res = WriteQuiz(TwoPictures(), QuizForm::Res, {}, codec).bytes;
    ZipWriter noDescription;
    noDescription.Add("01.jpg", "x");
    ZipWriter faulty;
    faulty.Add("quiz.toml", "title = 1\n");
    const std::string errors = faulty.Finish();
    std::string huge = errors;
    Put(huge, huge.rfind("quiz.toml") - 46 + 24, 4, 0x7FFFFFFF);
    const std::string pieces = "<script type=\"application/octet-stream\">#</script>";
    const struct {
        std::vector<std::uint8_t> bytes;
        FormStatus status;
    } cases[] = {
        {Bytes("a text"), FormStatus::NotAQuiz},
        {Bytes(res.substr(0, 60)), FormStatus::DamagedResources},
        {Bytes("MZ and nothing more"), FormStatus::UnreadableQuizProgram},
        {kWindowsPlayer, FormStatus::BareWindowsPlayer},
        {kLinuxPlayer, FormStatus::BareLinuxPlayer},
        {kWebPlayer, FormStatus::BareWebPlayer},
        {Bytes("<!DOCTYPE html>\n<div id=\"brivel-quiz\" hidden>" + pieces + "</div>"),
         FormStatus::PageNotBase64},
        {Bytes(res.substr(0, 32)), FormStatus::DamagedTexts},
        {Bytes(huge.substr(0, 30)), FormStatus::DamagedArchive},
        {Bytes(noDescription.Finish()), FormStatus::NoDescription},
        {Bytes(huge), FormStatus::ArchiveTooLarge},
        {Bytes(errors), FormStatus::DescriptionErrors},
    };
    for (const auto& c : cases) {
        const OpenedQuiz opened = OpenQuiz(c.bytes, codec);
        EXPECT_EQ(opened.status, c.status) << FormStatusName(c.status);
        EXPECT_EQ(opened.problems.empty(), c.status != FormStatus::DescriptionErrors);
    }
}

TEST(QuizFormsTest, WritingSaysWhyItCannot) {
    std::string signed_ = testing::MakeImage(false);
    Put(signed_, testing::Directories(false) + 32, 4, 0x600);  // the certificate table
    Put(signed_, testing::Directories(false) + 36, 4, 16);
    Quiz unanswered = TwoPictures();
    unanswered.pictures[1].answer.clear();
    Quiz unusable = TwoPictures();
    unusable.pictures[0].unusable = true;
    const struct {
        const Quiz quiz;
        QuizForm form;
        std::vector<std::uint8_t> player;
        FormStatus status;
    } cases[] = {
        {TwoPictures(), QuizForm::Web, kLinuxPlayer, FormStatus::NotWebPlayer},
        {TwoPictures(), QuizForm::Linux, kWebPlayer, FormStatus::NotLinuxProgram},
        {TwoPictures(), QuizForm::Linux, kWindowsPlayer, FormStatus::WindowsNotLinux},
        {TwoPictures(), QuizForm::Windows, kLinuxPlayer, FormStatus::LinuxNotWindows},
        {TwoPictures(), QuizForm::Windows, Bytes("MZ"), FormStatus::UnreadablePlayer},
        {TwoPictures(), QuizForm::Windows, Bytes(signed_), FormStatus::PlayerCannotCarry},
        {unanswered, QuizForm::Folder, {}, FormStatus::DescriptionErrors},
        {unusable, QuizForm::Res, {}, FormStatus::UnusablePicture},
    };
    tool::TurboJpegCodec codec;
    for (const auto& c : cases) {
        const WrittenQuiz written = WriteQuiz(c.quiz, c.form, c.player, codec);
        EXPECT_EQ(written.status, c.status) << FormStatusName(c.status);
        EXPECT_TRUE(written.bytes.empty());
    }
}

// A picture the players cannot show is one error on its row, with its own
// reason, naming the maker's file: never "not prepared yet", and never
// another picture's name.
TEST(QuizFormsTest, CheckGivesEachUnusablePictureItsOwnReason) {
    const std::vector<std::uint8_t> jpeg = DataFile("tiny.jpg");
    const std::vector<std::uint8_t> cut(jpeg.begin(), jpeg.end() - 40);
    const struct {
        const char* name;
        std::vector<std::uint8_t> given;
        bool unusable;  // as the studio's preparing left it
        const char* says;  // in English, then in French
    } cases[] = {
        {"vide.jpg", {}, true, "is an empty file|est un fichier vide"},
        {"texte.jpg", Bytes("pas une image"), true,
         "is neither a JPEG nor a PNG|n'est pas une image"},
        {"photo.heic", Bytes(std::string("\0\0\0\030ftypheic", 12)), true,
         "is a HEIC picture|est une image HEIC"},
        {"photo.webp", Bytes(std::string("RIFF\x24\0\0\0WEBPVP8 ", 16)), true,
         "is a damaged WebP|est abîmée"},
        {"coupée.jpg", cut, true, "is cut short|est coupée"},
        {"coupée-en-tête.jpg", cut, false, "is cut short|est coupée"},
        {"énorme.png", testing::PngFile().Ihdr(20000, 20000, 8, 2).Idat({0}).End().bytes, true,
         "is 20000 x 20000 pixels|mesure 20000 x 20000 points"},
        {"abîmée.jpg", jpeg, true, "is a damaged JPEG|est abîmée"},
    };
    tool::TurboJpegCodec codec;
    for (const auto& c : cases) {
        Quiz quiz = TwoPictures();
        quiz.pictures[1].name = c.name;
        quiz.pictures[1].given = quiz.pictures[1].stored = c.given;
        quiz.pictures[1].unusable = c.unusable;
        std::vector<DescriptionProblem> problems;
        EXPECT_FALSE(CheckQuiz(quiz, problems, codec));
        std::string errors;
        for (const DescriptionProblem& p : problems) {
            errors += p.severity == Severity::Error ? p.field + ": " + p.message + "|" + p.french : "";
        }
        const std::string says(c.says);
        const std::size_t bar = says.find('|');
        EXPECT_EQ(errors.rfind(std::string("picture[2].file: picture ") + c.name + " " +
                                   says.substr(0, bar), 0), 0u) << errors;
        EXPECT_NE(errors.find(std::string("|l'image ") + c.name + " " + says.substr(bar + 1)),
                  std::string::npos) << errors;
        EXPECT_EQ(std::count(errors.begin(), errors.end(), '|'), 1) << errors;
        EXPECT_EQ(WriteQuiz(quiz, QuizForm::Res, {}, codec).status,
                  c.unusable ? FormStatus::UnusablePicture : FormStatus::DescriptionErrors);
    }
}

// Pictures had as a file-reading source has them: Read follows Expect, or
// the tool's threads would wait for a picture never started.
class OrderedPictures final : public PictureSource {
public:
    explicit OrderedPictures(const Quiz& quiz, bool fails) : quiz_(quiz), fails_(fails) {}
    bool Describe(std::size_t index, std::uint64_t& size,
                  std::vector<std::uint8_t>& head) override {
        size = quiz_.pictures[index].stored.size();
        head.assign(quiz_.pictures[index].stored.begin(), quiz_.pictures[index].stored.end());
        return true;
    }
    void Expect(const std::vector<std::size_t>& order) override { expected = order; }
    bool Read(std::size_t index, const std::uint8_t*& data, std::size_t& size) override {
        read.push_back(index);
        data = quiz_.pictures[index].stored.data();
        size = quiz_.pictures[index].stored.size();
        return !fails_;
    }
    std::vector<std::size_t> expected;
    std::vector<std::size_t> read;

private:
    const Quiz& quiz_;
    bool fails_;
};

class RefusingSink final : public ByteSink {
public:
    using ByteSink::Write;
    bool Write(const void*, std::size_t) override { return false; }
    bool Overwrite(std::uint64_t, const void*, std::size_t) override { return false; }
};

TEST(QuizFormsTest, StreamsEachPictureInTheOrderItTells) {
    Quiz quiz = TwoPictures();
    std::swap(quiz.pictures[0], quiz.pictures[1]);  // a PNG, then a JPEG
    tool::TurboJpegCodec codec;
    std::vector<DescriptionProblem> problems;
    const std::optional<QuizDescription> checked = CheckQuiz(quiz, problems, codec);
    ASSERT_TRUE(checked);
    const QuizTexts texts{checked->text, checked->codes, checked->link, checked->descriptions};
    const struct {
        QuizForm form;
        std::vector<std::uint8_t> player;
        std::vector<std::size_t> order;
    } cases[] = {
        {QuizForm::Res, {}, {0, 1}},
        {QuizForm::Windows, kWindowsPlayer, {1, 0}},  // JPEGs are laid out first
        {QuizForm::Linux, kLinuxPlayer, {0, 1}},
        {QuizForm::Web, kWebPlayer, {0, 1}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(QuizFormName(c.form));
        OrderedPictures pictures(quiz, false);
        StringSink sink;
        std::string detail;
        ASSERT_EQ(StreamQuiz(texts, c.form, c.player, pictures, sink, detail), FormStatus::Ok);
        EXPECT_EQ(pictures.expected, c.order);
        EXPECT_EQ(pictures.read, c.order);
        EXPECT_EQ(sink.bytes, WriteQuiz(quiz, c.form, c.player, codec).bytes);
        OrderedPictures failing(quiz, true);
        EXPECT_EQ(StreamQuiz(texts, c.form, c.player, failing, sink, detail),
                  FormStatus::UnusablePicture);
        RefusingSink refusing;
        EXPECT_EQ(StreamQuiz(texts, c.form, c.player, pictures, refusing, detail),
                  FormStatus::NotWritten);
    }
}

TEST(ZipArchiveTest, ReadsTheQuizFolderAtAnyDepthAndRefusesDamage) {
    const std::vector<std::uint8_t> archive = DataFile("quiz-folder.zip");
    const ZipFolder folder = ReadZipFolder(archive.data(), archive.size());
    ASSERT_EQ(folder.status, ZipStatus::Ok);
    EXPECT_EQ(folder.folder, "Mon quiz/");
    std::vector<std::string> names;
    for (const FolderFile& file : folder.files) {
        names.push_back(file.name);
    }
    // Deflated and stored, said UTF-8, the DOS code page, a Mac's UTF-8 unsaid.
    EXPECT_EQ(names,
              (std::vector<std::string>{"quiz.toml", "01.jpg", "sous/02.png", "été.jpg", "île.jpg",
                                        "c\u0327a\u0300.jpg", "vieux/quiz.toml"}));
    EXPECT_EQ(folder.files[1].bytes, DataFile("tiny.jpg"));
    EXPECT_EQ(folder.files[2].bytes, DataFile("tiny.png"));
    tool::TurboJpegCodec codec;
    const OpenedQuiz opened = OpenQuiz(archive, codec);
    ASSERT_EQ(opened.quiz.pictures.size(), 5u);  // the Mac's name found by its composed name
    EXPECT_EQ(opened.quiz.pictures[4].given, DataFile("tiny.jpg"));

    ZipWriter writer;
    writer.Add("quiz.toml", "t");
    writer.Add("01.png", "a picture");
    const std::string whole = writer.Finish();
    const std::size_t record = whole.rfind("01.png") - 46;  // its directory record
    const std::size_t data = whole.find("01.png") + 6;
    const std::size_t end = whole.size() - 22;
    const struct {
        std::function<void(std::string&)> damage;
        ZipStatus status;
    } cases[] = {
        {[](std::string& z) { z.resize(z.size() / 2); }, ZipStatus::NotAZip},
        {[&](std::string& z) { Put(z, end + 16, 4, 0x7000); }, ZipStatus::Damaged},
        {[&](std::string& z) { Put(z, record + 42, 4, 0x7000); }, ZipStatus::Damaged},
        {[&](std::string& z) { z[data] = 'A'; }, ZipStatus::BadCrc},
        {[&](std::string& z) { Put(z, record + 24, 4, 3); }, ZipStatus::BadData},
        {[&](std::string& z) { Put(z, record + 24, 4, 0x7FFFFFFF); }, ZipStatus::TooLarge},
        {[&](std::string& z) { Put(z, record + 8, 2, 1); }, ZipStatus::Unsupported},
        {[&](std::string& z) { Put(z, record + 10, 2, 12); }, ZipStatus::Unsupported},
        {[&](std::string& z) { Put(z, end + 10, 2, 0xFFFF); }, ZipStatus::Unsupported},
        {[](std::string& z) { z.replace(z.rfind("quiz.toml"), 4, "quid"); },
         ZipStatus::NoDescription},
    };
    for (const auto& c : cases) {
        std::string damaged = whole;
        c.damage(damaged);
        const std::vector<std::uint8_t> bytes = Bytes(damaged);
        EXPECT_EQ(ReadZipFolder(bytes.data(), bytes.size()).status, c.status)
            << ZipStatusName(c.status);
    }
}

}  // namespace
}  // namespace brivel
