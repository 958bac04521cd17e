#include "fltk/answer_keys.h"

namespace brivel {

AnswerKeyAction AnswerKeys::OnPress(AnswerKey key, bool alt) {
    switch (key) {
        case AnswerKey::Enter:
            if (alt) {
                return AnswerKeyAction::Grade;
            }
            enterPressed_ = true;
            return AnswerKeyAction::Swallow;
        case AnswerKey::F2:
            if (alt) {
                return AnswerKeyAction::Save;
            }
            f2Pressed_ = true;
            return AnswerKeyAction::Swallow;
        case AnswerKey::Tab:
        case AnswerKey::LineBreak:
        case AnswerKey::UpDown:
            return AnswerKeyAction::Swallow;
        case AnswerKey::Other:
            break;
    }
    return AnswerKeyAction::PassOn;
}

AnswerKeyAction AnswerKeys::OnRelease(AnswerKey key) {
    if (key == AnswerKey::Enter && enterPressed_) {
        enterPressed_ = false;
        return AnswerKeyAction::Grade;
    }
    if (key == AnswerKey::F2 && f2Pressed_) {
        f2Pressed_ = false;
        return AnswerKeyAction::Save;
    }
    return key == AnswerKey::Other ? AnswerKeyAction::PassOn : AnswerKeyAction::Swallow;
}

void AnswerKeys::Forget() {
    enterPressed_ = false;
    f2Pressed_ = false;
}

}  // namespace brivel
