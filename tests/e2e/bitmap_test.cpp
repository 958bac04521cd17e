// brivel-bitmap-test: the Windows player's MakeBitmap against Wine's GDI, with
// the platform calls it makes counted and, one at a time, made to fail.
//
//   brivel-bitmap-test SCENARIO QUIZ.EXE WORKDIR
//
// The arguments are the driver's, so run-wine-test runs it as it runs the
// driver; only QUIZ.EXE is used: its RCDATA 401 is the 64 x 48 truecolour PNG
// of tests/e2e/pictures/quad.png (the "mixed" test quiz). Each case stops at
// its first failed check with a message on stderr; any failure gives exit code 1.

#include <windows.h>

#include <cstdarg>
#include <cstdio>
#include <iterator>
#include <vector>

#include "pictures/png_decoder.h"
#include "win32/picture_bitmaps.h"
#include "win32/win32_services.h"

namespace {

using brivel::PngDecoder;
using brivel::PngError;

int g_checks = 0;

// Ends the case at its first failed check; the other cases still run.
struct CaseFailed {};

unsigned Code(PngError error) {
    return static_cast<unsigned>(error);
}

__attribute__((format(printf, 3, 4))) void Check(bool ok, const char* what, const char* format,
                                                 ...) {
    ++g_checks;
    if (ok) {
        return;
    }
    std::va_list args;
    va_start(args, format);
    std::fprintf(stderr, "FAIL [makebitmap] %s: ", what);
    std::vfprintf(stderr, format, args);
    std::fputc('\n', stderr);
    va_end(args);
    throw CaseFailed{};
}

// ---- The platform calls of MakeBitmap, through hooks ----
//
// MinGW calls an imported function through its __imp_ pointer. Defining that
// pointer here keeps the import library's out of the link, so MakeBitmap's
// calls come here; each hook counts and fails when told, else calls Wine's.

enum class Refuse { Nothing, HeapAlloc, DibSection, DeviceBitmap };

struct Calls {
    Refuse refuse = Refuse::Nothing;
    int getDc = 0, releaseDc = 0, heapAlloc = 0;
} g_calls;

template <typename Function>
Function Real(const char* module, const char* name) {
    return reinterpret_cast<Function>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA(module), name)));
}

HDC WINAPI HookGetDC(HWND window) {
    ++g_calls.getDc;
    static const auto real = Real<HDC(WINAPI*)(HWND)>("user32.dll", "GetDC");
    return real(window);
}

int WINAPI HookReleaseDC(HWND window, HDC dc) {
    ++g_calls.releaseDc;
    static const auto real = Real<int(WINAPI*)(HWND, HDC)>("user32.dll", "ReleaseDC");
    return real(window, dc);
}

LPVOID WINAPI HookHeapAlloc(HANDLE heap, DWORD flags, SIZE_T size) {
    ++g_calls.heapAlloc;
    static const auto real =
        Real<LPVOID(WINAPI*)(HANDLE, DWORD, SIZE_T)>("kernel32.dll", "HeapAlloc");
    return g_calls.refuse == Refuse::HeapAlloc ? nullptr : real(heap, flags, size);
}

HBITMAP WINAPI HookCreateDIBSection(HDC dc, const BITMAPINFO* info, UINT usage, void** bits,
                                    HANDLE section, DWORD offset) {
    static const auto real =
        Real<HBITMAP(WINAPI*)(HDC, const BITMAPINFO*, UINT, void**, HANDLE, DWORD)>(
            "gdi32.dll", "CreateDIBSection");
    return g_calls.refuse == Refuse::DibSection ? nullptr
                                                : real(dc, info, usage, bits, section, offset);
}

HBITMAP WINAPI HookCreateDIBitmap(HDC dc, const BITMAPINFOHEADER* header, DWORD init,
                                  const void* bits, const BITMAPINFO* info, UINT usage) {
    static const auto real =
        Real<HBITMAP(WINAPI*)(HDC, const BITMAPINFOHEADER*, DWORD, const void*, const BITMAPINFO*,
                              UINT)>("gdi32.dll", "CreateDIBitmap");
    return g_calls.refuse == Refuse::DeviceBitmap ? nullptr
                                                  : real(dc, header, init, bits, info, usage);
}

}  // namespace

