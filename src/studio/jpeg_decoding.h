#pragma once

// JPEG decoding inside the module, with libjpeg-turbo as the tool decodes
// (the same scales, the same pixels), for browsers that offer no scaled
// decoding. libjpeg reports a fatal error by a call that must not return: it
// traps here, and the caller makes its instance anew. Only the page's
// threads, which hold one picture at a time, decode here.

#include <cstddef>
#include <cstdint>
#include <string>

#include "pictures/image.h"

namespace brivel {

// Decodes data at the smallest of the scales 1/8 to 8/8 that still covers
// width x height, into RGB. Declined (false, with the reason) for what the
// browser decodes as it always did: damaged data, CMYK, out of memory. Traps
// on data libjpeg refuses.
bool DecodeJpegHere(const std::uint8_t* data, std::size_t size, int width, int height,
                    RgbImage& out, std::string& reason);

}  // namespace brivel
