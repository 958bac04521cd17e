// Start-up, the main window and teardown of the Windows player.

#include <string>

#include "app/progress_file.h"
#include "app/progress_format.h"
#include "quiz/quiz_loader.h"
#include "quiz/quiz_record.h"
#include "win32/player.h"
#include "win32/win32_services.h"

brivel::QuizRecord* g_record = nullptr;
HWND g_headerPanel = nullptr;
HWND g_playPanel = nullptr;
HBRUSH g_backgroundBrush = nullptr;
HBRUSH g_headerBrush = nullptr;
WNDPROC g_answerBoxDefaultProc = nullptr;

namespace {

constexpr char kClassName[] = "WindowsApp";

void ShowStartFailure() {
    MessageBoxA(nullptr,
                "Erreur dans la cr\xE9"
                "ation de la fen\xEAtre principale",
                "Brivel information", MB_OK | MB_ICONINFORMATION);
}

void CentreOnDesktop(HWND window) {
    RECT desktop{};
    RECT own{};
    GetWindowRect(GetDesktopWindow(), &desktop);
    GetWindowRect(window, &own);
    const int x = desktop.left + ((desktop.right - desktop.left) - (own.right - own.left)) / 2;
    const int y = desktop.top + ((desktop.bottom - desktop.top) - (own.bottom - own.top)) / 2;
    SetWindowPos(window, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
}

// Step back from a start that could not finish, leaving nothing behind.
int AbandonStart(HWND mainWindow) {
    ShowStartFailure();
    if (g_playPanel != nullptr) {
        DestroyWindow(g_playPanel);
        g_playPanel = nullptr;
    }
    if (g_headerPanel != nullptr) {
        DestroyWindow(g_headerPanel);
        g_headerPanel = nullptr;
    }
    if (mainWindow != nullptr) {
        DestroyWindow(mainWindow);
    }
    return 0;
}

}  // namespace

std::string PlayerProgressFile() {
    char path[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
    // A path longer than the buffer comes back cut to it.
    return brivel::ProgressFileName(
        std::string_view(path, length < sizeof path ? length : sizeof path));
}

void SavePlayerProgress() {
    if (g_record != nullptr) {
        brivel::SaveSession(*g_record, PanelPlayState(), PlayerProgressFile());
    }
}

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_CREATE:
            CreateControls(window, brivel::WindowPanel::Main);
            SendMessageA(window, WM_SETICON, ICON_BIG,
                         reinterpret_cast<LPARAM>(LoadIconA(nullptr, IDI_QUESTION)));
            return 0;
        case WM_SIZE:
            if (wParam != SIZE_MINIMIZED) {
                LayOutControls(window, brivel::WindowPanel::Main);
            }
            return 0;
        case WM_CLOSE:
            // Not destroyed here: the loop ends and WinMain tears down.
            SavePlayerProgress();
            PostQuitMessage(0);
            return 0;
        case WM_DESTROY:
            PostQuitMessage(0);
            return 0;
        case WM_CTLCOLORSTATIC:
            return ControlColours(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam),
                                  brivel::WindowPanel::Main);
        default:
            return DefWindowProcA(window, message, wParam, lParam);
    }
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE /*previous*/, LPSTR /*commandLine*/,
                   int /*showCommand*/) {
    WNDCLASSEXA windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.style = CS_DBLCLKS;
    windowClass.lpfnWndProc = MainWindowProc;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconA(nullptr, IDI_APPLICATION);
    windowClass.hIconSm = LoadIconA(nullptr, IDI_APPLICATION);
    windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_SCROLLBAR + 1));
    windowClass.lpszClassName = kClassName;
    if (RegisterClassExA(&windowClass) == 0) {
        ShowStartFailure();
        return 0;
    }

    g_backgroundBrush = CreateSolidBrush(ColourRef(brivel::kStatusColour));

    // The record's fonts and brushes are made and deleted through graphics,
    // which therefore outlives it.
    static brivel::GdiGraphics graphics;
    g_record = new brivel::QuizRecord(graphics);
    {
        brivel::ModuleResources resources(GetModuleHandleA(nullptr));
        brivel::MessageBoxSink sink;
        brivel::LoadQuizRecord(*g_record, resources, sink);
    }

    int exitCode = 0;
    HWND mainWindow = CreateWindowExA(0, kClassName, g_record->title, WS_OVERLAPPED | WS_SYSMENU,
                                      CW_USEDEFAULT, CW_USEDEFAULT, brivel::kOuterWidth,
                                      brivel::kOuterHeight, nullptr, nullptr, instance, nullptr);
    if (mainWindow != nullptr) {
        CentreOnDesktop(mainWindow);
        g_headerPanel = CreateDialogParamA(instance, MAKEINTRESOURCEA(kHeaderPanelTemplate),
                                           mainWindow, HeaderPanelProc, 0);
    }
    if (g_headerPanel != nullptr) {
        ShowWindow(g_headerPanel, SW_SHOWNORMAL);
        // The play panel grades as it starts and writes into the header.
        g_record->headerPanel = g_headerPanel;
        g_playPanel = CreateDialogParamA(instance, MAKEINTRESOURCEA(kPlayPanelTemplate), mainWindow,
                                         PlayPanelProc, 0);
    }
    if (g_playPanel == nullptr) {
        exitCode = AbandonStart(mainWindow);
    } else {
        ShowWindow(mainWindow, SW_SHOWNORMAL);
        ShowWindow(g_playPanel, SW_SHOWNORMAL);

        MSG msg{};
        while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
            if (IsDialogMessageA(g_playPanel, &msg)) {
                continue;
            }
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        exitCode = static_cast<int>(msg.wParam);

        EndDialog(g_playPanel, 0);
        DestroyWindow(g_headerPanel);
        g_headerPanel = nullptr;
    }

    DeleteObject(g_backgroundBrush);
    g_backgroundBrush = nullptr;
    brivel::QuizRecord* record = g_record;
    g_record = nullptr;
    delete record;
    return exitCode;
}
