#pragma once

// The answer box: a single-line edit, its text centred as ES_CENTER centres
// it, with the Windows player's keys: releasing Enter grades, F2 saves, Enter
// and Tab characters are swallowed, and gaining the focus selects the text.

#include <FL/Fl_Input.H>

#include "fltk/answer_keys.h"

// What the box asks of the play panel.
class AnswerBoxOwner {
public:
    virtual ~AnswerBoxOwner() = default;
    // Grades the chooser's picture with the box's text.
    virtual void SubmitFromBox() = 0;
    virtual void SaveFromBox() = 0;
};

class AnswerBox : public Fl_Input {
public:
    AnswerBox(int x, int y, int w, int h, AnswerBoxOwner& owner);

protected:
    void draw() override;
    int handle(int event) override;

private:
    struct TextArea {
        int x, y, w, h;
    };

    int OnKeyPress();
    int OnKeyRelease();
    int OnFocus();
    int OnUnfocus();
    int OnMouse(int event);
    int OnPaste();
    int Act(brivel::AnswerKeyAction action, int event);

    TextArea Area() const;
    // Where the text starts on screen: centred when it fits, else scrolled so
    // the caret shows. Needs the text font set.
    int TextLeft(const TextArea& area, int textWidth);
    int PositionAt(int mouseX, const TextArea& area);

    AnswerBoxOwner& owner_;
    brivel::AnswerKeys keys_;
    int scroll_ = 0;
};
