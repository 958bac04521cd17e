#pragma once

// The player's window, described once: every control's id, place, font, first
// text and colours, and the Windows control it is. The Windows player makes
// and lays out its controls from this table; the Linux player, the tool's
// preview, the web page's style (generated from this at build time) and the
// end-to-end tests all read it, so moving a control is one edit here.
// Header-only and free of the rest of the core, so that the Windows test
// driver can include it too.

#include <cstddef>
#include <cstdint>

#include "pictures/fit.h"
#include "services/graphics.h"

namespace brivel {

// The main window is 670 x 640 outside; the client area is what a classic
// Windows frame (3 pixels, and a 19-pixel caption) leaves, and every control
// is placed in it.
inline constexpr int kOuterWidth = 670;
inline constexpr int kOuterHeight = 640;
inline constexpr int kFrameLeft = 3;
inline constexpr int kFrameTop = 22;
inline constexpr int kClientWidth = kOuterWidth - 2 * kFrameLeft;
inline constexpr int kClientHeight = kOuterHeight - kFrameTop - kFrameLeft;
// Both panels have WS_BORDER: their client areas are one pixel in.
inline constexpr int kPanelBorder = 1;
// Windows counts the dropped list in a drop-down list's height; the field
// alone, with the GUI font, is this high.
inline constexpr int kChooserFieldHeight = 21;

// Colours the Windows player chooses.
inline constexpr Rgb kHeaderColour{128, 128, 255};
inline constexpr Rgb kLinkColour{50, 50, 255};
inline constexpr Rgb kStatusColour{212, 208, 200};
// Colours it leaves to the platform, as its screenshot shows them.
inline constexpr Rgb kWindowColour{255, 255, 255};
inline constexpr Rgb kFaceColour{245, 245, 245};
inline constexpr Rgb kBorderColour{158, 158, 158};
inline constexpr Rgb kHighlightColour{255, 255, 255};
inline constexpr Rgb kLightColour{227, 227, 227};
inline constexpr Rgb kShadowColour{166, 166, 166};
inline constexpr Rgb kDarkShadowColour{106, 106, 106};

enum class WindowPanel { Main, Header, Play };

enum class ControlFont {
    None,      // a rule: no text
    System,    // controls given no font: the bold system font
    Gui,       // DEFAULT_GUI_FONT
    Link,      // SetUpLink's font
    Title,     // the record's titleFont
    Progress,  // the record's progressFont
};

// SetUpLink: three quarters of the link's height, underlined.
constexpr FontSpec LinkFontSpec(int linkHeight) {
    return FontSpec{-(3 * linkHeight / 4), 400, false, true};
}

// What a control shows when it is made; play writes the rest.
enum class ControlText {
    None,         // nothing: a rule, the picture, the code, the box, the chooser
    Label,        // the entry's own label
    Title,        // the record's title
    Author,       // the record's author
    Explanation,  // the record's explanation
    Link,         // the record's linkText, the maker's web page address
    Status,       // the record's statusText
    Progress,     // " 0 / N": nothing found yet
};

// How a control is coloured.
enum class ControlPaint {
    Platform,  // the platform's own colours
    OnPanel,   // black text on the panel's colour, which shows through
    Link,      // kLinkColour on the panel's colour
    Status,    // black text on kStatusColour
    Verdict,   // the verdict's fill (VerdictFillOf)
};

// A coordinate or a size in a panel's client area; one that follows the
// panel's size counts back from its width (or height).
struct Offset {
    int pixels = 0;
    bool fromFarEdge = false;
    constexpr int In(int size) const { return fromFarEdge ? size - pixels : pixels; }
};
constexpr Offset Far(int pixels) {
    return Offset{pixels, true};
}

struct WindowRect {
    int x = 0;
    int y = 0;
    int w = 0;
    int h = 0;
};

struct WindowControl {
    const char* name;  // the web page's element id and the tests' key
    int id;            // the control id; 0 for a panel
    WindowPanel panel;
    Offset x, y, w, h;
    ControlFont font;
    ControlText text;
    const char* label;  // the text of ControlText::Label, Windows-1252
    ControlPaint paint;
    // The Windows control: its class and whole window style.
    const char* windowClass;
    std::uint32_t style;

