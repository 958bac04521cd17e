#include "fltk/widgets.h"

#include <FL/Fl.H>
#include <FL/Fl_Menu_Item.H>
#include <FL/Fl_Window.H>

#include <cmath>
#include <utility>

#include "fltk/player.h"
#include "text/text_wrap.h"

// Last: X11's macros come with it (None among them), and the core's names
// must be read before they exist.
#include <FL/fl_draw.H>

namespace {

constexpr int kDropButtonWidth = 17;

// One ring of a Windows edge: the top and left sides in one colour, the
// bottom and right ones (corners included) in the other.
void DrawRing(int x, int y, int w, int h, Fl_Color topLeft, Fl_Color bottomRight) {
    fl_color(topLeft);
    fl_xyline(x, y, x + w - 1);
    fl_yxline(x, y, y + h - 1);
    fl_color(bottomRight);
    fl_xyline(x, y + h - 1, x + w - 1);
    fl_yxline(x + w - 1, y, y + h - 1);
}

void DrawTwoRings(int x, int y, int w, int h, const Fl_Color (&colours)[4], Fl_Color fill) {
    DrawRing(x, y, w, h, colours[0], colours[1]);
    DrawRing(x + 1, y + 1, w - 2, h - 2, colours[2], colours[3]);
    fl_color(fill);
    fl_rectf(x + 2, y + 2, w - 4, h - 4);
}

void DrawBorderBox(int x, int y, int w, int h, Fl_Color fill) {
    fl_color(kBorderColour);
    fl_rect(x, y, w, h);
    fl_color(fill);
    fl_rectf(x + 1, y + 1, w - 2, h - 2);
}

void DrawButtonBox(int x, int y, int w, int h, Fl_Color fill) {
    DrawTwoRings(x, y, w, h, {kHighlightColour, kDarkShadowColour, kLightColour, kShadowColour},
                 fill);
}

void DrawButtonDownBox(int x, int y, int w, int h, Fl_Color fill) {
    DrawTwoRings(x, y, w, h, {kDarkShadowColour, kHighlightColour, kShadowColour, kLightColour},
                 fill);
}

void DrawBorderButtonBox(int x, int y, int w, int h, Fl_Color fill) {
    fl_color(kBorderColour);
    fl_rect(x, y, w, h);
    DrawButtonBox(x + 1, y + 1, w - 2, h - 2, fill);
}

void DrawBorderButtonDownBox(int x, int y, int w, int h, Fl_Color fill) {
    fl_color(kBorderColour);
    fl_rect(x, y, w, h);
    DrawButtonDownBox(x + 1, y + 1, w - 2, h - 2, fill);
}

void DrawSunkenBox(int x, int y, int w, int h, Fl_Color fill) {
    DrawTwoRings(x, y, w, h, {kShadowColour, kHighlightColour, kDarkShadowColour, kLightColour},
                 fill);
}

void DrawDropButtonBox(int x, int y, int w, int h, Fl_Color fill) {
    DrawTwoRings(x, y, w, h, {kLightColour, kDarkShadowColour, kHighlightColour, kShadowColour},
                 fill);
}

int TextWidth(std::string_view text) {
    return static_cast<int>(std::lround(fl_width(text.data(), static_cast<int>(text.size()))));
}

}  // namespace

void InstallWindowsLook() {
    // No scheme from the environment or X resources: the look is the Windows player's.
    Fl::scheme("base");
    // Menus and message boxes take the platform's face colour.
    Fl::background(245, 245, 245);
    Fl::set_boxtype(kBorderBox, DrawBorderBox, 1, 1, 2, 2);
    Fl::set_boxtype(kButtonBox, DrawButtonBox, 2, 2, 4, 4);
    Fl::set_boxtype(kButtonDownBox, DrawButtonDownBox, 2, 2, 4, 4);
    Fl::set_boxtype(kBorderButtonBox, DrawBorderButtonBox, 3, 3, 6, 6);
    Fl::set_boxtype(kBorderButtonDownBox, DrawBorderButtonDownBox, 3, 3, 6, 6);
    Fl::set_boxtype(kSunkenBox, DrawSunkenBox, 2, 2, 4, 4);
    Fl::set_boxtype(kDropButtonBox, DrawDropButtonBox, 2, 2, 4, 4);
}

Panel::Panel(int x, int y, int w, int h, Fl_Color colour) : Fl_Group(x, y, w, h) {
    box(kBorderBox);
    color(colour);
}

void Panel::draw() {
    if ((damage() & ~FL_DAMAGE_CHILD) != 0) {
        draw_box();
    }
    fl_push_clip(x() + Fl::box_dx(box()), y() + Fl::box_dy(box()), w() - Fl::box_dw(box()),
                 h() - Fl::box_dh(box()));
    draw_children();
    fl_pop_clip();
}

int Panel::handle(int event) {
    if (event == FL_KEYBOARD && Fl::event_key() == FL_Tab) {
        return 1;
    }
    return Fl_Group::handle(event);
}

StaticText::StaticText(int x, int y, int w, int h, std::string utf8, const brivel::FltkFont& font,
                       Fl_Color background)
    : Fl_Widget(x, y, w, h), text_(std::move(utf8)), font_(font), background_(background) {}

