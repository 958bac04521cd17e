#pragma once

// What the windows of the Windows player share: the process-wide state, the
// procedures each window is given, and the controls made from the window's
// table (app/window_layout.h).

#include <windows.h>

#include <string>

#include "app/window_layout.h"

namespace brivel {
class QuizRecord;
class PlayState;
}  // namespace brivel

// Resource ids.
inline constexpr int kPlayPanelTemplate = 1001;
inline constexpr int kHeaderPanelTemplate = 1002;
inline constexpr int kHandCursorId = 1003;

extern brivel::QuizRecord* g_record;
extern HWND g_headerPanel;
extern HWND g_playPanel;
extern HBRUSH g_backgroundBrush;
extern HBRUSH g_headerBrush;
extern WNDPROC g_answerBoxDefaultProc;

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK HeaderPanelProc(HWND panel, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK PlayPanelProc(HWND panel, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK AnswerBoxProc(HWND box, UINT message, WPARAM wParam, LPARAM lParam);

inline COLORREF ColourRef(brivel::Rgb colour) {
    return RGB(colour.red, colour.green, colour.blue);
}

// Every control of panel, made in parent at its place, with its first text
// and its font.
void CreateControls(HWND parent, brivel::WindowPanel panel);
// Moves the windows of panel that follow its size to their places in parent.
void LayOutControls(HWND parent, brivel::WindowPanel panel);
// A static control's colour request: the brush it is filled with, or 0 for
// the platform's colours.
INT_PTR ControlColours(HDC dc, HWND control, brivel::WindowPanel panel);

// Gives the link its font, three quarters of its height and underlined, and
// makes the hand the cursor of every static control.
void SetUpLink(HWND control);

// The play panel's state; null until the panel has initialised.
brivel::PlayState* PanelPlayState();

// The progress file of this executable, resolved against the working folder.
std::string PlayerProgressFile();

// Every save goes through here: the answer box's text joins its picture's
// slot first, so what the player just typed is not lost.
void SavePlayerProgress();
