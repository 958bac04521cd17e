#pragma once

// The strip across the top: title, explanation, author, progress, code, the
// "Sauver" button and the link to the maker's page.

#include <FL/Fl_Output.H>

#include <string_view>

#include "fltk/widgets.h"

namespace brivel {
class QuizRecord;
}

class HeaderPanel : public Panel {
public:
    // onSave runs when "Sauver" is clicked.
    HeaderPanel(int x, int y, int w, int h, const brivel::QuizRecord& record, Fl_Callback* onSave,
                void* saveData);

    // Texts are Windows-1252.
    void ShowProgress(std::string_view text);
    void ShowCode(std::string_view text);

private:
    StaticText* progress_ = nullptr;
    Fl_Output* code_ = nullptr;
};
