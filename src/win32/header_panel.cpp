// The strip across the top: title, explanation, author, progress, code, the
// "Sauver" button and the link to the maker's page.

#include <windows.h>

// After windows.h, which it needs.
#include <shellapi.h>

#include "quiz/quiz_record.h"
#include "win32/player.h"
#include "win32/win32_services.h"

namespace {

HFONT g_linkFont = nullptr;

// WM_DESTROY and WM_NCDESTROY both come; the first one frees.
void ReleaseGdiObjects() {
    if (g_headerBrush != nullptr) {
        DeleteObject(g_headerBrush);
        g_headerBrush = nullptr;
    }
    if (g_linkFont != nullptr) {
        DeleteObject(g_linkFont);
        g_linkFont = nullptr;
    }
}

}  // namespace

void SetUpLink(HWND control) {
    RECT client{};
    GetClientRect(control, &client);
    brivel::GdiGraphics graphics;
    g_linkFont = static_cast<HFONT>(
        graphics.MakeFont(brivel::LinkFontSpec(static_cast<int>(client.bottom - client.top))));
    SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(g_linkFont), FALSE);
    // The class cursor: every static control of the program shows the hand.
    HCURSOR hand = LoadCursorA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(kHandCursorId));
    SetClassLongPtrA(control, GCLP_HCURSOR, reinterpret_cast<LONG_PTR>(hand));
}

INT_PTR CALLBACK HeaderPanelProc(HWND panel, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_INITDIALOG:
            CreateControls(panel, brivel::WindowPanel::Header);
            g_headerBrush = CreateSolidBrush(ColourRef(brivel::kHeaderColour));
            return TRUE;
        case WM_SIZE:
            LayOutControls(panel, brivel::WindowPanel::Header);
            return FALSE;
        case WM_COMMAND:
            // A single click only: the double-click notification is not 0. A
            // quiz without a link shows none, and its empty label opens nothing.
            if (wParam == static_cast<WPARAM>(brivel::kLinkText.id)) {
                if (g_record != nullptr && g_record->linkAddress[0] != '\0') {
                    ShellExecuteA(nullptr, "open", g_record->linkAddress, nullptr, nullptr,
                                  SW_SHOWNORMAL);
                }
            } else if (LOWORD(wParam) == brivel::kSaveButton.id && HIWORD(wParam) == BN_CLICKED) {
                SavePlayerProgress();
            }
            return FALSE;
        case WM_CTLCOLORSTATIC:
            return ControlColours(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam),
                                  brivel::WindowPanel::Header);
        case WM_CTLCOLORDLG:
            return reinterpret_cast<INT_PTR>(g_headerBrush);
        case WM_DESTROY:
        case WM_NCDESTROY:
            ReleaseGdiObjects();
            return FALSE;
        default:
            return FALSE;
    }
}
