// The answer box's keys: Enter grades, F2 saves, Enter and Tab characters are
// swallowed, and focus selects the whole text.

#include "play/play_state.h"
#include "win32/player.h"

LRESULT CALLBACK AnswerBoxProc(HWND box, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_SETFOCUS:
            SendMessageA(box, EM_SETSEL, 0, 260);
            break;
        case WM_KEYUP:
        case WM_SYSKEYDOWN:
            if (wParam == VK_RETURN) {
                // The chooser always shows the picture on screen.
                HWND chooser = GetDlgItem(GetParent(box), brivel::kPictureChooser.id);
                const auto index = static_cast<int>(SendMessageA(chooser, CB_GETCURSEL, 0, 0));
                if (brivel::PlayState* play = PanelPlayState()) {
                    play->SubmitAnswer(index);
                }
                return 1;
            }
            if (wParam == VK_F2) {
                SavePlayerProgress();
            }
            break;
        case WM_CHAR:
            if (wParam == '\r' || wParam == '\t') {
                return 0;
            }
            break;
        default:
            break;
    }
    return CallWindowProcA(g_answerBoxDefaultProc, box, message, wParam, lParam);
}
