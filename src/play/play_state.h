#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "play/grading.h"
#include "quiz/quiz_record.h"

namespace brivel {

// What play needs of the screen. The Windows play panel, the Linux player and
// the tests each implement it. Texts are Windows-1252.
class PlayView {
public:
    virtual ~PlayView() = default;
    virtual void ShowVerdict(std::string_view word) = 0;
    virtual void ShowProgress(std::string_view text) = 0;
    virtual void ShowCode(std::string_view text) = 0;
    // Picture i is the resource "IMG" 401 + i.
    virtual void ShowPicture(int index) = 0;
    virtual void SelectChooserEntry(int index) = 0;
    virtual void SetBoxText(std::string_view text) = 0;
    // The answer box's text, at most 259 bytes.
    virtual std::string BoxText() = 0;
};

// " %d / %d": found pictures out of count.
std::string ProgressText(int found, int count);
// The chooser's label of picture number k (1-based): "Image n°k".
std::string ChooserLabel(int k);

// How the play panel fills the verdict field when it shows word: the Windows
// player compares the field's text with the verdict words, so "Anagramme" is
// orange, "BRAVO" green, "FAUX" red and any other word (the hints) amber: the
// record's brush, and the colour the Windows player also gives the word's
// cell. "?" has none: the platform's own colours.
struct VerdictFill {
    BrushHandle QuizRecord::*brush;
    Rgb colour;
};
const VerdictFill* VerdictFillOf(std::string_view word);

// The record's brush of VerdictFillOf(word); null for "?".
BrushHandle VerdictBrush(const QuizRecord& record, std::string_view word);

// The logic of play: which picture is on screen, what a move does with the
// typed text, and how grading moves the progress and the code. Everything but
// the current index lives in the record.
class PlayState {
public:
    PlayState(QuizRecord& record, PlayView& view) : record_(record), view_(view) {}

    // Regrades every restored text, then shows picture 0.
    void StartPlay();
    // Grades picture index with text; an index outside the quiz does nothing.
    void GradePicture(int index, std::string_view text);
    // Grades picture index with text and marks it found or not, showing
    // nothing: for a picture off screen. Nothing for an index outside the quiz.
    std::optional<Verdict> MarkFound(int index, std::string_view text);
    // The progress and the code for the pictures found.
    void ShowFound();
    void ShowCurrent();
    void NextPicture();
    void PreviousPicture();
    // An index outside the quiz (the chooser has no selection) is ignored.
    void ChoosePicture(int index);
    // Enter in the answer box: grades picture index with the box's text.
    void SubmitAnswer(int index);
    // Puts the box's text into the current picture's slot. Every save calls
    // it first, so an answer typed just before saving is not lost.
    void StoreBoxText();

    // Six spaces (blanking the field) when nothing is found, else the code
    // step of found pictures.
    std::string_view CodeText(int found) const;

    int current() const { return current_; }
    // The pictures play goes through: the record's count, kept within its slots.
    int Count() const;

private:

    QuizRecord& record_;
    PlayView& view_;
    int current_ = 0;
};

}  // namespace brivel
