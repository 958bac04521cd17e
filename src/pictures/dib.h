#pragma once

// A device-independent bitmap of our own, byte for byte what a Win32 DIB
// section would hold: the BITMAPINFOHEADER fields, up to 256 colour-table
// entries, and top-down rows on a 4-byte stride.

#include <array>
#include <cstddef>
#include <cstdint>

#include "services/picture_memory.h"

namespace brivel {

struct DibColour {
    std::uint8_t blue = 0;
    std::uint8_t green = 0;
    std::uint8_t red = 0;
    std::uint8_t reserved = 0;
};

struct DibHeader {
    std::uint32_t size = 40;
    std::int32_t width = 0;
    std::int32_t height = 0;  // negative: rows run from top to bottom
    std::uint16_t planes = 1;
    std::uint16_t bitCount = 0;
    std::uint32_t compression = 0;
    std::uint32_t sizeImage = 0;
    std::int32_t xPelsPerMeter = 0;
    std::int32_t yPelsPerMeter = 0;
    std::uint32_t clrUsed = 0;
    std::uint32_t clrImportant = 0;
};

struct DibInfo {
    DibHeader header;
    std::array<DibColour, 256> colours{};
    std::uint32_t colourCount = 0;  // entries of colours that were filled
};

// Bytes from one row to the next: whole bytes, rounded up to 4. Zero when
// the product does not fit (callers then refuse the bitmap).
std::size_t DibStride(std::uint32_t width, std::uint32_t bitsPerPixel);

// Bytes of all rows. Zero when a side does not fit the header's signed fields
// or the size does not fit in memory's sizes.
std::size_t DibBytes(std::uint32_t width, std::uint32_t height, std::uint32_t bitsPerPixel);

struct Dib {
    DibInfo info;
    PictureBytes bits;  // |height| rows of DibStride bytes, top row first
};

}  // namespace brivel