extern "C" {
HDC(WINAPI* __imp_GetDC)(HWND) = HookGetDC;
int(WINAPI* __imp_ReleaseDC)(HWND, HDC) = HookReleaseDC;
LPVOID(WINAPI* __imp_HeapAlloc)(HANDLE, DWORD, SIZE_T) = HookHeapAlloc;
HBITMAP(WINAPI* __imp_CreateDIBSection)
(HDC, const BITMAPINFO*, UINT, void**, HANDLE, DWORD) = HookCreateDIBSection;
HBITMAP(WINAPI* __imp_CreateDIBitmap)
(HDC, const BITMAPINFOHEADER*, DWORD, const void*, const BITMAPINFO*, UINT) = HookCreateDIBitmap;
}

namespace {

// ---- Pictures ----

// A 1 x 1 truecolour PNG whose one row has filter type 5, in a stored
// deflate block (neither CRCs nor the Adler-32 trailer are read).
const unsigned char kBadFilterPng[] = {
    0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n',  // signature
    0,    0,   0,   13,  'I',  'H',  'D',  'R',  0,    0,    0,    1, 0, 0,
    0,    1,   8,   2,   0,    0,    0,    0,    0,    0,    0,  // 1 x 1 RGB
    0,    0,   0,   15,  'I',  'D',  'A',  'T',  0x78, 0x01, 0x01, 4, 0, 0xFB,
    0xFF, 5,   1,   2,   3,    0,    0,    0,    0,    0,    0,    0, 0,  // IDAT
    0,    0,   0,   0,   'I',  'E',  'N',  'D',  0,    0,    0,    0};

// quad.png's blocks, top left to bottom right, at their centres.
struct Block {
    int x, y;
    BYTE r, g, b;
};
const Block kQuadBlocks[] = {
    {16, 12, 255, 0, 0}, {48, 12, 0, 255, 0}, {16, 36, 0, 0, 255}, {48, 36, 255, 255, 0}};

// The bitmap's pixels as a top-down 24-bit DIB, whatever kind of bitmap it is.
void CheckQuadPixels(HBITMAP bitmap, const char* what) {
    BITMAP description{};
    Check(GetObjectA(bitmap, sizeof description, &description) != 0, what, "GetObject fails");
    Check(description.bmWidth == 64 && description.bmHeight == 48, what, "bitmap is %ld x %ld",
          description.bmWidth, description.bmHeight);
    BITMAPINFO info{};
    info.bmiHeader = {sizeof info.bmiHeader, 64, -48, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
    constexpr int kStride = 64 * 3;
    std::vector<BYTE> pixels(kStride * 48);
    HDC screen = GetDC(nullptr);
    const int rows = GetDIBits(screen, bitmap, 0, 48, pixels.data(), &info, DIB_RGB_COLORS);
    ReleaseDC(nullptr, screen);
    Check(rows == 48, what, "GetDIBits gives %d rows", rows);
    for (const Block& b : kQuadBlocks) {
        const BYTE* p = &pixels[b.y * kStride + b.x * 3];
        Check(p[2] == b.r && p[1] == b.g && p[0] == b.b, what,
              "pixel (%d, %d) is RGB(%d, %d, %d), expected RGB(%d, %d, %d)", b.x, b.y, p[2], p[1],
              p[0], b.r, b.g, b.b);
    }
}

enum class Picture { Quad, QuadNotDecoded, BadFilter };

struct Case {
    const char* name;
    Picture picture;
    std::uint32_t format;
    bool deviceDependent;
    Refuse refuse;
    PngError error;  // the decoder's error afterwards
    int getDc;       // GetDC calls, each to be released
};

void Run(const Case& c, HMODULE quiz) {
    PngDecoder decoder;
    if (c.picture == Picture::BadFilter) {
        Check(decoder.LoadFromMemory(kBadFilterPng, sizeof kBadFilterPng), c.name,
              "the bad-filter PNG does not load (error 0x%X)", Code(decoder.error()));
    } else {
        brivel::ModuleResources resources(quiz);
        Check(decoder.LoadFromResource(resources, 401), c.name,
              "RCDATA 401 does not load (error 0x%X)", Code(decoder.error()));
    }
    if (c.picture != Picture::QuadNotDecoded) {
        Check(decoder.Decode(), c.name, "Decode fails (error 0x%X)", Code(decoder.error()));
    }
    g_calls = Calls{c.refuse};
    HBITMAP bitmap = brivel::MakeBitmap(decoder, nullptr, c.format, c.deviceDependent);
    const Calls calls = g_calls;
    g_calls = Calls{};

    const bool wantBitmap =
        c.refuse == Refuse::Nothing && c.error == PngError::None && c.picture == Picture::Quad;
    Check((bitmap != nullptr) == wantBitmap, c.name, "MakeBitmap gives %s",
          bitmap != nullptr ? "a bitmap" : "null");
    Check(decoder.error() == c.error, c.name, "error 0x%X, expected 0x%X", Code(decoder.error()),
          Code(c.error));
    Check(calls.getDc == c.getDc && calls.releaseDc == c.getDc, c.name,
          "%d GetDC and %d ReleaseDC, expected %d of each", calls.getDc, calls.releaseDc, c.getDc);
    Check(calls.heapAlloc == (c.deviceDependent ? c.getDc : 0), c.name,
          "%d HeapAlloc calls for the pixel buffer", calls.heapAlloc);
    if (bitmap != nullptr) {
        CheckQuadPixels(bitmap, c.name);
        DeleteObject(bitmap);
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: brivel-bitmap-test SCENARIO QUIZ.EXE WORKDIR\n");
        return 2;
    }
    HMODULE quiz = LoadLibraryExA(argv[2], nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (quiz == nullptr) {
        std::fprintf(stderr, "FAIL [makebitmap]: cannot open %s (error %lu)\n", argv[2],
                     GetLastError());
        return 1;
    }

    constexpr std::uint32_t kDefault = brivel::kDefaultPngFormat;
    using E = PngError;
    using P = Picture;
    using R = Refuse;
    const Case cases[] = {
        {"not decoded", P::QuadNotDecoded, kDefault, false, R::Nothing, E::WrongState, 0},
        {"not decoded, device", P::QuadNotDecoded, kDefault, true, R::Nothing, E::WrongState, 0},
        {"grey 8 format", P::Quad, 0x00080100, false, R::Nothing, E::FormatRefused, 0},
        {"truecolour 16 format", P::Quad, 0x02100107, false, R::Nothing, E::FormatRefused, 0},
        {"format not shown", P::Quad, 0x0208000C, false, R::Nothing, E::FormatRefused, 0},
        {"shown code in no table row", P::Quad, 0x02080100, false, R::Nothing, E::FormatRefused, 0},
        {"other type's converter", P::Quad, 0x0208010D, true, R::Nothing, E::FormatRefused, 0},
        {"DIB section refused", P::Quad, kDefault, false, R::DibSection, E::BitmapRefused, 1},
        {"pixel buffer refused", P::Quad, kDefault, true, R::HeapAlloc, E::OutOfMemory, 1},
        {"device bitmap refused", P::Quad, 0x0208010C, true, R::DeviceBitmap, E::BitmapRefused, 1},
        {"filter type 5, DIB section", P::BadFilter, kDefault, false, R::Nothing, E::None, 1},
        {"filter type 5, device-dependent", P::BadFilter, kDefault, true, R::Nothing, E::None, 1},
        {"DIB section", P::Quad, kDefault, false, R::Nothing, E::None, 1},
        {"device-dependent bitmap", P::Quad, 0x0208010C, true, R::Nothing, E::None, 1},
    };
    const DWORD start = GetTickCount();
    int failed = 0;
    for (const Case& c : cases) {
        try {
            Run(c, quiz);
        } catch (const CaseFailed&) {
            ++failed;
        }
    }
    FreeLibrary(quiz);
    if (failed != 0) {
        std::fprintf(stderr, "FAIL [makebitmap]: %d of %zu cases\n", failed, std::size(cases));
        return 1;
    }
    std::printf("PASS makebitmap: %d checks in %lu ms\n", g_checks, GetTickCount() - start);
    return 0;
}
