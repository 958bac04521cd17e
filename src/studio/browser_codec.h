#pragma once

// The maker's JPEG codec in the browser. The browser decodes and encodes
// only asynchronously, so the page decodes a picture before preparing it and
// hands the pixels in (Decoded); an encode is held (PendingEncode) for the
// page to carry out after preparing returns. The header is read here.

#include "maker/picture_codec.h"

namespace brivel {

class BrowserCodec final : public PictureCodec {
public:
    // The picture's pixels as the browser decoded them, stored orientation,
    // RGBA, at the size studio_plan asked for; none (nullptr) until the next
    // picture.
    void Decoded(const std::uint8_t* rgba, std::size_t size, int width, int height);
    const RgbImage* PendingEncode() const { return pending_ ? &encode_ : nullptr; }
    void ForgetEncode();

    bool ReadJpegHeader(const std::uint8_t* data, std::size_t size, JpegHeader& header,
                        std::string& reason) override;
    JpegResult DecodeJpeg(const std::uint8_t* data, std::size_t size, const JpegHeader& header,
                          int width, int height, RgbImage& out, std::string& message) override;
    JpegResult EncodeJpeg(const RgbImage& image, JpegChroma chroma, int quality,
                          std::vector<std::uint8_t>& out, std::string& reason) override;
    // The browser has no lossless transform: a turned photo is re-encoded.
    bool TurnJpeg(const std::uint8_t* data, std::size_t size, Orientation orientation,
                  std::vector<std::uint8_t>& out) override;

private:
    const std::uint8_t* rgba_ = nullptr;
    std::size_t rgbaSize_ = 0;
    int width_ = 0;
    int height_ = 0;
    RgbImage encode_;
    bool pending_ = false;
};

}  // namespace brivel
