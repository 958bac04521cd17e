#include "studio/browser_codec.h"

#include <algorithm>
#include <cstddef>

#include "studio/jpeg_decoding.h"

namespace brivel {

namespace {

int Word(const std::uint8_t* at) {
    return at[0] << 8 | at[1];
}

}  // namespace

void BrowserCodec::Decoded(const std::uint8_t* rgba, std::size_t size, int width, int height) {
    const bool whole =
        rgba != nullptr && width > 0 && height > 0 &&
        size / 4 / static_cast<std::size_t>(width) >= static_cast<std::size_t>(height);
    rgba_ = whole ? rgba : nullptr;
    rgbaSize_ = whole ? size : 0;
    width_ = whole ? width : 0;
    height_ = whole ? height : 0;
}

void BrowserCodec::ForgetEncode() {
    encode_ = RgbImage();
    pending_ = false;
}

// The frame header (SOF) after the markers before it; progressive and
// arithmetic frames included, since the browser decodes them too.
bool BrowserCodec::ReadJpegHeader(const std::uint8_t* data, std::size_t size, JpegHeader& header,
                                  std::string& reason) {
    std::size_t at = 2;
    while (at + 4 <= size) {
        if (data[at] != 0xFF) {
            break;
        }
        const std::uint8_t marker = data[at + 1];
        if (marker == 0xFF) {
            ++at;  // fill byte
            continue;
        }
        const std::size_t length = static_cast<std::size_t>(Word(data + at + 2));
        if (length < 2 || length > size - at - 2) {
            break;
        }
        const bool frame =
            marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
        if (frame) {
            const std::uint8_t* sof = data + at + 4;
            const int components = length >= 8 ? sof[5] : 0;
            if (length < 8 + 3 * static_cast<std::size_t>(components) || components == 0) {
                break;
            }
            header.height = Word(sof + 1);
            header.width = Word(sof + 3);
            header.cmyk = components == 4;
            bool full = true;
            for (int c = 0; c < components; ++c) {
                full = full && sof[6 + 3 * c + 1] == 0x11;
            }
            header.chroma = components == 1 ? JpegChroma::Grey
                            : full          ? JpegChroma::Full
                                            : JpegChroma::Subsampled;
            header.blockWidth = 0;
            header.blockHeight = 0;
            if (header.width == 0 || header.height == 0) {
                reason = "the JPEG gives no size";
                return false;
            }
            return true;
        }
        if (marker == 0xDA || marker == 0xD9) {
            break;
        }
        at += 2 + length;
    }
    reason = "no frame header: not a readable JPEG";
    return false;
}

JpegResult BrowserCodec::DecodeJpeg(const std::uint8_t* data, std::size_t size,
                                    const JpegHeader& header, int width, int height, RgbImage& out,
                                    std::string& message) {
    left_ = false;
    if (rgba_ == nullptr && here_) {
        if (DecodeJpegHere(data, size, width, height, out, message)) {
            return JpegResult::Ok;
        }
        left_ = true;
        return JpegResult::Failed;
    }
    // At the scale asked for or larger, the natural size at most.
    if (rgba_ == nullptr || width_ < std::min(width, header.width) ||
        height_ < std::min(height, header.height) || width_ > header.width ||
        height_ > header.height) {
        message = "the browser could not decode it";
        return JpegResult::Failed;
    }
    if (!AllocateRgbImage(out, width_, height_)) {
        message = "out of memory for the picture";
        return JpegResult::OutOfMemory;
    }
    const std::size_t count = static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_);
    for (std::size_t i = 0; i < count; ++i) {
        out.pixels[3 * i] = rgba_[4 * i];
        out.pixels[3 * i + 1] = rgba_[4 * i + 1];
        out.pixels[3 * i + 2] = rgba_[4 * i + 2];
    }
    return JpegResult::Ok;
}

JpegResult BrowserCodec::EncodeJpeg(const RgbImage& image, JpegChroma /*chroma*/, int /*quality*/,
                                    std::vector<std::uint8_t>& out, std::string& /*reason*/) {
    encode_ = image;
    pending_ = true;
    out.clear();
    return JpegResult::Ok;
}

bool BrowserCodec::DecodeOther(const std::uint8_t* /*data*/, std::size_t /*size*/, int& width,
                               int& height, std::vector<std::uint8_t>* rgba, std::string& reason) {
    if (rgba_ == nullptr) {
        reason = "the browser could not decode it";
        return false;
    }
    width = width_;
    height = height_;
    if (rgba != nullptr) {
        rgba->assign(rgba_, rgba_ + static_cast<std::size_t>(width_) * height_ * 4);
    }
    return true;
}

bool BrowserCodec::TurnJpeg(const std::uint8_t* /*data*/, std::size_t /*size*/,
                            Orientation /*orientation*/, std::vector<std::uint8_t>& /*out*/) {
    return false;
}

}  // namespace brivel
