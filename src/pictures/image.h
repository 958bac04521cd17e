#pragma once

#include <cstddef>
#include <cstdint>
#include <new>
#include <vector>

namespace brivel {

// A picture ready to show: 8-bit red, green, blue per pixel, rows top-down
// with no padding. Owns its pixels.
struct RgbImage {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> pixels;  // width * height * 3 bytes
};

// The largest picture we hold: 256 MiB of pixels (about 89 million), far above
// any quiz picture, low enough that a forged header cannot make us allocate
// gigabytes.
inline constexpr std::size_t kMaxRgbImageBytes = std::size_t{1} << 28;

// width * height * 3, or 0 when a side is not positive or the picture would
// exceed kMaxRgbImageBytes.
inline std::size_t RgbImageBytes(std::int64_t width, std::int64_t height) {
    if (width <= 0 || height <= 0 || width > static_cast<std::int64_t>(kMaxRgbImageBytes) ||
        height > static_cast<std::int64_t>(kMaxRgbImageBytes)) {
        return 0;
    }
    const std::uint64_t bytes =
        static_cast<std::uint64_t>(width) * static_cast<std::uint64_t>(height) * 3;
    return bytes <= kMaxRgbImageBytes ? static_cast<std::size_t>(bytes) : 0;
}

// Gives image the size and zeroed pixels; false, with image left empty, when
// RgbImageBytes or the allocator refuses the size. Never throws.
inline bool AllocateRgbImage(RgbImage& image, int width, int height) {
    image = RgbImage{};
    const std::size_t bytes = RgbImageBytes(width, height);
    if (bytes == 0) {
        return false;
    }
    try {
        image.pixels.resize(bytes);
    } catch (const std::bad_alloc&) {
        return false;
    }
    image.width = width;
    image.height = height;
    return true;
}

}  // namespace brivel
