#include "play/play_state.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <tuple>
#include <vector>

#include "app/play_session.h"
#include "app/progress_file.h"
#include "fakes.h"
#include "play/grading.h"
#include "scratch_folder.h"
#include "services/value_graphics.h"

namespace brivel {
namespace {

// Keeps what a screen would show, and a log of picture changes.
class FakeView : public PlayView {
public:
    void ShowVerdict(std::string_view word) override { verdict = word; }
    void ShowProgress(std::string_view text) override { progress = text; }
    void ShowCode(std::string_view text) override { code = text; }
    void ShowPicture(int index) override { pictures.push_back(index); }
    void SelectChooserEntry(int index) override { chooser = index; }
    void SetBoxText(std::string_view text) override { box = text; }
    std::string BoxText() override { return box; }
    // The box, the verdict, the progress and the code, as "box: verdict |progress| code".
    std::string Shown() const { return box + ": " + verdict + " |" + progress + "| " + code; }

    std::string verdict = "?", progress, code, box;
    std::vector<int> pictures;
    int chooser = -1;
};

// A quiz of count pictures whose answers are "a0", "a1", ... and whose code
// steps are "c0", "c1", ...
void FillQuiz(QuizRecord& record, int count) {
    record.pictureCount = count;
    for (int i = 0; i < count; ++i) {
        AppendPicture(record, "a" + std::to_string(i), "", "");
        CopyText(record.codeSteps[i], "c" + std::to_string(i));
    }
}

class PlayStateTest : public ::testing::Test {
protected:
    void MakeQuiz(int count, bool start = true) {
        FillQuiz(record, count);
        if (start) {
            play.StartPlay();
        }
    }

