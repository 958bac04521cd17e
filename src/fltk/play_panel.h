#pragma once

// The play panel: picture, arrows, answer box, verdict and chooser, driving
// one PlayState.

#include <string>
#include <string_view>

#include "fltk/answer_box.h"
#include "fltk/widgets.h"
#include "play/play_state.h"

namespace brivel {
class MessageSink;
class QuizRecord;
class ResourceProvider;
}  // namespace brivel

class PictureBox;
class VerdictField;

class PlayPanel final : public Panel, private brivel::PlayView, private AnswerBoxOwner {
public:
    // The record's headerPanel must already be the header panel: starting
    // play writes the progress and the code into it.
    PlayPanel(int x, int y, int w, int h, brivel::QuizRecord& record,
              brivel::ResourceProvider& resources, brivel::MessageSink& sink);

    // Restores the progress file's texts, grades them, and shows picture 1.
    void Start();
    // The box's text joins its picture's slot, then the progress file is written.
    void Save();

private:
    void ShowVerdict(std::string_view word) override;
    void ShowProgress(std::string_view text) override;
    void ShowCode(std::string_view text) override;
    void ShowPicture(int index) override;
    void SelectChooserEntry(int index) override;
    void SetBoxText(std::string_view text) override;
    std::string BoxText() override;

    void SubmitFromBox() override;
    void SaveFromBox() override;

    static void OnPrevious(Fl_Widget* widget, void* panel);
    static void OnNext(Fl_Widget* widget, void* panel);
    static void OnChooser(Fl_Widget* widget, void* panel);

    brivel::QuizRecord& record_;
    brivel::ResourceProvider& resources_;
    brivel::MessageSink& sink_;
    brivel::PlayState play_;
    PictureBox* picture_ = nullptr;
    AnswerBox* box_ = nullptr;
    VerdictField* verdict_ = nullptr;
    Chooser* chooser_ = nullptr;
};
