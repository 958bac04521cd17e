#pragma once

// What the windows of the Windows player share: the process-wide state and the
// procedures each window is given.

#include <windows.h>

#include <string>

namespace brivel {
class QuizRecord;
class PlayState;
}  // namespace brivel

// Control and resource ids the windows find each other by.
inline constexpr int kStatusLineId = 8000;
inline constexpr int kPlayPanelTemplate = 1001;
inline constexpr int kHeaderPanelTemplate = 1002;
inline constexpr int kHandCursorId = 1003;
inline constexpr int kAnswerBoxId = 9000;
inline constexpr int kChooserId = 10000;

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

// The play panel's state; null until the panel has initialised.
brivel::PlayState* PanelPlayState();

// The progress file of this executable, resolved against the working folder.
std::string PlayerProgressFile();

// Every save goes through here: the answer box's text joins its picture's
// slot first, so what the player just typed is not lost.
void SavePlayerProgress();
