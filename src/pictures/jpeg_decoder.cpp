#include "pictures/jpeg_decoder.h"

#include <climits>
#include <string>
#include <utility>

#include "pictures/turbojpeg_handle.h"

namespace brivel {

namespace {

void Tell(std::string* error, std::string message) {
    if (error != nullptr) {
        *error = std::move(message);
    }
}

}  // namespace

std::optional<RgbImage> DecodeJpeg(const std::uint8_t* data, std::size_t size, std::string* error) {
    Tell(error, std::string());
    if (data == nullptr || size == 0) {
        Tell(error, "no JPEG data");
        return std::nullopt;
    }
    if (size > ULONG_MAX) {
        Tell(error, "JPEG data too large");
        return std::nullopt;
    }
    TurboJpegHandle decompressor(tjInitDecompress());
    if (decompressor.get() == nullptr) {
        Tell(error, decompressor.Message());
        return std::nullopt;
    }
    const unsigned long jpegSize = static_cast<unsigned long>(size);
    int width = 0;
    int height = 0;
    int subsampling = 0;
    int colourspace = 0;
    if (tjDecompressHeader3(decompressor.get(), data, jpegSize, &width, &height, &subsampling,
                            &colourspace) != 0) {
        Tell(error, decompressor.Message());
        return std::nullopt;
    }
    // A tables-only stream passes the header check without giving a size.
    if (width <= 0 || height <= 0) {
        Tell(error, "no picture in the JPEG data");
        return std::nullopt;
    }
    if (RgbImageBytes(width, height) == 0) {
        Tell(error, "JPEG picture of " + std::to_string(width) + " x " + std::to_string(height) +
                        " pixels is too large");
        return std::nullopt;
    }
    RgbImage image;
    if (!AllocateRgbImage(image, width, height)) {
        Tell(error, "out of memory for the JPEG picture's pixels");
        return std::nullopt;
    }
    // A scan limit guards against progressive files forged to take minutes.
    if (tjDecompress2(decompressor.get(), data, jpegSize, image.pixels.data(), width, 0, height,
                      TJPF_RGB, TJFLAG_LIMITSCANS) != 0) {
        Tell(error, decompressor.Message());
        if (tjGetErrorCode(decompressor.get()) != TJERR_WARNING) {
            return std::nullopt;
        }
    }
    return image;
}

}  // namespace brivel
