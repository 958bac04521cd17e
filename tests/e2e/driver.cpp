// brivel-e2e: plays a Windows player under Wine the way a person would, through
// window messages and the pixels on screen, and checks what it shows and writes.
//
//   brivel-e2e SCENARIO PLAYER.EXE WORKDIR
//
// The player is copied into WORKDIR (its progress file lands there) and started
// with WORKDIR as its working folder. The first failed check ends the run with
// exit code 1 and a message on stderr; the player is then terminated.

#include <windows.h>
// psapi.h needs the types of windows.h.
#include <psapi.h>

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "app/window_layout.h"

namespace {

// How long the player may take to answer; BRIVEL_E2E_WAIT_MS stretches it
// for an emulated player.
DWORD g_waitMs = 15000;

// Windows-1252 bytes of the player's texts.
const char* const kStatusText =
    "R\xE9"
    "alis\xE9 avec la version 2.2";
const char* const kNoCode = "      ";
const char* const kAnswersError =
    "Erreur dans le d\xE9"
    "cryptage des reponses";
const char* const kCodesError =
    "Erreur dans le d\xE9"
    "cryptage des codes";

PROCESS_INFORMATION g_player{};
std::string g_scenario;
int g_checks = 0;

[[noreturn]] void Fail(const char* format, ...) {
    std::va_list args;
    va_start(args, format);
    std::fprintf(stderr, "FAIL [%s]: ", g_scenario.c_str());
    std::vfprintf(stderr, format, args);
    std::fputc('\n', stderr);
    va_end(args);
    if (g_player.hProcess != nullptr) {
        TerminateProcess(g_player.hProcess, 99);
    }
    std::exit(1);
}

void Check(bool ok, const char* format, ...) {
    ++g_checks;
    if (ok) {
        return;
    }
    char text[1024];
    std::va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    Fail("%s", text);
}

// Bytes above 127 as \xHH, so Windows-1252 texts read well in a UTF-8 log.
std::string Show(const std::string& text) {
    std::string out = "\"";
    for (unsigned char c : text) {
        if (c < 32 || c > 126) {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02X", c);
            out += hex;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out + "\"";
}

void CheckText(const std::string& got, const std::string& want, const char* what) {
    Check(got == want, "%s is %s, expected %s", what, Show(got).c_str(), Show(want).c_str());
}

LRESULT Send(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    DWORD_PTR result = 0;
    if (SendMessageTimeoutA(window, message, wParam, lParam, SMTO_NORMAL, g_waitMs, &result) == 0) {
        Fail("message 0x%04X to window %p got no answer (the player hangs or is gone)", message,
             static_cast<void*>(window));
    }
    return static_cast<LRESULT>(result);
}

std::string WindowText(HWND window) {
    char text[1024] = {};
    Send(window, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text));
    return text;
}

HWND Item(HWND dialog, int id) {
    HWND item = GetDlgItem(dialog, id);
    if (item == nullptr) {
        Fail("no control with id %d", id);
    }
    return item;
}

std::string ItemText(HWND dialog, int id) {
    return WindowText(Item(dialog, id));
}

// Polls every 20 ms until done() holds; false when ms pass first.
template <typename Done>
bool PollFor(DWORD ms, Done done) {
    for (const DWORD start = GetTickCount(); !done(); Sleep(20)) {
        if (GetTickCount() - start > ms) {
            return false;
        }
    }
    return true;
}

// Where the player's window description puts control in reference's client area.
void CheckPlace(HWND window, HWND reference, const brivel::WindowControl& control,
                const char* what) {
    RECT client, r;
    GetClientRect(reference, &client);
    const brivel::WindowRect at = control.PlaceIn(client.right, client.bottom);
    GetWindowRect(window, &r);
    MapWindowPoints(HWND_DESKTOP, reference, reinterpret_cast<POINT*>(&r), 2);
    Check(r.left == at.x && r.top == at.y && r.right - r.left == at.w && r.bottom - r.top == at.h,
          "%s at (%ld, %ld) size %ld x %ld, expected (%d, %d) size %d x %d", what, r.left, r.top,
          r.right - r.left, r.bottom - r.top, at.x, at.y, at.w, at.h);
}

// ---------------------------------------------------------------------------
// Finding the player's windows

HWND FindTop(const char* className, bool visibleOnly) {
    for (HWND window = FindWindowExA(nullptr, nullptr, className, nullptr); window != nullptr;
         window = FindWindowExA(nullptr, window, className, nullptr)) {
        DWORD pid = 0;
        GetWindowThreadProcessId(window, &pid);
        if (pid == g_player.dwProcessId && (!visibleOnly || IsWindowVisible(window))) {
            return window;
        }
    }
    return nullptr;
}

// A message box's text: its one static control with text (the icon has none).
std::string MessageBoxText(HWND box) {
    for (HWND label = FindWindowExA(box, nullptr, "Static", nullptr); label != nullptr;
         label = FindWindowExA(box, label, "Static", nullptr)) {
        if (std::string text = WindowText(label); !text.empty()) {
            return text;
        }
    }
    return {};
}

struct Player {
    HWND main = nullptr;
    HWND header = nullptr;
    HWND play = nullptr;
    std::string progressFile;  // path in the work folder
};

std::string g_exePath;  // the copy in the work folder
std::string g_workDir;

void Launch() {
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    std::string command = "\"" + g_exePath + "\"";
    // Wine on a loaded machine now and then refuses a start with an internal
    // error that the next attempt does not meet.
    for (int attempt = 1;; ++attempt) {
        if (CreateProcessA(g_exePath.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                           g_workDir.c_str(), &startup, &g_player)) {
            return;
        }
        const DWORD error = GetLastError();
        if (error != ERROR_INTERNAL_ERROR || attempt == 3) {
            Fail("cannot start %s (error %lu)", g_exePath.c_str(), error);
        }
        Sleep(500);
    }
}

std::string ProgressPath() {
    std::string name = g_exePath.substr(g_exePath.find_last_of('\\') + 1);
    return g_workDir + "\\" + name.substr(0, name.size() - 3) + "txt";
}

// The main window appears before its panels are filled: wait for the last
// control of each panel and for the main window to be shown. A message box on
// the way fails the run, unless answer (true when it answered one) takes it.
Player WaitReady(const std::function<bool()>& answer = nullptr) {
    Player p;
    p.progressFile = ProgressPath();
    for (const DWORD start = GetTickCount();; Sleep(20)) {
        if (WaitForSingleObject(g_player.hProcess, 0) != WAIT_TIMEOUT) {
            DWORD code = 0;
            GetExitCodeProcess(g_player.hProcess, &code);
            Fail("the player ended before its window was ready (exit code 0x%lX)", code);
        }
        if (GetTickCount() - start > g_waitMs) {
            Fail("no ready main window after %lu ms (main %p, header %p, play %p)", g_waitMs,
                 static_cast<void*>(p.main), static_cast<void*>(p.header),
                 static_cast<void*>(p.play));
        }
        if (answer) {
            if (answer()) {
                continue;
            }
        } else if (HWND box = FindTop("#32770", true)) {
            Fail("unexpected message box %s: %s", Show(WindowText(box)).c_str(),
                 Show(MessageBoxText(box)).c_str());
        }
        p.main = FindTop("WindowsApp", false);
        if (p.main == nullptr) {
            continue;
        }
        p.header = p.play = nullptr;
        for (HWND child = FindWindowExA(p.main, nullptr, "#32770", nullptr); child != nullptr;
             child = FindWindowExA(p.main, child, "#32770", nullptr)) {
            if (GetDlgItem(child, brivel::kRightRule.id) != nullptr) {
                p.header = child;
            } else if (GetDlgItem(child, brivel::kPictureChooser.id) != nullptr) {
                p.play = child;
            }
        }
        if (p.header != nullptr && p.play != nullptr && IsWindowVisible(p.main) &&
            IsWindowVisible(p.play)) {
            return p;
        }
    }
}

Player Start() {
    Launch();
    return WaitReady();
}

void CloseAndExpectZero(const Player& p) {
    PostMessageA(p.main, WM_CLOSE, 0, 0);
    if (WaitForSingleObject(g_player.hProcess, g_waitMs) != WAIT_OBJECT_0) {
        Fail("the player did not end within %lu ms of WM_CLOSE", g_waitMs);
    }
    DWORD code = 1;
    GetExitCodeProcess(g_player.hProcess, &code);
    CloseHandle(g_player.hProcess);
    CloseHandle(g_player.hThread);
    g_player = PROCESS_INFORMATION{};
    Check(code == 0, "exit code %lu, expected 0", code);
}

// ---------------------------------------------------------------------------
// Files

bool ReadBytes(const std::string& path, std::string& bytes) {
    std::ifstream in(path, std::ios::binary);
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return in.is_open();
}

std::string EmptyLines(int count) {
    std::string text;
    for (int k = 0; k < count; ++k) {
        text += "\r\n";
    }
    return text;
}

void CheckProgressFile(const Player& p, const std::string& want, const char* when) {
    std::string got;
    Check(ReadBytes(p.progressFile, got), "no progress file %s %s", p.progressFile.c_str(), when);
    Check(got == want, "progress file %s is %s, expected %s", when, Show(got).c_str(),
          Show(want).c_str());
}

// ---------------------------------------------------------------------------
// Acting as the player

void Type(const Player& p, const char* text) {
    Send(Item(p.play, brivel::kAnswerBox.id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text));
}

void ReleaseEnter(const Player& p) {
    // Repeat count 1, previous state down, transition up: a real release.
    Send(Item(p.play, brivel::kAnswerBox.id), WM_KEYUP, VK_RETURN,
         static_cast<LPARAM>(0xC01C0001u));
}

void AltEnter(const Player& p) {
    // Context bit 29: Alt is held.
    Send(Item(p.play, brivel::kAnswerBox.id), WM_SYSKEYDOWN, VK_RETURN,
         static_cast<LPARAM>(0x201C0001u));
}

// Types text, presses the key, and checks the verdict shown.
void Grade(const Player& p, const char* text, const char* verdict, const char* what,
           void (*press)(const Player&) = ReleaseEnter) {
    Type(p, text);
    press(p);
    CheckText(ItemText(p.play, brivel::kVerdictField.id), verdict, what);
}

void Click(HWND dialog, int id) {
    Send(Item(dialog, id), BM_CLICK, 0, 0);
}

void Choose(const Player& p, int index) {
    HWND chooser = Item(p.play, brivel::kPictureChooser.id);
    Send(chooser, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    Send(p.play, WM_COMMAND, MAKEWPARAM(brivel::kPictureChooser.id, CBN_SELCHANGE),
         reinterpret_cast<LPARAM>(chooser));
}

int Selection(const Player& p) {
    return static_cast<int>(Send(Item(p.play, brivel::kPictureChooser.id), CB_GETCURSEL, 0, 0));
}

int Entries(const Player& p) {
    return static_cast<int>(Send(Item(p.play, brivel::kPictureChooser.id), CB_GETCOUNT, 0, 0));
}

bool PictureShown(const Player& p) {
    return Send(Item(p.play, brivel::kPictureControl.id), STM_GETIMAGE, IMAGE_BITMAP, 0) != 0;
}

// ---------------------------------------------------------------------------
// The screen

struct Rgb {
    int r, g, b;
};

bool Near(COLORREF c, Rgb want, int tolerance) {
    return std::abs(GetRValue(c) - want.r) <= tolerance &&
           std::abs(GetGValue(c) - want.g) <= tolerance &&
           std::abs(GetBValue(c) - want.b) <= tolerance;
}

COLORREF ScreenPixel(HWND window, int x, int y) {
    POINT at{x, y};
    ClientToScreen(window, &at);
    HDC screen = GetDC(nullptr);
    const COLORREF c = GetPixel(screen, at.x, at.y);
    ReleaseDC(nullptr, screen);
    return c;
}

struct Spot {
    int x, y;
};

// Painting happens when the player gets to its paint messages: give it time.
void CheckPixels(HWND window, const std::vector<Spot>& spots, Rgb want, int tolerance,
                 const char* what) {
    Spot bad{};
    COLORREF seen = 0;
    const auto painted = [&] {
        for (const Spot& spot : spots) {
            bad = spot;
            seen = ScreenPixel(window, spot.x, spot.y);
            if (!Near(seen, want, tolerance)) {
                return false;
            }
        }
        return true;
    };
    const bool ok = PollFor(3000, painted);
    Check(ok, "%s: pixel (%d, %d) is RGB(%d, %d, %d), expected RGB(%d, %d, %d)", what, bad.x, bad.y,
          GetRValue(seen), GetGValue(seen), GetBValue(seen), want.r, want.g, want.b);
}

// The verdict word is drawn centred; the field's edges show the brush.
void CheckVerdictColour(const Player& p, Rgb want, const char* what) {
    HWND field = Item(p.play, brivel::kVerdictField.id);
    RECT c;
    GetClientRect(field, &c);
    CheckPixels(field, {{1, 1}, {1, c.bottom / 2}, {c.right - 2, c.bottom / 2}}, want, 2, what);
}

Rgb FromColorref(COLORREF c) {
    return {GetRValue(c), GetGValue(c), GetBValue(c)};
}

// Test pictures are 2 x 2 blocks of flat colour; check the centre of each block.
void CheckPicture(const Player& p, const Rgb (&blocks)[4], int tolerance, const char* what) {
    HWND picture = Item(p.play, brivel::kPictureControl.id);
    RECT c;
    GetClientRect(picture, &c);
    const int w = c.right, h = c.bottom;
    const Spot spots[4] = {
        {w / 4, h / 4}, {3 * w / 4, h / 4}, {w / 4, 3 * h / 4}, {3 * w / 4, 3 * h / 4}};
    for (int i = 0; i < 4; ++i) {
        CheckPixels(picture, {spots[i]}, blocks[i], tolerance, what);
    }
}

const Rgb kGreen{0, 255, 0}, kRed{255, 0, 0}, kOrange{255, 100, 0}, kAmber{255, 203, 38};
const Rgb kLinkColour{50, 50, 255};
// The quiz colours of monuments.quiz and of test mode, which must differ.
const Rgb kMonumentsColour{90, 95, 150}, kTestModeColour{53, 203, 163};

// The play panel's background shows the quiz colour where no control lies.
void CheckPlayPanelColour(const Player& p, Rgb want) {
    CheckPixels(p.play, {{2, 2}, {100, 500}, {540, 500}}, want, 0, "play panel background");
}

// The link shows its whole address on one line: the underline, drawn in the
// link's colour under the first line, is as long as the address laid out in
// the link's font (SetUpLink's: 13 pixels, underlined, the default face).
void CheckLinkFits(const Player& p) {
    HWND link = Item(p.header, brivel::kLinkText.id);
    RECT box;
    GetClientRect(link, &box);
    const std::string address = WindowText(link);
    HFONT font =
        CreateFontA(-13, 0, 0, 0, FW_NORMAL, FALSE, TRUE, FALSE, ANSI_CHARSET, 0, 0, 0, 0, nullptr);
    HDC dc = GetDC(nullptr);
    HGDIOBJ old = SelectObject(dc, font);
    SIZE extent{};
    GetTextExtentPoint32A(dc, address.c_str(), static_cast<int>(address.size()), &extent);
    SelectObject(dc, old);
    ReleaseDC(nullptr, dc);
    DeleteObject(font);
    Check(extent.cx > 0 && extent.cx <= box.right,
          "the address %s is %ld pixels wide, the link %ld", Show(address).c_str(), extent.cx,
          box.right);

    int underline = 0;
    const auto whole = [&] {
        underline = 0;
        for (int y = 0; y < box.bottom; ++y) {
            int run = 0;
            while (run < box.right && Near(ScreenPixel(link, run, y), kLinkColour, 8)) {
                ++run;
            }
            underline = std::max(underline, run);
        }
        return underline == extent.cx;
    };
    const bool ok = PollFor(3000, whole);
    Check(ok, "the link's underline is %d pixels long, the address %s %ld: it is not shown whole",
          underline, Show(address).c_str(), extent.cx);
}

// The blocks of tests/e2e/pictures (top left, top right, bottom left, bottom right).
const Rgb kPicture1[4] = {{200, 40, 40}, {40, 200, 40}, {40, 40, 200}, {230, 230, 60}};
const Rgb kPicture2[4] = {{60, 230, 230}, {230, 60, 230}, {250, 250, 250}, {20, 20, 20}};
const Rgb kPicture3[4] = {{250, 140, 0}, {0, 100, 250}, {120, 60, 20}, {150, 150, 150}};
const Rgb kPngPicture[4] = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {255, 255, 0}};
constexpr int kJpegTolerance = 24;

// ---------------------------------------------------------------------------
// The monuments quiz (tests/e2e/quizzes/monuments.*)

const char* const kQuizTitle = "Monuments de Paris";
const char* const kAuthorName = "Zo\xE9 Martin";
const char* const kExplanationText = "Trouvez le monument de chaque image";
const char* const kCodes[] = {"P", "PA", "PARIS"};
constexpr int kCount = 3;

std::string ProgressText(int found, int count) {
    return " " + std::to_string(found) + " / " + std::to_string(count);
}

void CheckProgress(const Player& p, int found, const char* code, int count = kCount) {
    CheckText(ItemText(p.header, brivel::kProgressText.id), ProgressText(found, count), "progress");
    CheckText(ItemText(p.header, brivel::kCodeText.id), code, "code");
}

// The chooser's entry, the answer box, the verdict and, when given, the JPEG
// picture shown.
void CheckShown(const Player& p, int index, const char* boxText, const char* verdict,
                const Rgb (*picture)[4] = nullptr) {
    Check(Selection(p) == index, "chooser selection %d, expected %d", Selection(p), index);
    CheckText(ItemText(p.play, brivel::kAnswerBox.id), boxText, "answer box");
    CheckText(ItemText(p.play, brivel::kVerdictField.id), verdict, "verdict");
    if (picture != nullptr) {
        const std::string what = "picture of entry " + std::to_string(index);
        CheckPicture(p, *picture, kJpegTolerance, what.c_str());
    }
}

void CheckTitle(const Player& p, const std::string& title) {
    CheckText(WindowText(p.main), title, "caption");
    CheckText(ItemText(p.header, brivel::kTitleText.id), title, "title");
}

// The player's own messages, caption and text.
const std::pair<const char*, const char*> kMessages[] = {
    {"Brivel", kAnswersError},
    {"Brivel", kCodesError},
    {"information", "Impossible d'allouer la memoire"},
    {"information", "erreur m\xE9moire"},
};

// Answers the message box the player shows, if any, once it is known to be
// one of the player's own; seen gets its text. True if there was one.
bool AnswerMessage(std::string& seen) {
    HWND box = FindTop("#32770", true);
    if (box == nullptr) {
        return false;
    }
    const std::string caption = WindowText(box), text = MessageBoxText(box);
    Check(std::any_of(std::begin(kMessages), std::end(kMessages),
                      [&](const auto& m) { return caption == m.first && text == m.second; }),
          "unexpected message box %s: %s", Show(caption).c_str(), Show(text).c_str());
    seen += "message " + Show(text) + ", ";
    HWND button = FindWindowExA(box, nullptr, "Button", nullptr);
    Check(button != nullptr, "the message box has no button");
    PostMessageA(button, BM_CLICK, 0, 0);
    const bool gone = PollFor(g_waitMs, [box] { return !IsWindow(box) || !IsWindowVisible(box); });
    Check(gone, "the message box stays after its button");
    return true;
}

// ---------------------------------------------------------------------------
// Scenarios

// Checks the texts of a dialog's controls.
void CheckTexts(HWND dialog, std::initializer_list<std::pair<int, const char*>> texts) {
    for (const auto& [id, text] : texts) {
        const std::string what = "text of control " + std::to_string(id);
        CheckText(ItemText(dialog, id), text, what.c_str());
    }
}

void Layout(Player& p) {
    CheckTitle(p, kQuizTitle);
    RECT r, desk;
    GetWindowRect(p.main, &r);
    GetWindowRect(GetDesktopWindow(), &desk);
    const long w = r.right - r.left, h = r.bottom - r.top;
    Check(w == 670 && h == 640, "main window %ld x %ld, expected 670 x 640", w, h);
    const long x = desk.left + (desk.right - desk.left - w) / 2;
    const long y = desk.top + (desk.bottom - desk.top - h) / 2;
    Check(r.left == x && r.top == y, "main window at (%ld, %ld), centred is (%ld, %ld)", r.left,
          r.top, x, y);
    const LONG mainStyle = GetWindowLongA(p.main, GWL_STYLE);
    Check((mainStyle & WS_CAPTION) == WS_CAPTION && (mainStyle & WS_SYSMENU) != 0,
          "main window style 0x%08lX lacks caption or system menu", mainStyle);
    Check((mainStyle & (WS_THICKFRAME | WS_MAXIMIZEBOX | WS_MINIMIZEBOX)) == 0,
          "main window style 0x%08lX can be resized, maximised or minimised", mainStyle);

    CheckText(ItemText(p.main, brivel::kStatusLine.id), kStatusText, "status line");
    CheckPlace(Item(p.main, brivel::kStatusLine.id), p.main, brivel::kStatusLine, "status line");
    CheckPlace(p.header, p.main, brivel::kHeaderPanel, "header panel");
    CheckPlace(p.play, p.main, brivel::kPlayPanel, "play panel");
    for (const brivel::WindowControl* control : brivel::kWindowControls) {
        if (control->panel == brivel::WindowPanel::Header) {
            CheckPlace(Item(p.header, control->id), p.header, *control, control->name);
        }
    }
    CheckTexts(p.header, {{brivel::kLinkText.id, "https://ex.fr/quiz"},
                          {brivel::kExplanationText.id, kExplanationText},
                          {brivel::kByLabel.id, "Par :"},
                          {brivel::kAuthorText.id, kAuthorName},
                          {brivel::kCodeLabel.id, " Code :"},
                          {brivel::kSaveButton.id, "Sauver"},
                          {brivel::kProgressText.id, " 0 / 3"},
                          {brivel::kCodeText.id, kNoCode}});
    CheckLinkFits(p);
    CheckPlayPanelColour(p, kMonumentsColour);

    struct Control {
        const char* text;
        const brivel::WindowControl& place;
        DWORD style;
        DWORD mask;  // the bits the control keeps as created
    };
    // An edit control trades WS_BORDER for a border of its own drawing.
    const Control play[] = {
        {nullptr, brivel::kPictureControl, 0x5080020E, ~0u},
        {"<--", brivel::kPreviousButton, 0x50800000, ~0u},
        {"", brivel::kAnswerBox, 0x50800081, ~DWORD{WS_BORDER}},
        {"?", brivel::kVerdictField, 0x50800201, ~0u},
        {"-->", brivel::kNextButton, 0x50800000, ~0u},
    };
    for (const Control& c : play) {
        HWND item = Item(p.play, c.place.id);
        if (c.text != nullptr) {
            CheckText(WindowText(item), c.text, "play panel text");
        }
        CheckPlace(item, p.play, c.place, "play panel control");
        const DWORD style = static_cast<DWORD>(GetWindowLongA(item, GWL_STYLE));
        Check((style & c.mask) == (c.style & c.mask), "control %d style 0x%08lX, expected 0x%08lX",
              c.place.id, style, c.style);
    }

    HWND chooser = Item(p.play, brivel::kPictureChooser.id);
    Check(Entries(p) == kCount, "chooser has %d entries, expected %d", Entries(p), kCount);
    for (int k = 0; k < kCount; ++k) {
        // Wine hands an ANSI CB_GETLBTEXT from another process back in UTF-16.
        wchar_t wide[64] = {};
        DWORD_PTR got = 0;
        SendMessageTimeoutW(chooser, CB_GETLBTEXT, static_cast<WPARAM>(k),
                            reinterpret_cast<LPARAM>(wide), SMTO_NORMAL, g_waitMs, &got);
        char label[64] = {};
        WideCharToMultiByte(1252, 0, wide, -1, label, sizeof label, nullptr, nullptr);
        CheckText(label, "Image n\xB0" + std::to_string(k + 1), "chooser entry");
    }
    CheckVerdictColour(p, FromColorref(GetSysColor(COLOR_BTNFACE)), "verdict \"?\"");
}

void Verdicts(Player& p) {
    struct Case {
        const char* typed;
        const char* verdict;
        Rgb colour;
    };
    const Rgb plain = FromColorref(GetSysColor(COLOR_BTNFACE));
    // Against the first picture's answer, "Arc de triomphe".
    const Case cases[] = {
        {"  arc de TRIOMPHE ", "BRAVO", kGreen},
        {"triomphe de arc", "Anagramme", kOrange},
        {"arc de triomphes", "Quasiment", kAmber},
        {"arc de triomphess", "Presque", kAmber},
        {"arc de triomphe xyz", "Trop long", kAmber},
        {"arc de trio", "Trop court", kAmber},
        {"arc de t", "pas loin", kAmber},
        {"arx de triompxez",
         "y a de l'id\xE9"
         "e",
         kAmber},
        {"zut", "FAUX", kRed},
        {"", "?", plain},
    };
    for (const Case& c : cases) {
        Grade(p, c.typed, c.verdict, c.typed);
        CheckText(ItemText(p.play, brivel::kAnswerBox.id), c.typed, "answer box after Enter");
        CheckVerdictColour(p, c.colour, c.verdict);
        const bool found = std::strcmp(c.verdict, "BRAVO") == 0;
        CheckProgress(p, found ? 1 : 0, found ? kCodes[0] : kNoCode);
    }

    // Alt+Enter grades too; an Enter or Tab character never reaches the text.
    Grade(p, "arc de triomphe", "BRAVO", "verdict after Alt+Enter", AltEnter);
    CheckProgress(p, 1, kCodes[0]);
    Send(Item(p.play, brivel::kAnswerBox.id), WM_CHAR, '\r', 0x1C0001);
    Send(Item(p.play, brivel::kAnswerBox.id), WM_CHAR, '\t', 0x0F0001);
    CheckText(ItemText(p.play, brivel::kAnswerBox.id), "arc de triomphe",
              "answer box after Enter and Tab characters");
    Grade(p, "zut", "FAUX", "verdict after Alt+Enter", AltEnter);
    CheckProgress(p, 0, kNoCode);
}

void Moves(Player& p) {
    CheckShown(p, 0, "", "?", &kPicture1);
    Click(p.play, brivel::kPreviousButton.id);  // on the first
    CheckShown(p, 2, "", "?", &kPicture3);
    Click(p.play, brivel::kNextButton.id);  // on the last
    CheckShown(p, 0, "", "?", &kPicture1);

    // A move stores the text left behind without grading it.
    Type(p, "arc de triomphe");
    Click(p.play, brivel::kNextButton.id);
    CheckShown(p, 1, "", "?", &kPicture2);
    CheckProgress(p, 0, kNoCode);
    Type(p, "chateau de sa");
    Choose(p, 0);
    CheckShown(p, 0, "arc de triomphe", "BRAVO", &kPicture1);
    CheckProgress(p, 1, kCodes[0]);
    Choose(p, 1);
    CheckShown(p, 1, "chateau de sa", "Trop court");
    Choose(p, 2);
    CheckShown(p, 2, "", "?", &kPicture3);
}

void PressF2(const Player& p) {
    Send(Item(p.play, brivel::kAnswerBox.id), WM_KEYUP, VK_F2, static_cast<LPARAM>(0xC03C0001u));
}

void Save() {
    Player p = Start();
    DeleteFileA(p.progressFile.c_str());

    // F2 saves, and what is in the box counts though the picture was not left.
    Type(p, "arc de triomphe");
    PressF2(p);
    CheckProgressFile(p, "arc de triomphe\r\n\r\n\r\n", "after F2");
    CheckText(ItemText(p.play, brivel::kAnswerBox.id), "arc de triomphe", "answer box after F2");

    Click(p.play, brivel::kNextButton.id);
    Type(p, "Ch\xE2teau de sable");
    Click(p.header, brivel::kSaveButton.id);
    CheckProgressFile(p, "arc de triomphe\r\nCh\xE2teau de sable\r\n\r\n", "after \"Sauver\"");

    Type(p, "chateau de sable");
    CloseAndExpectZero(p);
    const std::string saved = "arc de triomphe\r\nchateau de sable\r\n\r\n";
    CheckProgressFile(p, saved, "after closing");

    // The next start grades the restored texts again.
    p = Start();
    CheckProgress(p, 2, kCodes[1]);
    CheckShown(p, 0, "arc de triomphe", "BRAVO");
    Click(p.play, brivel::kNextButton.id);
    CheckShown(p, 1, "chateau de sable", "BRAVO");
    CloseAndExpectZero(p);
    CheckProgressFile(p, saved, "after the second run");
}

// Wine counts no GDI objects (GetGuiResources gives 0): a bitmap left behind
// at each move shows in the memory figures instead.
void Memory(Player& p) {
    const auto measure = [] {
        PROCESS_MEMORY_COUNTERS m{};
        m.cb = sizeof m;
        if (!GetProcessMemoryInfo(g_player.hProcess, &m, sizeof m)) {
            Fail("GetProcessMemoryInfo failed (error %lu)", GetLastError());
        }
        return m;
    };
    const auto moves = [&p](int count) {
        for (int i = 0; i < count; ++i) {
            if (i % 10 == 9) {
                Choose(p, i % kCount);
            } else {
                Click(p.play, i % 2 == 0 ? brivel::kNextButton.id : brivel::kPreviousButton.id);
            }
            Click(p.play, brivel::kNextButton.id);
        }
    };
    moves(30);  // let the heaps and caches settle
    const PROCESS_MEMORY_COUNTERS before = measure();
    moves(150);  // 300 moves
    const PROCESS_MEMORY_COUNTERS after = measure();

    const double mb = 1024.0 * 1024.0;
    std::printf("resident %.1f -> %.1f MB, private %.1f -> %.1f MB\n", before.WorkingSetSize / mb,
                after.WorkingSetSize / mb, before.PagefileUsage / mb, after.PagefileUsage / mb);
    Check(before.WorkingSetSize > 0, "no resident memory figure for the player");
    // One leaked 640 x 480 bitmap per move would add more than 300 MB.
    const SIZE_T limit = 12u * 1024u * 1024u;
    Check(after.WorkingSetSize < before.WorkingSetSize + limit, "resident memory grew by %.1f MB",
          (after.WorkingSetSize - before.WorkingSetSize) / mb);
    Check(after.PagefileUsage < before.PagefileUsage + limit, "private memory grew by %.1f MB",
          (after.PagefileUsage - before.PagefileUsage) / mb);
}

void TestMode() {
    Player p = Start();
    CheckTitle(p, "Nom du brivel");
    CheckTexts(p.header, {{brivel::kAuthorText.id, "Createur brivel"},
                          {brivel::kExplanationText.id, "Explications du brivel"},
                          {brivel::kProgressText.id, " 0 / 7"}});
    Check(Entries(p) == 7, "chooser has %d entries, expected 7", Entries(p));
    Check(!PictureShown(p), "a picture is shown though the player carries none");
    CheckPlayPanelColour(p, kTestModeColour);
    Grade(p, "Test", "BRAVO", "verdict");
    CheckText(ItemText(p.header, brivel::kProgressText.id), " 1 / 7", "progress");
    Choose(p, 6);
    CheckShown(p, 6, "", "?");
    Type(p, "test");
    CloseAndExpectZero(p);
    CheckProgressFile(p, "Test\r\n\r\n\r\n\r\n\r\n\r\ntest\r\n", "after closing");
}

void BadQuiz() {
    Launch();
    std::string seen;
    Player p = WaitReady([&seen] { return AnswerMessage(seen); });
    CheckText(seen, "message " + Show(kAnswersError) + ", ", "messages before the window");

    // Play goes on with no pictures.
    CheckText(ItemText(p.header, brivel::kProgressText.id), " 0 / 0", "progress");
    Check(Entries(p) == 0, "the chooser has entries");
    Click(p.play, brivel::kNextButton.id);
    Click(p.play, brivel::kPreviousButton.id);
    Grade(p, "arc", "?", "verdict with no pictures");
    CloseAndExpectZero(p);
    CheckProgressFile(p, "", "after closing");
}

// The mixed quiz: picture 1 is a PNG held as RCDATA, picture 2 is missing,
// picture 3 is the JPEG of picture 3 of the monuments quiz; no link shows.
void MixedQuiz(Player& p) {
    CheckTexts(p.header, {{brivel::kLinkText.id, ""}});
    Check(PictureShown(p), "the PNG picture is not shown");
    CheckPicture(p, kPngPicture, 8, "PNG picture");
    Choose(p, 1);
    CheckShown(p, 1, "", "?");
    Check(!PictureShown(p), "a picture is shown for a missing resource");
    Check(FindTop("#32770", true) == nullptr, "a message box came up for the missing picture");
    // Without a picture the control shows the quiz colour all over.
    CheckPixels(Item(p.play, brivel::kPictureControl.id),
                {{3, 3}, {320, 240}, {100, 100}, {600, 400}}, kMonumentsColour, 0,
                "empty picture control");
    Grade(p, "chateau de sable", "BRAVO", "verdict on the missing picture");
    CheckProgress(p, 1, kCodes[0]);
    Click(p.play, brivel::kNextButton.id);
    CheckShown(p, 2, "", "?", &kPicture3);
}

// A quiz packed by the tool: Windows' own loader finds the player's cursor
// and icon, which play does not show, and the pictures, which the player
// shows one by one (its panels and texts need the rest to come up at all).
void PackedQuiz() {
    HMODULE module = LoadLibraryExA(g_exePath.c_str(), nullptr,
                                    LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    Check(module != nullptr, "the loader refuses %s as a module (error %lu)", g_exePath.c_str(),
          GetLastError());
    Check(FindResourceA(module, MAKEINTRESOURCEA(1003), MAKEINTRESOURCEA(12)) != nullptr,
          "no cursor group 1003");
    Check(FindResourceA(module, "A", MAKEINTRESOURCEA(14)) != nullptr, "no icon group \"A\"");
    int pictures = 0;
    while (FindResourceA(module, MAKEINTRESOURCEA(401 + pictures), "IMG") != nullptr) {
        ++pictures;
    }
    FreeLibrary(module);

    Player p = Start();
    const std::string title = WindowText(p.main);
    Check(!title.empty() && title != "Nom du brivel", "caption %s is not the quiz's title",
          Show(title).c_str());
    CheckTitle(p, title);
    Check(Entries(p) == pictures, "chooser has %d entries for %d pictures", Entries(p), pictures);
    CheckText(ItemText(p.header, brivel::kProgressText.id), ProgressText(0, pictures), "progress");
    // The bitmap belongs to the player's process: it is judged by what reaches
    // the screen, a grid of pixels that must change from one picture to the next.
    HWND control = Item(p.play, brivel::kPictureControl.id);
    const auto grid = [control] {
        std::vector<COLORREF> pixels;
        for (int y = 40; y < 480; y += 100) {
            for (int x = 40; x < 640; x += 100) {
                pixels.push_back(ScreenPixel(control, x, y));
            }
        }
        return pixels;
    };
    const auto distinct = [](std::vector<COLORREF> colours) {
        std::sort(colours.begin(), colours.end());
        return std::unique(colours.begin(), colours.end()) - colours.begin();
    };
    std::vector<COLORREF> previous;
    for (int i = 0; i < pictures; ++i) {
        Choose(p, i);
        Check(PictureShown(p), "picture %d is not shown", i + 1);
        // A read may land between the erase and the picture: wait for a grid
        // that differs, has a picture's colours and holds still.
        std::vector<COLORREF> now, last;
        PollFor(g_waitMs, [&] {
            last = std::exchange(now, grid());
            return now != previous && distinct(now) >= 3 && now == last;
        });
        const size_t colours = distinct(now);
        Check(now != previous && colours >= 3,
              "picture %d: the screen shows %zu colours and %s the picture before", i + 1, colours,
              now == previous ? "is the same as" : "differs from");
        previous = now;
    }
    Grade(p, "zzzz", "FAUX", "verdict on a wrong answer");
    CheckText(ItemText(p.header, brivel::kProgressText.id), ProgressText(0, pictures), "progress");
    CloseAndExpectZero(p);
}

// Leaves the player on screen until the runner has taken its picture.
void AwaitScreenshot(const Player& p) {
    // Screenshots are held to what the player draws, not to when its last
    // paint reached the X server: have all of it painted again first.
    RedrawWindow(p.main, nullptr, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
    RECT r;
    GetWindowRect(p.main, &r);
    const std::string ready = g_workDir + "\\ready", done = g_workDir + "\\shot-done";
    const std::string writing = ready + ".new";
    DeleteFileA(done.c_str());
    // Renamed into place, so the runner never reads half a geometry.
    if (std::FILE* f = std::fopen(writing.c_str(), "w")) {
        std::fprintf(f, "%ldx%ld+%ld+%ld\n", r.right - r.left, r.bottom - r.top, r.left, r.top);
        std::fclose(f);
        MoveFileExA(writing.c_str(), ready.c_str(), MOVEFILE_REPLACE_EXISTING);
    }
    const bool taken = PollFor(
        20000, [&done] { return GetFileAttributesA(done.c_str()) != INVALID_FILE_ATTRIBUTES; });
    Check(taken, "nobody took the screenshot");
}

void Screenshot(Player& p) {
    Type(p, "arc de triomphe");
    ReleaseEnter(p);
    CheckVerdictColour(p, kGreen, "BRAVO");
    AwaitScreenshot(p);
}

// The packed sample quiz (samples/sample) found, saved and restored; with
// BRIVEL_E2E_SHOT set, the runner takes a picture of the window once picture
// 1 is found, to hold the 32-bit player's screen against its 64-bit twin's.
void SampleQuiz() {
    const char* const title = "Le petit brivel illustr\xE9";
    const char* const found = "_______";
    Player p = Start();
    CheckTitle(p, title);
    CheckText(ItemText(p.header, brivel::kProgressText.id), " 0 / 21", "progress");
    Grade(p, "soleil", "BRAVO", "verdict");
    CheckVerdictColour(p, kGreen, "BRAVO");
    CheckProgress(p, 1, found, 21);
    const std::string saved = "soleil\r\n" + EmptyLines(20);
    PressF2(p);
    CheckProgressFile(p, saved, "after F2");
    if (std::getenv("BRIVEL_E2E_SHOT") != nullptr) {
        AwaitScreenshot(p);
    }
    DeleteFileA(p.progressFile.c_str());
    CloseAndExpectZero(p);
    CheckProgressFile(p, saved, "after closing");

    p = Start();
    CheckProgress(p, 1, found, 21);
    CheckShown(p, 0, "soleil", "BRAVO");
    CheckVerdictColour(p, kGreen, "BRAVO after a restart");
    CloseAndExpectZero(p);
    CheckProgressFile(p, saved, "after the second run");
}

// A Unix path (the runner's) becomes a path on Wine's Z: drive.
std::string WindowsPath(std::string path) {
    if (!path.empty() && path[0] == '/') {
        path = "Z:" + path;
    }
    std::replace(path.begin(), path.end(), '/', '\\');
    while (path.size() > 3 && path.back() == '\\') {
        path.pop_back();
    }
    return path;
}

// The sample quiz with a progress file the Linux player wrote, named by
// BRIVEL_E2E_RESTORE (the runner empties WORKDIR, so it lies elsewhere):
// this player must show the same state, then adds a find of its own, typed
// in Windows-1252, for the Linux player to restore in turn
// (tests/e2e-linux/run-linux-test, scenario crossplayer).
void Restore() {
    const char* source = std::getenv("BRIVEL_E2E_RESTORE");
    Check(source != nullptr, "BRIVEL_E2E_RESTORE names no progress file");
    const std::string from = WindowsPath(source);
    // One line per picture, 21 in all: 1 and 3 found, a hint on 2.
    const std::string typed = "soleil\r\nmaison\xE9 \x9C\r\npomme\r\n";
    std::string restored;
    Check(ReadBytes(from, restored), "cannot read %s", from.c_str());
    std::string want = typed + EmptyLines(18);
    Check(restored == want, "the file to restore is %s, expected %s", Show(restored).c_str(),
          Show(want).c_str());
    Check(CopyFileA(from.c_str(), ProgressPath().c_str(), FALSE) != 0,
          "cannot copy %s to %s (error %lu)", from.c_str(), ProgressPath().c_str(), GetLastError());

    Player p = Start();
    CheckProgress(p, 2, "_______", 21);
    const struct {
        const char* box;
        const char* verdict;
        Rgb colour;
    } shown[] = {{"soleil", "BRAVO", kGreen},
                 {"maison\xE9 \x9C", "Trop long", kAmber},
                 {"pomme", "BRAVO", kGreen},
                 {"", "?", FromColorref(GetSysColor(COLOR_BTNFACE))}};
    for (int i = 0; i < 4; ++i) {
        if (i > 0) {
            Choose(p, i);
        }
        CheckShown(p, i, shown[i].box, shown[i].verdict);
        CheckVerdictColour(p, shown[i].colour, shown[i].verdict);
    }
    Grade(p, "cl\xE9", "BRAVO", "verdict on picture 4");
    CheckProgress(p, 3, "T______", 21);
    CloseAndExpectZero(p);
    want = typed + "cl\xE9\r\n" + EmptyLines(17);
    CheckProgressFile(p, want, "after closing");
}

// A quiz damaged inside its quiz texts or its first picture (run by
// tests/hardening/run-wine-damaged): the player shows one of its own
// messages or plays, never crashes, and ends cleanly when closed.
void Damaged() {
    std::string seen;
    const auto answer = [&seen] { return AnswerMessage(seen); };
    Launch();
    Player p = WaitReady(answer);
    // A picture that fails may still say so once the window is up.
    Sleep(100);
    answer();
    std::printf("damaged: %swindow ready with %d pictures\n", seen.c_str(), Entries(p));
    CloseAndExpectZero(p);
}

}  // namespace

int main(int argc, char** argv) {
    struct Scenario {
        const char* name;
        void (*play)(Player&);  // on a started player, closed afterwards
        void (*run)();          // the whole run otherwise
    };
    const Scenario scenarios[] = {
        {"layout", Layout, nullptr},         {"verdicts", Verdicts, nullptr},
        {"moves", Moves, nullptr},           {"save", nullptr, Save},
        {"memory", Memory, nullptr},         {"testmode", nullptr, TestMode},
        {"badquiz", nullptr, BadQuiz},       {"missingpicture", MixedQuiz, nullptr},
        {"screenshot", Screenshot, nullptr}, {"packed", nullptr, PackedQuiz},
        {"sample", nullptr, SampleQuiz},     {"restore", nullptr, Restore},
        {"damaged", nullptr, Damaged},
    };
    if (argc != 4) {
        std::fprintf(stderr, "usage: brivel-e2e SCENARIO PLAYER.EXE WORKDIR\nscenarios:");
        for (const Scenario& s : scenarios) {
            std::fprintf(stderr, " %s", s.name);
        }
        std::fputc('\n', stderr);
        return 2;
    }
    g_scenario = argv[1];
    if (const char* wait = std::getenv("BRIVEL_E2E_WAIT_MS")) {
        g_waitMs = static_cast<DWORD>(std::strtoul(wait, nullptr, 10));
    }
    const std::string player = WindowsPath(argv[2]);
    g_workDir = WindowsPath(argv[3]);
    CreateDirectoryA(g_workDir.c_str(), nullptr);
    g_exePath = g_workDir + "\\" + player.substr(player.find_last_of('\\') + 1);
    if (!CopyFileA(player.c_str(), g_exePath.c_str(), FALSE)) {
        Fail("cannot copy %s to %s (error %lu)", player.c_str(), g_exePath.c_str(), GetLastError());
    }
    DeleteFileA(ProgressPath().c_str());
    for (const Scenario& s : scenarios) {
        if (g_scenario == s.name) {
            const DWORD start = GetTickCount();
            if (s.play != nullptr) {
                Player p = Start();
                s.play(p);
                CloseAndExpectZero(p);
            } else {
                s.run();
            }
            std::printf("PASS %s: %d checks in %lu ms\n", s.name, g_checks, GetTickCount() - start);
            return 0;
        }
    }
    std::fprintf(stderr, "unknown scenario %s\n", g_scenario.c_str());
    return 2;
}