    testing::FakeGraphics graphics;
    QuizRecord record{graphics};
    FakeView view;
    PlayState play{record, view};
};

TEST_F(PlayStateTest, EnterFindsAndUnfinds) {
    MakeQuiz(3);
    view.box = "a0";
    play.SubmitAnswer(0);
    EXPECT_EQ(view.Shown(), "a0: BRAVO | 1 / 3| c0");
    view.box = "zzzz";
    play.SubmitAnswer(0);
    EXPECT_EQ(view.Shown(), "zzzz: FAUX | 0 / 3|       ");
    // Submitting does not store the text; leaving the picture does.
    EXPECT_EQ(TextOf(record.typedAnswers[0]), "");
}

TEST_F(PlayStateTest, StartsOnPictureOneAndMovesWrapAround) {
    MakeQuiz(3);
    // The start shows the first picture, unanswered; then each move and the
    // picture it leads to, shown and selected in the chooser.
    EXPECT_EQ(view.Shown(), ": ? | 0 / 3|       ");
    EXPECT_EQ(std::make_tuple(play.current(), view.pictures.back(), view.chooser),
              std::make_tuple(0, 0, 0));
    void (PlayState::*const previous)() = &PlayState::PreviousPicture;
    void (PlayState::*const next)() = &PlayState::NextPicture;
    const std::pair<void (PlayState::*)(), int> moves[] = {
        {previous, 2}, {next, 0}, {next, 1}, {next, 2}, {next, 0}};
    for (const auto& [move, picture] : moves) {
        (play.*move)();
        EXPECT_EQ(std::make_tuple(play.current(), view.pictures.back(), view.chooser),
                  std::make_tuple(picture, picture, picture));
    }
    play.ChoosePicture(1);
    EXPECT_EQ(play.current(), 1);
    EXPECT_EQ(view.pictures.back(), 1);
    EXPECT_EQ(ChooserLabel(2), "Image n\2602");  // \260: the degree sign
}

TEST_F(PlayStateTest, SinglePictureKeepsShowingItAndRegradesIt) {
    MakeQuiz(1);
    view.box = "a0";
    play.NextPicture();
    EXPECT_EQ(play.current(), 0);
    EXPECT_EQ(view.verdict, "BRAVO");
    EXPECT_EQ(TextOf(record.typedAnswers[0]), "a0");
    view.box = "a9";
    play.PreviousPicture();
    EXPECT_EQ(play.current(), 0);
    EXPECT_EQ(view.Shown(), "a9: Quasiment | 0 / 1|       ");
}

TEST_F(PlayStateTest, MoveStoresTheLeftTextWithoutGradingIt) {
    MakeQuiz(3);
    view.box = "a0";
    play.NextPicture();
    EXPECT_EQ(TextOf(record.typedAnswers[0]), "a0");
    EXPECT_EQ(view.Shown(), ": ? | 0 / 3|       ");  // not graded on leaving
    play.PreviousPicture();                          // showing it again grades it
    EXPECT_EQ(view.Shown(), "a0: BRAVO | 1 / 3| c0");
    // What is on screen when the player closes is kept too.
    play.ChoosePicture(1);
    view.box = "typed just before closing";
    play.StoreBoxText();
    EXPECT_EQ(TextOf(record.typedAnswers[1]), "typed just before closing");
}

TEST_F(PlayStateTest, EmptiedTextCountsUntilRegraded) {
    MakeQuiz(3);
    view.box = "a0";
    play.SubmitAnswer(0);
    view.box = "";
    play.NextPicture();
    EXPECT_EQ(view.progress, " 1 / 3");
    play.PreviousPicture();
    EXPECT_EQ(view.Shown(), ": ? | 0 / 3|       ");
}

TEST_F(PlayStateTest, OutOfRangeIndexesDoNothing) {
    MakeQuiz(3);
    view.verdict = "untouched";
    view.box = "a0";
    for (int index : {-1, 3, 9000}) {
        play.SubmitAnswer(index);
        play.ChoosePicture(index);
    }
    EXPECT_EQ(view.verdict, "untouched");
    EXPECT_EQ(play.current(), 0);
    EXPECT_EQ(TextOf(record.typedAnswers[0]), "");
}

TEST_F(PlayStateTest, NoPicturesKeepsCurrentAtZero) {
    record.pictureCount = 0;
    play.StartPlay();
    EXPECT_EQ(view.verdict, "?");
    EXPECT_EQ(view.pictures.back(), 0);
    play.PreviousPicture();
    EXPECT_EQ(play.current(), 0);
    play.NextPicture();
    EXPECT_EQ(play.current(), 0);
    EXPECT_EQ(view.progress, "");  // nothing was ever graded
}

TEST_F(PlayStateTest, SharedEntryCountsOncePerIndex) {
    // Test mode: seven pictures, two entries; indexes 1 to 6 share the second.
    record.pictureCount = 7;
    AppendPicture(record, "test", "test", "emplacement");
    AppendPicture(record, "test", "test", "emplacement");
    play.StartPlay();
    view.box = "test";
    play.SubmitAnswer(3);
    EXPECT_EQ(view.progress, " 6 / 7");
}

// A player's session on its progress file: restored and regraded at start (what the
// play state does on StartPlay), saved with what the box holds, and what the web page
// takes the same bytes.
TEST(PlaySession, RestoresStartsAndSavesWhatWasTyped) {
    // The progress file at start (null for none), the screen after the start as
    // "box: verdict |progress| code", and what a save before play writes.
    const std::tuple<const char*, const char*, const char*, const char*> kCases[] = {
        {"no file", nullptr, ": ? | 0 / 3|       ", "\r\n\r\n\r\n"},
        {"two found", "a0\r\nzzzz\r\na2\r\n", "a0: BRAVO | 2 / 3| c1", "a0\r\nzzzz\r\na2\r\n"},
        {"first one wrong", "zzzz\r\na1", "zzzz: FAUX | 1 / 3| c0", "zzzz\r\na1\r\n\r\n"},
    };
    const testing::ScratchFolder scratch("session");
    const std::string file = (scratch.path() / "quiz.txt").string();
    for (const auto& [name, start, shown, restored] : kCases) {
        SCOPED_TRACE(name);
        std::filesystem::remove(file);
        if (start != nullptr) {
            std::ofstream(file, std::ios::binary) << start;
        }
        testing::FakeGraphics graphics;
        QuizRecord record(graphics);
        FillQuiz(record, 3);
        CopyText(record.typedAnswers[0], "not restored");
        FakeView view;
        PlayState play(record, view);
        LoadProgress(record, file);
        StartSession(record, play, view);
        EXPECT_EQ(view.Shown(), shown);
        EXPECT_EQ(view.chooser, 0);
        EXPECT_EQ(view.pictures.back(), 0);

        EXPECT_EQ(SaveSession(record, nullptr, file), ReplaceStatus::Replaced);
        EXPECT_EQ(testing::FileBytes(file), restored);
        view.box = "typed";
        const std::string bytes = SessionProgress(record, play);
        EXPECT_EQ(bytes.substr(0, 7), "typed\r\n");
        EXPECT_EQ(SaveSession(record, &play, file), ReplaceStatus::Replaced);
        EXPECT_EQ(testing::FileBytes(file), bytes);

        // The next start finds what was typed in its box.
        QuizRecord next(graphics);
        next.pictureCount = 3;
        FakeView nextView;
        PlayState nextPlay(next, nextView);
        LoadProgress(next, file);
        StartSession(next, nextPlay, nextView);
        EXPECT_EQ(nextView.box, "typed");
    }
}

TEST_F(PlayStateTest, ProgressAndCodeTexts) {
    EXPECT_EQ(ProgressText(0, 0), " 0 / 0");
    CopyText(record.codeSteps[95], "last");
    EXPECT_EQ(play.CodeText(96), "last");
}

TEST(PlayTexts, VerdictFillIsChosenByTheWord) {
    ValueGraphics graphics;
    QuizRecord record(graphics);
    const std::tuple<Verdict, BrushHandle> kCases[] = {
        {Verdict::Unanswered, nullptr},         {Verdict::Correct, record.greenBrush},
        {Verdict::Anagram, record.orangeBrush}, {Verdict::Wrong, record.redBrush},
        {Verdict::OneEdit, record.amberBrush},  {Verdict::GoodIdea, record.amberBrush},
    };
    for (const auto& [verdict, brush] : kCases) {
        const char* word = VerdictText(verdict);
        EXPECT_EQ(VerdictBrush(record, word), brush) << word;
        // The colour the Windows player gives the word's cell is its brush's.
        if (const VerdictFill* fill = VerdictFillOf(word)) {
            EXPECT_EQ(*ValueGraphics::ColourOf(brush), fill->colour) << word;
        }
    }
    // Any other text of the field counts as a hint, as the Windows player compares it.
    EXPECT_EQ(VerdictBrush(record, "bravo"), record.amberBrush);
}

}  // namespace
}  // namespace brivel