    // The place in a parent client area of width x height.
    constexpr WindowRect PlaceIn(int width, int height) const {
        return {x.In(width), y.In(height), w.In(width), h.In(height)};
    }
    // Whether the place changes with the parent's size.
    constexpr bool FollowsSize() const {
        return x.fromFarEdge || y.fromFarEdge || w.fromFarEdge || h.fromFarEdge;
    }
};

// Window styles, as <windows.h> has them.
inline constexpr std::uint32_t kChild = 0x40000000;    // WS_CHILD
inline constexpr std::uint32_t kVisible = 0x10000000;  // WS_VISIBLE
inline constexpr std::uint32_t kBorder = 0x00800000;   // WS_BORDER
inline constexpr std::uint32_t kShown = kChild | kVisible;

// One control to an entry, as the table it is. The Windows player makes and
// lays out each panel's controls in the order of kWindowControls.
// clang-format off
// The main window's children.
inline constexpr WindowControl kHeaderPanel{
    "header", 0, WindowPanel::Main, {5}, {2}, Far(11), {49}, ControlFont::None,
    ControlText::None, nullptr, ControlPaint::Platform, nullptr, 0};
inline constexpr WindowControl kPlayPanel{
    "play", 0, WindowPanel::Main, {5}, {50}, Far(11), Far(68), ControlFont::None,
    ControlText::None, nullptr, ControlPaint::Platform, nullptr, 0};
inline constexpr WindowControl kStatusLine{
    "status", 8000, WindowPanel::Main, Far(145), Far(16), {140}, {15}, ControlFont::Gui,
    ControlText::Status, nullptr, ControlPaint::Status, "Static", kShown};

// The header panel's, where its size puts them.
inline constexpr WindowControl kLinkText{
    "link", 24, WindowPanel::Header, Far(134), {0}, {115}, {18}, ControlFont::Link,
    ControlText::Link, nullptr, ControlPaint::Link, "Static", kShown | 0x100 /* SS_NOTIFY */};
inline constexpr WindowControl kByLabel{
    "by", 25, WindowPanel::Header, Far(134), {25}, {26}, {18}, ControlFont::Gui,
    ControlText::Label, "Par :", ControlPaint::OnPanel, "Static", kShown};
inline constexpr WindowControl kAuthorText{
    "author", 26, WindowPanel::Header, Far(107), {25}, {105}, {18}, ControlFont::Gui,
    ControlText::Author, nullptr, ControlPaint::OnPanel, "Static", kShown};
inline constexpr WindowControl kSaveButton{
    "save", 27, WindowPanel::Header, Far(204), {25}, {55}, {18}, ControlFont::Gui,
    ControlText::Label, "Sauver", ControlPaint::Platform, "button", kShown};
inline constexpr WindowControl kExplanationText{
    "explanation", 28, WindowPanel::Header, {110}, {19}, Far(324), {28}, ControlFont::Gui,
    ControlText::Explanation, nullptr, ControlPaint::OnPanel, "Static", kShown};
inline constexpr WindowControl kTitleText{
    "title", 29, WindowPanel::Header, {110}, {3}, {260}, {18}, ControlFont::Title,
    ControlText::Title, nullptr, ControlPaint::OnPanel, "Static", kShown};
// A read-only edit asks for its colours as a static does.
inline constexpr WindowControl kCodeText{
    "code", 30, WindowPanel::Header, {44}, {29}, {53}, {16}, ControlFont::Gui,
    ControlText::None, nullptr, ControlPaint::OnPanel, "edit", kShown | 0x800 /* ES_READONLY */};
inline constexpr WindowControl kCodeLabel{
    "code-label", 31, WindowPanel::Header, {7}, {29}, {36}, {15}, ControlFont::Gui,
    ControlText::Label, " Code :", ControlPaint::OnPanel, "Static", kShown};
inline constexpr WindowControl kProgressText{
    "progress", 32, WindowPanel::Header, {10}, {1}, {80}, {20}, ControlFont::Progress,
    ControlText::Progress, nullptr, ControlPaint::OnPanel, "Static", kShown | 0x1 /* SS_CENTER */};
inline constexpr WindowControl kCodeRule{
    "rule-code", 120, WindowPanel::Header, {0}, {26}, {100}, {1}, ControlFont::None,
    ControlText::None, nullptr, ControlPaint::Platform, "Static", kShown | kBorder};
inline constexpr WindowControl kLeftRule{
    "rule-left", 121, WindowPanel::Header, {100}, {0}, {1}, {50}, ControlFont::None,
    ControlText::None, nullptr, ControlPaint::Platform, "Static", kShown | kBorder};
inline constexpr WindowControl kRightRule{
    "rule-right", 122, WindowPanel::Header, Far(145), {0}, {1}, {50}, ControlFont::None,
    ControlText::None, nullptr, ControlPaint::Platform, "Static", kShown | kBorder};

// The play panel's.
inline constexpr WindowControl kPictureControl{
    "picture", 9907, WindowPanel::Play, {5}, {5}, {kPictureBoxWidth}, {kPictureBoxHeight},
    ControlFont::None, ControlText::None, nullptr, ControlPaint::Platform, "STATIC",
    kShown | kBorder | 0x20E /* SS_CENTERIMAGE | SS_BITMAP */};
inline constexpr WindowControl kPreviousButton{
    "previous", 9906, WindowPanel::Play, {5}, {490}, {60}, {20}, ControlFont::System,
    ControlText::Label, "<--", ControlPaint::Platform, "BUTTON", kShown | kBorder};
inline constexpr WindowControl kAnswerBox{
    "box", 9000, WindowPanel::Play, {170}, {490}, {230}, {20}, ControlFont::System,
    ControlText::None, nullptr, ControlPaint::Platform, "EDIT",
    kShown | kBorder | 0x81 /* ES_AUTOHSCROLL | ES_CENTER */};
inline constexpr WindowControl kVerdictField{
    "verdict", 9500, WindowPanel::Play, {410}, {490}, {100}, {20}, ControlFont::System,
    ControlText::Label, "?", ControlPaint::Verdict, "STATIC",
    kShown | kBorder | 0x201 /* SS_CENTERIMAGE | SS_CENTER */};
inline constexpr WindowControl kNextButton{
    "next", 9905, WindowPanel::Play, {585}, {490}, {60}, {20}, ControlFont::System,
    ControlText::Label, "-->", ControlPaint::Platform, "BUTTON", kShown | kBorder};
inline constexpr WindowControl kPictureChooser{
    "chooser", 10000, WindowPanel::Play, {170}, {515}, {230}, {150}, ControlFont::Gui,
    ControlText::None, nullptr, ControlPaint::Platform, "combobox",
    kShown | 0x00200803 /* WS_VSCROLL | CBS_DISABLENOSCROLL | CBS_DROPDOWNLIST */};
// clang-format on

inline constexpr const WindowControl* kWindowControls[] = {
    &kHeaderPanel,    &kPlayPanel,      &kStatusLine,      &kLinkText,     &kByLabel,
    &kAuthorText,     &kSaveButton,     &kExplanationText, &kTitleText,    &kCodeText,
    &kCodeLabel,      &kProgressText,   &kCodeRule,        &kLeftRule,     &kRightRule,
    &kPictureControl, &kPreviousButton, &kAnswerBox,       &kVerdictField, &kNextButton,
    &kPictureChooser,
};

// The players find a control by its id, and the Windows player makes every
// entry with a class: no two controls share an id, and only the panels, made
// from templates, have none.
constexpr bool TableHolds() {
    constexpr std::size_t count = sizeof kWindowControls / sizeof kWindowControls[0];
    for (std::size_t i = 0; i < count; ++i) {
        const WindowControl& a = *kWindowControls[i];
        if ((a.id == 0) != (a.windowClass == nullptr)) {
            return false;
        }
        for (std::size_t j = i + 1; j < count; ++j) {
            if (a.id != 0 && a.id == kWindowControls[j]->id) {
                return false;
            }
        }
    }
    return true;
}
static_assert(TableHolds(), "every control has a class and an id of its own");

// The control of panel with id; null for none (and for the panels themselves).
constexpr const WindowControl* ControlWithId(WindowPanel panel, int id) {
    for (const WindowControl* control : kWindowControls) {
        if (control->panel == panel && control->id == id && id != 0) {
            return control;
        }
    }
    return nullptr;
}

// A panel's client area in the main window's.
constexpr WindowRect PanelClient(const WindowControl& panel) {
    const WindowRect outer = panel.PlaceIn(kClientWidth, kClientHeight);
    return {outer.x + kPanelBorder, outer.y + kPanelBorder, outer.w - 2 * kPanelBorder,
            outer.h - 2 * kPanelBorder};
}

// Where control sits in its panel's client area.
constexpr WindowRect PlaceInPanel(const WindowControl& control) {
    if (control.panel == WindowPanel::Main) {
        return control.PlaceIn(kClientWidth, kClientHeight);
    }
    const WindowRect client =
        PanelClient(control.panel == WindowPanel::Header ? kHeaderPanel : kPlayPanel);
    return control.PlaceIn(client.w, client.h);
}

// Where control sits in the main window's client area.
constexpr WindowRect PlaceInWindow(const WindowControl& control) {
    const WindowRect place = PlaceInPanel(control);
    if (control.panel == WindowPanel::Main) {
        return place;
    }
    const WindowRect client =
        PanelClient(control.panel == WindowPanel::Header ? kHeaderPanel : kPlayPanel);
    return {client.x + place.x, client.y + place.y, place.w, place.h};
}

}  // namespace brivel
