// The play panel: picture, arrows, answer box, verdict and chooser, driving
// one PlayState.

#include <optional>
#include <string>

#include "app/play_session.h"
#include "app/progress_file.h"
#include "pictures/fit.h"
#include "play/play_state.h"
#include "quiz/quiz_loader.h"
#include "quiz/quiz_record.h"
#include "win32/picture_bitmaps.h"
#include "win32/player.h"

namespace {

using brivel::kAnswerBox;
using brivel::kPictureChooser;

class PanelView final : public brivel::PlayView {
public:
    explicit PanelView(HWND panel) : panel_(panel) {}

    void ShowVerdict(std::string_view word) override {
        SetDlgItemTextA(panel_, brivel::kVerdictField.id, std::string(word).c_str());
    }
    void ShowProgress(std::string_view text) override {
        SetDlgItemTextA(Header(), brivel::kProgressText.id, std::string(text).c_str());
    }
    void ShowCode(std::string_view text) override {
        SetDlgItemTextA(Header(), brivel::kCodeText.id, std::string(text).c_str());
    }
    void ShowPicture(int index) override {
        HBITMAP bitmap = brivel::LoadPicture(
            nullptr, MAKEINTRESOURCEA(brivel::PictureResourceId(index)),
            brivel::kPictureResourceType, brivel::kPictureBoxWidth, brivel::kPictureBoxHeight);
        HWND control = GetDlgItem(panel_, brivel::kPictureControl.id);
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
        SendMessageA(GetDlgItem(panel_, kPictureChooser.id), CB_SETCURSEL,
                     static_cast<WPARAM>(index), 0);
    }
    void SetBoxText(std::string_view text) override {
        SetWindowTextA(GetDlgItem(panel_, kAnswerBox.id), std::string(text).c_str());
    }
    std::string BoxText() override {
        char text[brivel::kTextSize] = {};
        const int length = GetWindowTextA(GetDlgItem(panel_, kAnswerBox.id), text, sizeof text);
        return std::string(text, length > 0 ? static_cast<std::size_t>(length) : 0);
    }

private:
    static HWND Header() { return static_cast<HWND>(g_record->headerPanel); }

    HWND panel_;
};

// The panel is created once per run, so its state is too.
std::optional<PanelView> g_panelView;
std::optional<brivel::PlayState> g_playState;

void Initialise(HWND panel) {
    brivel::QuizRecord& record = *g_record;
    brivel::LoadProgress(record, PlayerProgressFile());

    CreateControls(panel, brivel::WindowPanel::Play);
    HWND box = GetDlgItem(panel, kAnswerBox.id);
    g_answerBoxDefaultProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(box, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(AnswerBoxProc)));
    HWND chooser = GetDlgItem(panel, kPictureChooser.id);
    for (int k = 1; k <= record.pictureCount; ++k) {
        const std::string label = brivel::ChooserLabel(k);
        SendMessageA(chooser, CB_INSERTSTRING, static_cast<WPARAM>(k - 1),
                     reinterpret_cast<LPARAM>(label.c_str()));
    }

    g_panelView.emplace(panel);
    g_playState.emplace(record, *g_panelView);
    brivel::StartSession(record, *g_playState, *g_panelView);
}

void OnCommand(HWND panel, WPARAM wParam) {
    if (!g_playState) {
        return;
    }
    const int id = LOWORD(wParam);
    if (id == brivel::kNextButton.id) {
        g_playState->NextPicture();
    } else if (id == brivel::kPreviousButton.id) {
        g_playState->PreviousPicture();
    } else if (id == kPictureChooser.id && HIWORD(wParam) == CBN_SELCHANGE) {
        const auto index =
            static_cast<int>(SendDlgItemMessageA(panel, kPictureChooser.id, CB_GETCURSEL, 0, 0));
        g_playState->ChoosePicture(index);
    }
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
        case WM_SIZE:
            LayOutControls(panel, brivel::WindowPanel::Play);
            return 0;
        case WM_COMMAND:
            OnCommand(panel, wParam);
            return 0;
        case WM_CTLCOLORDLG:
            return g_record != nullptr ? reinterpret_cast<INT_PTR>(g_record->backBrush) : 0;
        case WM_CTLCOLORSTATIC:
            return ControlColours(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam),
                                  brivel::WindowPanel::Play);
        default:
            return 0;
    }
}
