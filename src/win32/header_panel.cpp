// The strip across the top: title, explanation, author, progress, code, the
// "Sauver" button and the link to the maker's page.

#include <windows.h>

// After windows.h, which it needs.
#include <shellapi.h>

#include "play/play_state.h"
#include "quiz/quiz_loader.h"
#include "quiz/quiz_record.h"
#include "win32/player.h"

namespace {

constexpr int kLinkId = 24;
constexpr int kByLabelId = 25;
constexpr int kAuthorId = 26;
constexpr int kSaveButtonId = 27;
constexpr int kExplanationId = 28;
constexpr int kTitleId = 29;
constexpr int kCodeId = 30;
constexpr int kCodeLabelId = 31;
constexpr int kProgressId = 32;
constexpr int kUnderCounterRuleId = 120;
constexpr int kLeftRuleId = 121;
constexpr int kRightRuleId = 122;

HFONT g_linkFont = nullptr;

HWND AddControl(HWND panel, const char* className, const char* text, DWORD style, int x, int y,
                int width, int height, int id) {
    return CreateWindowExA(0, className, text, WS_CHILD | WS_VISIBLE | style, x, y, width, height,
                           panel, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                           GetModuleHandleA(nullptr), nullptr);
}

void SetGuiFont(HWND control) {
    SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)),
                 TRUE);
}

void SetRecordFont(HWND control, brivel::FontHandle font) {
    SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
}

void SetUpLink(HWND control) {
    RECT client{};
    GetClientRect(control, &client);
    const int height = client.bottom - client.top;
    LOGFONTA font{};
    font.lfHeight = -(3 * height / 4);
    font.lfWeight = FW_NORMAL;
    font.lfUnderline = TRUE;
    font.lfCharSet = ANSI_CHARSET;
    g_linkFont = CreateFontIndirectA(&font);
    SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(g_linkFont), FALSE);
    // The class cursor: every static control of the program shows the hand.
    HCURSOR hand = LoadCursorA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(kHandCursorId));
    SetClassLongPtrA(control, GCLP_HCURSOR, reinterpret_cast<LONG_PTR>(hand));
}

void CreateControls(HWND panel) {
    const brivel::QuizRecord& record = *g_record;
    SetUpLink(AddControl(panel, "Static", record.linkText, SS_NOTIFY, 736, 5, 115, 18, kLinkId));
    SetGuiFont(AddControl(panel, "Static", "Par :", 0, 736, 25, 27, 18, kByLabelId));
    SetGuiFont(AddControl(panel, "Static", record.author, 0, 763, 25, 85, 18, kAuthorId));
    SetGuiFont(AddControl(panel, "button", "Sauver", 0, 666, 25, 55, 18, kSaveButtonId));
    SetGuiFont(
        AddControl(panel, "Static", record.explanation, 0, 110, 19, 490, 27, kExplanationId));
    SetRecordFont(AddControl(panel, "Static", record.title, 0, 110, 3, 260, 18, kTitleId),
                  record.titleFont);
    SetGuiFont(AddControl(panel, "Static", " Code :", 0, 7, 29, 36, 15, kCodeLabelId));
    const std::string progress = brivel::ProgressText(0, record.pictureCount);
    SetRecordFont(
        AddControl(panel, "Static", progress.c_str(), SS_CENTER, 10, 1, 80, 20, kProgressId),
        record.progressFont);
    SetGuiFont(AddControl(panel, "edit", "", ES_READONLY, 44, 29, 53, 16, kCodeId));
    AddControl(panel, "Static", "", WS_BORDER, 0, 26, 100, 1, kUnderCounterRuleId);
    AddControl(panel, "Static", "", WS_BORDER, 100, 0, 1, 50, kLeftRuleId);
    AddControl(panel, "Static", "", WS_BORDER, 730, 0, 1, 50, kRightRuleId);
}

void Place(HWND panel, int id, int x, int y, int width, int height, bool repaint) {
    HWND control = GetDlgItem(panel, id);
    SetWindowPos(control, nullptr, x, y, width, height, SWP_NOACTIVATE | SWP_NOOWNERZORDER);
    if (repaint) {
        InvalidateRect(control, nullptr, FALSE);
    }
}

void LayOut(HWND panel) {
    RECT client{};
    GetClientRect(panel, &client);
    const int w = client.right;
    Place(panel, kLinkId, w - 134, 0, 115, 18, false);
    Place(panel, kByLabelId, w - 134, 25, 26, 18, false);
    Place(panel, kAuthorId, w - 107, 25, 105, 18, true);
    Place(panel, kSaveButtonId, w - 204, 25, 55, 18, true);
    Place(panel, kExplanationId, 110, 19, w - 324, 28, true);
    Place(panel, kRightRuleId, w - 145, 0, 1, 50, true);
}

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

INT_PTR CALLBACK HeaderPanelProc(HWND panel, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_INITDIALOG:
            CreateControls(panel);
            g_headerBrush = CreateSolidBrush(RGB(128, 128, 255));
            return TRUE;
        case WM_SIZE:
            LayOut(panel);
            return FALSE;
        case WM_COMMAND:
            // A single click only: the double-click notification is not 0.
            if (wParam == kLinkId) {
                ShellExecuteA(nullptr, "open", brivel::kMakerWebAddress, nullptr, nullptr,
                              SW_SHOWNORMAL);
            } else if (LOWORD(wParam) == kSaveButtonId && HIWORD(wParam) == BN_CLICKED) {
                SavePlayerProgress();
            }
            return FALSE;
        case WM_CTLCOLORSTATIC: {
            const auto id = GetWindowLongPtrA(reinterpret_cast<HWND>(lParam), GWLP_ID);
            HDC dc = reinterpret_cast<HDC>(wParam);
            if (id == kLinkId) {
                SetBkMode(dc, TRANSPARENT);
                SetTextColor(dc, RGB(50, 50, 255));
                return reinterpret_cast<INT_PTR>(g_headerBrush);
            }
            if (id >= 20 && id <= kProgressId) {
                SetBkMode(dc, TRANSPARENT);
                return reinterpret_cast<INT_PTR>(g_headerBrush);
            }
            return 0;
        }
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
