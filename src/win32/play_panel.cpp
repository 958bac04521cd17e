// The play panel: picture, arrows, answer box, verdict and chooser, driving
// one PlayState.

#include <optional>
#include <string>

#include "app/progress_file.h"
#include "pictures/fit.h"
#include "play/play_state.h"
#include "quiz/quiz_loader.h"
#include "quiz/quiz_record.h"
#include "win32/picture_bitmaps.h"
#include "win32/player.h"

namespace {

constexpr int kAnswerSize = static_cast<int>(brivel::kTextSize);
constexpr int kVerdictId = 9500;
constexpr int kNextId = 9905;
constexpr int kPreviousId = 9906;
constexpr int kPictureId = 9907;

class PanelView final : public brivel::PlayView {
public:
    explicit PanelView(HWND panel) : panel_(panel) {}

    void ShowVerdict(std::string_view word) override {
        SetDlgItemTextA(panel_, kVerdictId, std::string(word).c_str());
    }
    void ShowProgress(std::string_view text) override {
        SetDlgItemTextA(Header(), 32, std::string(text).c_str());
    }
    void ShowCode(std::string_view text) override {
        SetDlgItemTextA(Header(), 30, std::string(text).c_str());
    }
    void ShowPicture(int index) override {
        HBITMAP bitmap = brivel::LoadPicture(
            nullptr, MAKEINTRESOURCEA(brivel::PictureResourceId(index)),
            brivel::kPictureResourceType, brivel::kPictureBoxWidth, brivel::kPictureBoxHeight);
        HWND control = GetDlgItem(panel_, kPictureId);
        // The control hands back the bitmap it showed; nobody else holds it.
        auto previous = reinterpret_cast<HBITMAP>(
            SendMessageA(control, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(bitmap)));
        if (previous != nullptr && previous != bitmap) {
            DeleteObject(previous);
        }
        // Without a bitmap the control paints and erases nothing, which would
        // leave the previous picture on screen: the panel repaints under it.
        if (bitmap == nullptr && control != nullptr) {
            RECT area{};
            GetWindowRect(control, &area);
            POINT corners[2] = {{area.left, area.top}, {area.right, area.bottom}};
            MapWindowPoints(nullptr, panel_, corners, 2);
            area = RECT{corners[0].x, corners[0].y, corners[1].x, corners[1].y};
            InvalidateRect(panel_, &area, TRUE);
        }
    }
    void SelectChooserEntry(int index) override {
        SendMessageA(GetDlgItem(panel_, kChooserId), CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    }
    void SetBoxText(std::string_view text) override {
        SetWindowTextA(GetDlgItem(panel_, kAnswerBoxId), std::string(text).c_str());
    }
    std::string BoxText() override {
        char text[kAnswerSize] = {};
        const int length = GetWindowTextA(GetDlgItem(panel_, kAnswerBoxId), text, kAnswerSize);
        return std::string(text, length > 0 ? static_cast<std::size_t>(length) : 0);
    }

private:
    static HWND Header() { return static_cast<HWND>(g_record->headerPanel); }

    HWND panel_;
};

// The panel is created once per run, so its state is too.
std::optional<PanelView> g_panelView;
std::optional<brivel::PlayState> g_playState;

HWND AddControl(HWND panel, const char* className, const char* text, DWORD style, int x, int y,
                int width, int height, int id) {
    return CreateWindowExA(0, className, text, style, x, y, width, height, panel,
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                           GetModuleHandleA(nullptr), nullptr);
}

void Initialise(HWND panel) {
    brivel::QuizRecord& record = *g_record;
    brivel::LoadProgress(record, PlayerProgressFile());

    AddControl(panel, "STATIC", nullptr, 0x5080020E, 5, 5, 640, 480, kPictureId);
    AddControl(panel, "BUTTON", "<--", 0x50800000, 5, 490, 60, 20, kPreviousId);
    HWND box = AddControl(panel, "EDIT", record.typedAnswers[0], 0x50800081, 170, 490, 230, 20,
                          kAnswerBoxId);
    g_answerBoxDefaultProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(box, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(AnswerBoxProc)));
    AddControl(panel, "STATIC", "?", 0x50800201, 410, 490, 100, 20, kVerdictId);
    AddControl(panel, "BUTTON", "-->", 0x50800000, 585, 490, 60, 20, kNextId);

    g_panelView.emplace(panel);
    g_playState.emplace(record, *g_panelView);
    g_playState->StartPlay();

    HWND chooser = AddControl(panel, "combobox", "", 0x50200803, 170, 515, 230, 150, kChooserId);
    SendMessageA(chooser, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)),
                 TRUE);
    for (int k = 1; k <= record.pictureCount; ++k) {
        const std::string label = brivel::ChooserLabel(k);
        SendMessageA(chooser, CB_INSERTSTRING, static_cast<WPARAM>(k - 1),
                     reinterpret_cast<LPARAM>(label.c_str()));
    }
    SendMessageA(chooser, CB_SETCURSEL, static_cast<WPARAM>(g_playState->current()), 0);
}

void OnCommand(HWND panel, WPARAM wParam) {
    if (!g_playState) {
        return;
    }
    switch (LOWORD(wParam)) {
        case kNextId:
            g_playState->NextPicture();
            break;
        case kPreviousId:
            g_playState->PreviousPicture();
            break;
        case kChooserId:
            if (HIWORD(wParam) == CBN_SELCHANGE) {
                const auto index =
                    static_cast<int>(SendDlgItemMessageA(panel, kChooserId, CB_GETCURSEL, 0, 0));
                g_playState->ChoosePicture(index);
            }
            break;
        default:
            break;
    }
}

// The word's own cell takes the field's colour, so the whole field reads as
// one block of colour.
INT_PTR ColourVerdict(HDC dc, HWND control) {
    if (g_record == nullptr || GetWindowLongPtrA(control, GWLP_ID) != kVerdictId) {
        return 0;
    }
    char text[kAnswerSize] = {};
    GetWindowTextA(control, text, kAnswerSize);
    const brivel::VerdictFill* fill = brivel::VerdictFillOf(text);
    if (fill == nullptr) {
        return 0;
    }
    SetBkColor(dc, RGB(fill->colour.red, fill->colour.green, fill->colour.blue));
    return reinterpret_cast<INT_PTR>(g_record->*fill->brush);
}

}  // namespace

brivel::PlayState* PanelPlayState() {
    return g_playState ? &*g_playState : nullptr;
}

INT_PTR CALLBACK PlayPanelProc(HWND panel, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_INITDIALOG:
            Initialise(panel);
            return TRUE;
        case WM_COMMAND:
            OnCommand(panel, wParam);
            return 0;
        case WM_CTLCOLORDLG:
            return g_record != nullptr ? reinterpret_cast<INT_PTR>(g_record->backBrush) : 0;
        case WM_CTLCOLORSTATIC:
            return ColourVerdict(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
        default:
            return 0;
    }
}
