#include "app/play_session.h"

#include "app/progress_format.h"
#include "app/window_layout.h"
#include "play/play_state.h"
#include "quiz/quiz_record.h"
#include "text/cp1252.h"
#include "text/fixed_text.h"

namespace brivel {

std::string InitialText(const WindowControl& control, const QuizRecord& record) {
    switch (control.text) {
        case ControlText::None:
            break;
        case ControlText::Label:
            return control.label;
        case ControlText::Title:
            return std::string(TextOf(record.title));
        case ControlText::Author:
            return std::string(TextOf(record.author));
        case ControlText::Explanation:
            return std::string(TextOf(record.explanation));
        case ControlText::Link:
            return std::string(TextOf(record.linkText));
        case ControlText::Status:
            return std::string(TextOf(record.statusText));
        case ControlText::Progress:
            return ProgressText(0, record.pictureCount);
    }
    return {};
}

void StartSession(QuizRecord& record, PlayState& play, PlayView& view) {
    view.SetBoxText(TextOf(record.typedAnswers[0]));
    play.StartPlay();
    view.SelectChooserEntry(play.current());
}

std::string SessionProgress(QuizRecord& record, PlayState& play) {
    play.StoreBoxText();
    return FormatProgress(record);
}

std::string BoxTextFromUtf8(std::string_view utf8) {
    std::string text = Utf8ToCp1252Lossy(utf8);
    if (text.size() > kTextMaxLength) {
        text.resize(kTextMaxLength);
    }
    return text;
}

}  // namespace brivel
