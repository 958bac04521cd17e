#include "pictures/dib.h"

#include <limits>

namespace brivel {

std::size_t DibStride(std::uint32_t width, std::uint32_t bitsPerPixel) {
    constexpr std::uint64_t kMaxBits = std::numeric_limits<std::uint64_t>::max() - 31;
    if (bitsPerPixel != 0 && width > kMaxBits / bitsPerPixel) {
        return 0;
    }
    const std::uint64_t stride = (std::uint64_t{width} * bitsPerPixel + 31) / 32 * 4;
    if (stride > std::numeric_limits<std::size_t>::max()) {
        return 0;
    }
    return static_cast<std::size_t>(stride);
}

std::size_t DibBytes(std::uint32_t width, std::uint32_t height, std::uint32_t bitsPerPixel) {
    constexpr std::uint32_t kMaxSide = std::numeric_limits<std::int32_t>::max();
    const std::size_t stride = DibStride(width, bitsPerPixel);
    if (width > kMaxSide || height > kMaxSide || stride == 0 ||
        height > std::numeric_limits<std::size_t>::max() / stride) {
        return 0;
    }
    return stride * height;
}

}  // namespace brivel
