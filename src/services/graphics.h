#pragma once

#include <cstdint>

namespace brivel {

// Opaque platform handles: HFONT and HBRUSH on Windows, the toolkit's own
// objects elsewhere. Null means "creation failed", which callers pass on as is.
using FontHandle = void*;
using BrushHandle = void*;
using WindowHandle = void*;

struct Rgb {
    std::uint8_t red = 0;
    std::uint8_t green = 0;
    std::uint8_t blue = 0;
    friend bool operator==(Rgb a, Rgb b) {
        return a.red == b.red && a.green == b.green && a.blue == b.blue;
    }
};

// What CreateFontA is given; every attribute not listed here is zero.
struct FontSpec {
    int height = 0;  // negative: character height, positive: cell height
    int weight = 400;
    bool italic = false;
    bool underline = false;
    friend bool operator==(const FontSpec& a, const FontSpec& b) {
        return a.height == b.height && a.weight == b.weight && a.italic == b.italic &&
               a.underline == b.underline;
    }
};

// Where GDI's bold starts: FW_SEMIBOLD.
inline bool IsBold(const FontSpec& request) {
    return request.weight >= 600;
}

// The pixel size a toolkit without GDI gives the request: a negative height
// is the character height, which a pixel size also measures; a positive one
// is the cell height, of which the characters of the usual sans-serif faces
// take about six sevenths. Zero for the toolkit's default.
inline int PixelSizeOf(const FontSpec& request) {
    return request.height < 0 ? -request.height : request.height * 6 / 7;
}

// Creates and deletes the fonts and solid brushes that the quiz record owns.
// (Not CreateFont/DeleteFont: <windows.h> and <windowsx.h> define those as macros.)
class GraphicsFactory {
public:
    virtual ~GraphicsFactory() = default;
    virtual FontHandle MakeFont(const FontSpec& request) = 0;
    virtual void ReleaseFont(FontHandle font) = 0;
    virtual BrushHandle MakeSolidBrush(Rgb colour) = 0;
    virtual void ReleaseBrush(BrushHandle brush) = 0;
};

}  // namespace brivel