void StaticText::SetText(std::string utf8) {
    text_ = std::move(utf8);
    redraw();
}

void StaticText::SetCellColour(Fl_Color colour) {
    cellColour_ = colour;
    opaqueCells_ = true;
}

void StaticText::draw() {
    fl_color(background_);
    fl_rectf(x(), y(), w(), h());
    if (text_.empty()) {
        return;
    }
    fl_push_clip(x(), y(), w(), h());
    fl_font(font_.face, font_.size);
    const int lineHeight = fl_height();
    const int ascent = lineHeight - fl_descent();
    int top = y();
    for (const std::string& line : brivel::WrapText(text_, w(), TextWidth)) {
        if (top >= y() + h()) {
            break;
        }
        const int width = TextWidth(line);
        const int left = centred_ ? x() + (w() - width) / 2 : x();
        if (opaqueCells_) {
            fl_color(cellColour_);
            fl_rectf(left, top, width, lineHeight);
        }
        fl_color(textColour_);
        fl_draw(line.data(), static_cast<int>(line.size()), left, top + ascent);
        if (font_.underline && width > 0) {
            fl_xyline(left, top + ascent + 1, left + width - 1);
        }
        top += lineHeight;
    }
    fl_pop_clip();
}

int StaticText::handle(int event) {
    switch (event) {
        case FL_ENTER:
            window()->cursor(FL_CURSOR_HAND);
            return 1;
        case FL_LEAVE:
            window()->cursor(FL_CURSOR_DEFAULT);
            return 1;
        case FL_MOVE:
            return 1;
        default:
            return Fl_Widget::handle(event);
    }
}

WinButton::WinButton(int x, int y, int w, int h, const std::string& utf8, bool bordered,
                     const brivel::FltkFont& font)
    : Fl_Button(x, y, w, h) {
    copy_label(utf8.c_str());
    box(bordered ? kBorderButtonBox : kButtonBox);
    down_box(bordered ? kBorderButtonDownBox : kButtonDownBox);
    color(kFaceColour, kFaceColour);
    labelfont(font.face);
    labelsize(font.size);
}

int WinButton::handle(int event) {
    if (event == FL_KEYBOARD && Fl::focus() == this &&
        (Fl::event_key() == FL_Enter || Fl::event_key() == FL_KP_Enter)) {
        do_callback();
        return 1;
    }
    return Fl_Button::handle(event);
}

Chooser::Chooser(int x, int y, int w, int h) : Fl_Choice(x, y, w, h) {
    box(kSunkenBox);
    color(FL_WHITE);
    textfont(kGuiFont.face);
    textsize(kGuiFont.size);
}

void Chooser::draw() {
    fl_draw_box(kSunkenBox, x(), y(), w(), h(), FL_WHITE);
    const int buttonX = x() + w() - 2 - kDropButtonWidth;
    const int buttonY = y() + 2;
    fl_draw_box(kDropButtonBox, buttonX, buttonY, kDropButtonWidth, h() - 4, kFaceColour);
    const int arrowX = buttonX + kDropButtonWidth / 2;
    const int arrowY = buttonY + (h() - 4) / 2 - 1;
    fl_color(FL_BLACK);
    for (int row = 0; row < 4; ++row) {
        fl_xyline(arrowX - 3 + row, arrowY + row, arrowX + 3 - row);
    }

    const int fieldX = x() + 2;
    const int fieldY = y() + 2;
    const int fieldW = w() - 4 - kDropButtonWidth;
    const int fieldH = h() - 4;
    Fl_Color textColour = FL_BLACK;
    if (Fl::focus() == this) {
        fl_color(selection_color());
        fl_rectf(fieldX + 1, fieldY + 1, fieldW - 2, fieldH - 2);
        textColour = fl_contrast(FL_BLACK, selection_color());
    }
    const Fl_Menu_Item* item = mvalue();
    if (item == nullptr || item->label() == nullptr) {
        return;
    }
    fl_push_clip(fieldX, fieldY, fieldW, fieldH);
    fl_font(textfont(), textsize());
    fl_color(textColour);
    fl_draw(item->label(), fieldX + 2, fieldY + (fieldH + fl_height()) / 2 - fl_descent());
    fl_pop_clip();
}

int Chooser::handle(int event) {
    switch (event) {
        case FL_PUSH:
            return Drop();
        case FL_KEYBOARD:
            if (Fl::focus() == this && Fl::event_key() == FL_Up) {
                return Step(-1);
            }
            if (Fl::focus() == this && Fl::event_key() == FL_Down) {
                return Step(1);
            }
            return Fl_Choice::handle(event);
        default:
            return Fl_Choice::handle(event);
    }
}

// Windows drops the list below the field, not over it.
int Chooser::Drop() {
    if (Fl::visible_focus()) {
        Fl::focus(this);
    }
    redraw();
    if (menu() == nullptr || menu()->text == nullptr) {
        return 1;
    }
    const Fl_Menu_Item* item = menu()->pulldown(x(), y(), w(), h(), nullptr, this);
    if (item != nullptr && !item->submenu()) {
        redraw();
        picked(item);
    }
    return 1;
}

int Chooser::Step(int by) {
    const int count = size() - 1;
    const int next = value() + by;
    if (next >= 0 && next < count) {
        value(next);
        do_callback();
    }
    return 1;
}
