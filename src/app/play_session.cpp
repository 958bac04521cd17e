#include "app/play_session.h"

#include "app/progress_format.h"
#include "play/play_state.h"
#include "quiz/quiz_record.h"
#include "text/cp1252.h"
#include "text/fixed_text.h"

namespace brivel {

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
