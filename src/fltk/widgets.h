#pragma once

// The Windows player's controls drawn with FLTK: its edges and borders, static
// texts that wrap and are cut as a static control's, push buttons, the picture
// chooser, and the panels that clip their controls to their client area.

#include <FL/Fl_Button.H>
#include <FL/Fl_Choice.H>
#include <FL/Fl_Group.H>
#include <FL/Fl_Widget.H>

#include <string>

#include "fltk/fltk_services.h"

// A 1-pixel border (WS_BORDER) around a fill.
inline constexpr Fl_Boxtype kBorderBox = static_cast<Fl_Boxtype>(FL_FREE_BOXTYPE);
// A push button's raised and pressed edges, with and without WS_BORDER around.
inline constexpr Fl_Boxtype kButtonBox = static_cast<Fl_Boxtype>(FL_FREE_BOXTYPE + 1);
inline constexpr Fl_Boxtype kButtonDownBox = static_cast<Fl_Boxtype>(FL_FREE_BOXTYPE + 2);
inline constexpr Fl_Boxtype kBorderButtonBox = static_cast<Fl_Boxtype>(FL_FREE_BOXTYPE + 3);
inline constexpr Fl_Boxtype kBorderButtonDownBox = static_cast<Fl_Boxtype>(FL_FREE_BOXTYPE + 4);
// The combo box's sunken field and its drop-down button.
inline constexpr Fl_Boxtype kSunkenBox = static_cast<Fl_Boxtype>(FL_FREE_BOXTYPE + 5);
inline constexpr Fl_Boxtype kDropButtonBox = static_cast<Fl_Boxtype>(FL_FREE_BOXTYPE + 6);

// Registers the box types above and the toolkit-wide look; before any widget.
void InstallWindowsLook();

// A group whose children are clipped to the inside of its border, as child
// windows are clipped to their parent's client area.
class Panel : public Fl_Group {
public:
    Panel(int x, int y, int w, int h, Fl_Color colour);

protected:
    void draw() override;
    // No control of the Windows player is a tab stop, so Tab moves nowhere.
    int handle(int event) override;
};

// A "Static" control: its text, wrapped and cut to the box as Windows does,
// on the colour its parent hands it. The pointer over it is the hand, as the
// Windows player's class cursor makes it over every static control.
class StaticText : public Fl_Widget {
public:
    StaticText(int x, int y, int w, int h, std::string utf8, const brivel::FltkFont& font,
               Fl_Color background);

    void SetText(std::string utf8);
    void SetCentred() { centred_ = true; }
    void SetTextColour(Fl_Color colour) { textColour_ = colour; }
    // The text's own cells in this colour (an opaque text background).
    void SetCellColour(Fl_Color colour);

protected:
    void draw() override;
    int handle(int event) override;

private:
    std::string text_;
    brivel::FltkFont font_;
    Fl_Color background_;
    Fl_Color textColour_ = FL_BLACK;
    Fl_Color cellColour_ = FL_BLACK;
    bool centred_ = false;
    bool opaqueCells_ = false;
};

// A push button; Enter presses it while it has the focus, as in a dialog.
class WinButton : public Fl_Button {
public:
    WinButton(int x, int y, int w, int h, const std::string& utf8, bool bordered,
              const brivel::FltkFont& font);

protected:
    int handle(int event) override;
};

// A drop-down list combo box: its field shows the selected entry, its button
// drops the list below it, and Up and Down change the selection.
class Chooser : public Fl_Choice {
public:
    Chooser(int x, int y, int w, int h);

protected:
    void draw() override;
    int handle(int event) override;

private:
    int Drop();
    int Step(int by);
};
