#pragma once

// The maker's JPEG codec in the browser. The browser decodes and encodes
// only asynchronously, so the page decodes a picture before preparing it and
// hands the pixels in (Decoded); an encode is held (PendingEncode) for the
// page to carry out after preparing returns. A JPEG's header is read here;
// pictures of other kinds (WebP, GIF, ...) the page decodes whole and upright.

#include <set>
#include <string>

#include "maker/picture_codec.h"

namespace brivel {

class BrowserCodec final : public PictureCodec {
public:
    // The picture's pixels as the browser decoded them, RGBA: a JPEG's in its
    // stored orientation at the size studio_plan asked for, another kind's
    // whole and upright; none (nullptr) until the next picture.
    void Decoded(const std::uint8_t* rgba, std::size_t size, int width, int height);
    const RgbImage* PendingEncode() const { return pending_ ? &encode_ : nullptr; }
    // JPEGs handed in without pixels are decoded in the module (jpeg_decoding.h),
    // whose errors trap: for instances that hold one picture at a time.
    void DecodeJpegsHere() { here_ = true; }
    // Whether the last JPEG was left to the browser by the module's decoder.
    bool LeftToBrowser() const { return left_; }
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
    // The browser decodes no picture of that kind, as the page found.
    void ReadsNo(std::string_view kind) { unread_.emplace(kind); }
    // Every kind but SVG, which is drawn and not decoded, until the page finds
    // that its browser reads none of that kind.
    bool ReadsKind(std::string_view kind) const override {
        return kind != "SVG" && unread_.count(std::string(kind)) == 0;
    }
    bool DecodeOther(const std::uint8_t* data, std::size_t size, int& width, int& height,
                     std::vector<std::uint8_t>* rgba, std::string& reason) override;

private:
    const std::uint8_t* rgba_ = nullptr;
    std::size_t rgbaSize_ = 0;
    int width_ = 0;
    int height_ = 0;
    std::set<std::string> unread_;
    RgbImage encode_;
    bool pending_ = false;
    bool here_ = false;
    bool left_ = false;
};

}  // namespace brivel
