// The controls of every window, made, laid out and coloured as the window's
// table describes them.

#include <string>

#include "app/play_session.h"
#include "play/play_state.h"
#include "quiz/quiz_record.h"
#include "win32/player.h"

namespace {

using brivel::WindowControl;
using brivel::WindowPanel;

void SetFont(HWND control, const WindowControl& entry) {
    WPARAM font = 0;
    switch (entry.font) {
        case brivel::ControlFont::None:
        case brivel::ControlFont::System:
            return;
        case brivel::ControlFont::Link:
            SetUpLink(control);
            return;
        case brivel::ControlFont::Gui:
            SendMessageA(control, WM_SETFONT,
                         reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), TRUE);
            return;
        case brivel::ControlFont::Title:
            font = reinterpret_cast<WPARAM>(g_record->titleFont);
            break;
        case brivel::ControlFont::Progress:
            font = reinterpret_cast<WPARAM>(g_record->progressFont);
            break;
    }
    SendMessageA(control, WM_SETFONT, font, FALSE);
}

// The panels are dialogs of their own, made from templates.
HWND WindowOf(HWND parent, const WindowControl& entry) {
    if (&entry == &brivel::kPlayPanel) {
        return g_playPanel;
    }
    if (&entry == &brivel::kHeaderPanel) {
        return g_headerPanel;
    }
    return GetDlgItem(parent, entry.id);
}

HBRUSH PanelBrush(WindowPanel panel) {
    if (panel == WindowPanel::Header) {
        return g_headerBrush;
    }
    return panel == WindowPanel::Play && g_record != nullptr
               ? static_cast<HBRUSH>(g_record->backBrush)
               : nullptr;
}

// The word's own cell takes the field's colour, so the whole field reads as
// one block of colour.
INT_PTR ColourVerdict(HDC dc, HWND control) {
    if (g_record == nullptr) {
        return 0;
    }
    char text[brivel::kTextSize] = {};
    GetWindowTextA(control, text, sizeof text);
    const brivel::VerdictFill* fill = brivel::VerdictFillOf(text);
    if (fill == nullptr) {
        return 0;
    }
    SetBkColor(dc, ColourRef(fill->colour));
    return reinterpret_cast<INT_PTR>(g_record->*fill->brush);
}

}  // namespace

void CreateControls(HWND parent, WindowPanel panel) {
    for (const WindowControl* entry : brivel::kWindowControls) {
        if (entry->panel != panel || entry->windowClass == nullptr) {
            continue;
        }
        const brivel::WindowRect at = brivel::PlaceInPanel(*entry);
        const std::string text = brivel::InitialText(*entry, *g_record);
        HWND control = CreateWindowExA(0, entry->windowClass, text.empty() ? nullptr : text.c_str(),
                                       entry->style, at.x, at.y, at.w, at.h, parent,
                                       reinterpret_cast<HMENU>(static_cast<INT_PTR>(entry->id)),
                                       GetModuleHandleA(nullptr), nullptr);
        SetFont(control, *entry);
    }
}

void LayOutControls(HWND parent, WindowPanel panel) {
    RECT client{};
    GetClientRect(parent, &client);
    for (const WindowControl* entry : brivel::kWindowControls) {
        HWND window =
            entry->panel == panel && entry->FollowsSize() ? WindowOf(parent, *entry) : nullptr;
        if (window == nullptr) {
            continue;
        }
        const brivel::WindowRect at = entry->PlaceIn(client.right, client.bottom);
        if (entry->windowClass == nullptr) {
            SetWindowPos(window, nullptr, at.x, at.y, at.w, at.h, SWP_NOZORDER);
        } else {
            SetWindowPos(window, nullptr, at.x, at.y, at.w, at.h,
                         SWP_NOACTIVATE | SWP_NOOWNERZORDER);
            InvalidateRect(window, nullptr, FALSE);
        }
    }
}

INT_PTR ControlColours(HDC dc, HWND control, WindowPanel panel) {
    const WindowControl* entry =
        brivel::ControlWithId(panel, static_cast<int>(GetWindowLongPtrA(control, GWLP_ID)));
    switch (entry != nullptr ? entry->paint : brivel::ControlPaint::Platform) {
        case brivel::ControlPaint::Platform:
            break;
        case brivel::ControlPaint::Link:
            SetTextColor(dc, ColourRef(brivel::kLinkColour));
            [[fallthrough]];
        case brivel::ControlPaint::OnPanel:
            SetBkMode(dc, TRANSPARENT);
            return reinterpret_cast<INT_PTR>(PanelBrush(panel));
        case brivel::ControlPaint::Status:
            SetTextColor(dc, RGB(0, 0, 0));
            return reinterpret_cast<INT_PTR>(g_backgroundBrush);
        case brivel::ControlPaint::Verdict:
            return ColourVerdict(dc, control);
    }
    return 0;
}
