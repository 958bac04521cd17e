#include "text/carried_text.h"

#include <cstdint>

#include "carried_fonts.h"
#include "text/cp1252.h"

namespace brivel {

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

int CarriedTextWidth(const PageFace& face, std::string_view utf8) {
    const CarriedFace& font = FontOf(face);
    const std::int64_t scale = Scale(font, face.pixelSize);
    std::int64_t width = 0;
    for (const char byte : Utf8ToCp1252Lossy(utf8)) {
        // Xft's advance: the scaled one rounded to a whole pixel, glyph by glyph.
        width += FloorPixels(MulFix(font.advances[static_cast<unsigned char>(byte)], scale) + 32);
    }
    return static_cast<int>(width);
}

int CarriedLineHeight(const PageFace& face) {
    const CarriedFace& font = FontOf(face);
    const std::int64_t scale = Scale(font, face.pixelSize);
    // FreeType rounds the ascender up and the descender down.
    const std::int64_t ascent = -FloorPixels(-MulFix(font.ascender, scale));
    return static_cast<int>(ascent) + CarriedDescent(face);
}

int CarriedDescent(const PageFace& face) {
    const CarriedFace& font = FontOf(face);
    return static_cast<int>(-FloorPixels(MulFix(font.descender, Scale(font, face.pixelSize))));
}

std::string CarriedFaceName(const PageFace& face) {
    return std::string(FontOf(face).name) + " " + std::to_string(face.pixelSize) + " px";
}

}  // namespace brivel
