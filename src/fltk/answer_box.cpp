#include "fltk/answer_box.h"

#include <FL/Fl.H>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "fltk/player.h"
#include "fltk/widgets.h"

// Last: X11's macros come with it (None among them), and the core's names
// must be read before they exist.
#include <FL/fl_draw.H>

namespace {

// The gap between the border and the text, as the edit control keeps it.
constexpr int kTextMargin = 1;

brivel::AnswerKey KeyOf(int key, const char* text) {
    if (key == FL_Enter || key == FL_KP_Enter) {
        return brivel::AnswerKey::Enter;
    }
    if (key == FL_F + 2) {
        return brivel::AnswerKey::F2;
    }
    if (key == FL_Tab || (text != nullptr && std::strcmp(text, "\t") == 0)) {
        return brivel::AnswerKey::Tab;
    }
    if (key == FL_Up || key == FL_Down) {
        return brivel::AnswerKey::UpDown;
    }
    if (text != nullptr && (std::strcmp(text, "\r") == 0 || std::strcmp(text, "\n") == 0)) {
        return brivel::AnswerKey::LineBreak;
    }
    return brivel::AnswerKey::Other;
}

int Width(const char* text, int length) {
    return static_cast<int>(std::lround(fl_width(text, length)));
}

int NextCharacter(const char* text, int length, int at) {
    ++at;
    while (at < length && (static_cast<unsigned char>(text[at]) & 0xC0) == 0x80) {
        ++at;
    }
    return at;
}

}  // namespace

AnswerBox::AnswerBox(int x, int y, int w, int h, AnswerBoxOwner& owner)
    : Fl_Input(x, y, w, h), owner_(owner) {
    box(kBorderBox);
    color(FL_WHITE);
    textfont(kSystemFont.face);
    textsize(kSystemFont.size);
    when(FL_WHEN_NEVER);
}

AnswerBox::TextArea AnswerBox::Area() const {
    return {x() + Fl::box_dx(box()) + kTextMargin, y() + Fl::box_dy(box()),
            w() - Fl::box_dw(box()) - 2 * kTextMargin, h() - Fl::box_dh(box())};
}

int AnswerBox::TextLeft(const TextArea& area, int textWidth) {
    if (textWidth < area.w) {
        scroll_ = 0;
        return area.x + (area.w - textWidth) / 2;
    }
    // Too long to centre: it scrolls as a left-aligned text would, keeping
    // room for the caret after the last character.
    const int caret = Width(value(), position());
    if (caret - scroll_ > area.w - 1) {
        scroll_ = caret - (area.w - 1);
    }
    if (caret - scroll_ < 0) {
        scroll_ = caret;
    }
    scroll_ = std::clamp(scroll_, 0, textWidth + 1 - area.w);
    return area.x - scroll_;
}

int AnswerBox::PositionAt(int mouseX, const TextArea& area) {
    const char* text = value();
    const int length = size();
    const int left = TextLeft(area, Width(text, length));
    int best = 0;
    int bestDistance = std::abs(mouseX - left);
    for (int at = NextCharacter(text, length, 0); at <= length;
         at = NextCharacter(text, length, at)) {
        const int distance = std::abs(mouseX - (left + Width(text, at)));
        if (distance < bestDistance) {
            best = at;
            bestDistance = distance;
        }
    }
    return best;
}

// Everything is drawn every time: a centred text moves as it grows.
void AnswerBox::draw() {
    draw_box(box(), color());
    const TextArea area = Area();
    fl_push_clip(area.x, area.y, area.w, area.h);
    fl_font(textfont(), textsize());
    const char* text = value();
    const int length = size();
    const int left = TextLeft(area, Width(text, length));
    const int lineTop = area.y + (area.h - fl_height()) / 2;
    const int baseline = lineTop + fl_height() - fl_descent();
    fl_color(textcolor());
    fl_draw(text, length, left, baseline);
    if (Fl::focus() == this && position() != mark()) {
        const int from = std::min(position(), mark());
        const int to = std::max(position(), mark());
        const int x1 = left + Width(text, from);
        const int x2 = left + Width(text, to);
        fl_color(selection_color());
        fl_rectf(x1, lineTop, x2 - x1, fl_height());
        fl_color(fl_contrast(textcolor(), selection_color()));
        fl_draw(text + from, to - from, x1, baseline);
    } else if (Fl::focus() == this) {
        fl_color(cursor_color());
        fl_yxline(left + Width(text, position()), lineTop, lineTop + fl_height() - 1);
    }
    fl_pop_clip();
}

int AnswerBox::handle(int event) {
    switch (event) {
        case FL_KEYBOARD:
            return OnKeyPress();
        case FL_KEYUP:
            return OnKeyRelease();
        case FL_FOCUS:
            return OnFocus();
        case FL_UNFOCUS:
            return OnUnfocus();
        case FL_PUSH:
        case FL_DRAG:
        case FL_RELEASE:
            return OnMouse(event);
        case FL_PASTE:
            return OnPaste();
        default:
            return Fl_Input::handle(event);
    }
}

int AnswerBox::OnKeyPress() {
    const brivel::AnswerKey key = KeyOf(Fl::event_key(), Fl::event_text());
    return Act(keys_.OnPress(key, Fl::event_state(FL_ALT) != 0), FL_KEYBOARD);
}

int AnswerBox::OnKeyRelease() {
    return Act(keys_.OnRelease(KeyOf(Fl::event_key(), Fl::event_text())), FL_KEYUP);
}

int AnswerBox::Act(brivel::AnswerKeyAction action, int event) {
    switch (action) {
        case brivel::AnswerKeyAction::PassOn:
            return Fl_Input::handle(event);
        case brivel::AnswerKeyAction::Swallow:
            return 1;
        case brivel::AnswerKeyAction::Grade:
            owner_.SubmitFromBox();
            return 1;
        case brivel::AnswerKeyAction::Save:
            owner_.SaveFromBox();
            return 1;
    }
    return 1;
}

// As WM_SETFOCUS with EM_SETSEL(0, 260): the whole text, the caret at its end.
int AnswerBox::OnFocus() {
    Fl_Input::handle(FL_FOCUS);
    position(size(), 0);
    redraw();
    return 1;
}

int AnswerBox::OnUnfocus() {
    keys_.Forget();
    return Fl_Input::handle(FL_UNFOCUS);
}

// The text is not where Fl_Input would draw it, so the mouse is placed here.
int AnswerBox::OnMouse(int event) {
    if (event == FL_RELEASE) {
        copy(0);
        return 1;
    }
    if (event == FL_PUSH && Fl::focus() != this) {
        Fl::focus(this);
        handle(FL_FOCUS);
    }
    fl_font(textfont(), textsize());
    const int at = PositionAt(Fl::event_x(), Area());
    if (event == FL_DRAG) {
        position(at, mark());
    } else if (Fl::event_clicks() > 0) {
        position(word_end(at), word_start(at));
    } else {
        position(at, Fl::event_state(FL_SHIFT) != 0 ? mark() : at);
    }
    return 1;
}

// A single-line edit takes what is pasted up to its first line break.
int AnswerBox::OnPaste() {
    const char* text = Fl::event_text();
    if (text == nullptr) {
        return 1;
    }
    const int length = std::min(static_cast<int>(std::strcspn(text, "\r\n")), Fl::event_length());
    if (length > 0) {
        replace(position(), mark(), text, length);
    }
    return 1;
}
