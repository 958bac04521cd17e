#include "web/header_text.h"

#include <algorithm>
#include <cstdint>

#include "carried_fonts.h"
#include "text/cp1252.h"
#include "text/text_wrap.h"

namespace brivel::web {

namespace {

// FreeType's 16.16 product, rounded half away from zero as it rounds.
std::int64_t MulFix(std::int64_t a, std::int64_t b) {
    const std::int64_t product = a * b;
    const std::int64_t magnitude = ((product < 0 ? -product : product) + 0x8000) >> 16;
    return product < 0 ? -magnitude : magnitude;
}

// Font units to 26.6 pixels at a pixel size: FT_Set_Pixel_Sizes' scale.
std::int64_t Scale(const CarriedFace& font, int pixelSize) {
    return ((static_cast<std::int64_t>(pixelSize) << 22) + font.unitsPerEm / 2) / font.unitsPerEm;
}

// 26.6 pixels to whole ones, downwards.
std::int64_t FloorPixels(std::int64_t value) {
    return value >= 0 ? value / 64 : -((-value + 63) / 64);
}

// No oblique of the book face is carried: no control of the window asks for one.
const CarriedFace& FontOf(const PageFace& face) {
    if (face.bold) {
        return face.italic ? kBoldObliqueFace : kBoldFace;
    }
    return kBookFace;
}

}  // namespace

int TextWidth(const PageFace& face, std::string_view utf8) {
    const CarriedFace& font = FontOf(face);
    const std::int64_t scale = Scale(font, face.pixelSize);
    std::int64_t width = 0;
    for (const char byte : Utf8ToCp1252Lossy(utf8)) {
        // Xft's advance: the scaled one rounded to a whole pixel, glyph by glyph.
        width += FloorPixels(MulFix(font.advances[static_cast<unsigned char>(byte)], scale) + 32);
    }
    return static_cast<int>(width);
}

int LineHeight(const PageFace& face) {
    const CarriedFace& font = FontOf(face);
    const std::int64_t scale = Scale(font, face.pixelSize);
    // FreeType rounds the ascender up and the descender down.
    const std::int64_t ascent = -FloorPixels(-MulFix(font.ascender, scale));
    const std::int64_t descent = -FloorPixels(MulFix(font.descender, scale));
    return static_cast<int>(ascent + descent);
}

std::vector<std::string> Lines(std::string_view utf8, int width, const PageFace& face) {
    return WrapText(utf8, width, [&face](std::string_view text) { return TextWidth(face, text); });
}

std::string_view ShownPart(std::string_view utf8, const WindowRect& box, const PageFace& face) {
    const int whole = box.h / std::max(LineHeight(face), 1);
    std::size_t end = 0;
    int count = 0;
    for (const std::string& line : Lines(utf8, box.w, face)) {
        if (count == whole) {
            return utf8.substr(0, end);
        }
        const std::size_t found = utf8.find(line, end);
        end = found == std::string_view::npos ? utf8.size() : found + line.size();
        ++count;
    }
    return utf8;
}

}  // namespace brivel::web
