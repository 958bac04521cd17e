#pragma once

// What the answer box does with a key, as the Windows player's box does it,
// kept apart from FLTK so that it can be tested on its own.

namespace brivel {

// The keys the answer box cares about; everything else is Other.
enum class AnswerKey {
    Enter,      // Return or keypad Enter
    F2,         //
    Tab,        // the Tab key, or a key whose text is a tab (Ctrl+I)
    LineBreak,  // a key whose text is CR or LF without being Enter (Ctrl+M, Ctrl+J)
    UpDown,     // a single-line box has no lines to move between
    Other,
};

enum class AnswerKeyAction {
    PassOn,   // ordinary editing
    Swallow,  // neither inserted nor passed to the window's navigation
    Grade,    // grade the chooser's picture with the box's text
    Save,     // write the progress file
};

// Windows grades on the release of Enter and on Alt+Enter pressed (a system
// key press), and saves on F2 likewise. A release counts only after the box
// saw its press: the release of an Enter that closed a menu or a message box
// must not grade.
class AnswerKeys {
public:
    AnswerKeyAction OnPress(AnswerKey key, bool alt);
    AnswerKeyAction OnRelease(AnswerKey key);
    // Focus went elsewhere: a press seen before no longer pairs with a release.
    void Forget();

private:
    bool enterPressed_ = false;
    bool f2Pressed_ = false;
};

}  // namespace brivel
