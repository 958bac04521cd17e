#pragma once

// JPEG pictures ("IMG" resources) where the platform has no picture decoder:
// libjpeg-turbo through its TurboJPEG interface.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "pictures/image.h"

namespace brivel {

// A complete JPEG file into an RGB picture of its natural size. Nothing when
// the library refuses the data, the picture exceeds kMaxRgbImageBytes, or its
// pixels cannot be allocated; error (when given) then receives the reason.
// Data the library can decode only in part (a truncated file, say) still gives
// the picture, the damaged rows as the library fills them, and the library's
// warning in error.
std::optional<RgbImage> DecodeJpeg(const std::uint8_t* data, std::size_t size, std::string* error);

}  // namespace brivel
