#pragma once

// The maker's JPEG codec natively: libjpeg-turbo through TurboJPEG, and
// libwebp for WebP pictures.

#include "maker/picture_codec.h"

namespace brivel::tool {

class TurboJpegCodec final : public PictureCodec {
public:
    bool ReadJpegHeader(const std::uint8_t* data, std::size_t size, JpegHeader& header,
                        std::string& reason) override;
    JpegResult DecodeJpeg(const std::uint8_t* data, std::size_t size, const JpegHeader& header,
                          int width, int height, RgbImage& out, std::string& message) override;
    JpegResult EncodeJpeg(const RgbImage& image, JpegChroma chroma, int quality,
                          std::vector<std::uint8_t>& out, std::string& reason) override;
    bool TurnJpeg(const std::uint8_t* data, std::size_t size, Orientation orientation,
                  std::vector<std::uint8_t>& out) override;
    // Through libwebp.
    bool ReadsKind(std::string_view kind) const override { return kind == "WebP"; }
    bool DecodeOther(const std::uint8_t* data, std::size_t size, int& width, int& height,
                     std::vector<std::uint8_t>* rgba, std::string& reason) override;
};

}  // namespace brivel::tool
