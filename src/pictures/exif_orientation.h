#pragma once

// The orientation a camera records in a JPEG's EXIF block (APP1 "Exif"), so a
// photo taken sideways can be turned upright. Read from untrusted files: every
// offset is checked against the bytes given.

#include <cstddef>
#include <cstdint>

namespace brivel {

// What the EXIF orientation tag says the stored pixels need to be shown
// upright; the values are the tag's own.
enum class Orientation : std::uint8_t {
    Upright = 1,      // shown as stored
    Mirrored = 2,     // flipped left to right
    Rotated180 = 3,   // turned half a turn
    Flipped = 4,      // flipped top to bottom
    Transposed = 5,   // mirrored along the top-left to bottom-right diagonal
    Rotated90 = 6,    // turned a quarter turn clockwise
    Transversed = 7,  // mirrored along the top-right to bottom-left diagonal
    Rotated270 = 8,   // turned a quarter turn anticlockwise
};

// Whether showing upright swaps the picture's width and height.
inline bool SwapsSides(Orientation orientation) {
    return static_cast<int>(orientation) >= 5;
}

// The orientation in a TIFF block (an EXIF APP1 segment after its "Exif\0\0"
// prefix): tag 0x0112 of the first IFD. Upright when the block is damaged or
// holds no valid value (1 to 8).
Orientation TiffOrientation(const std::uint8_t* tiff, std::size_t size);

// The orientation of a JPEG file: its first EXIF APP1 segment before the scan.
// Upright when there is none, or it is damaged.
Orientation JpegOrientation(const std::uint8_t* jpeg, std::size_t size);

// Renames every EXIF segment before the scan to APP15, so that a decoder which
// turns photos by their tag shows the stored pixels, as the players' own
// decoders do. Returns how many it renamed; the size never changes.
int HideJpegOrientation(std::uint8_t* jpeg, std::size_t size);

// The same for a PNG: every EXIF chunk ("eXIf") is renamed to the private
// "exIf" and its CRC made anew. Returns how many it renamed.
int HidePngOrientation(std::uint8_t* png, std::size_t size);

}  // namespace brivel
