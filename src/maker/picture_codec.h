#pragma once

// JPEG decoding and encoding for picture preparation, through whatever codec
// the front end has: libjpeg-turbo natively, another build of it in a browser.
// Everything else about a picture (EXIF, PNG, fitting, turning) is ours.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "pictures/exif_orientation.h"
#include "pictures/image.h"

namespace brivel {

// How a JPEG stores its colour, as far as a re-encoded picture keeps it.
enum class JpegChroma : std::uint8_t {
    Grey,
    Full,        // 4:4:4
    Subsampled,  // anything else; re-encoded as the 4:2:0 of photos
};

struct JpegHeader {
    int width = 0;
    int height = 0;
    bool cmyk = false;  // CMYK or YCCK, which the players cannot show
    JpegChroma chroma = JpegChroma::Subsampled;
    // The block a lossless turn moves whole, in pixels; 0 when the codec does
    // not know it, and then no lossless turn is tried.
    int blockWidth = 0;
    int blockHeight = 0;
};

enum class JpegResult {
    Ok,
    Damaged,  // decoded past damaged data: the picture, and the codec's warning
    Failed,   // the codec refused: its reason
    OutOfMemory,
};

class PictureCodec {
public:
    virtual ~PictureCodec() = default;

    // The JPEG's header; false, with the codec's reason, when it cannot be read.
    virtual bool ReadJpegHeader(const std::uint8_t* data, std::size_t size, JpegHeader& header,
                                std::string& reason) = 0;

    // The pixels in RGB (CMYK converted) at the smallest scale the codec
    // offers that still covers width x height, the natural size at most.
    // message receives the warning or the reason of anything but Ok.
    virtual JpegResult DecodeJpeg(const std::uint8_t* data, std::size_t size,
                                  const JpegHeader& header, int width, int height, RgbImage& out,
                                  std::string& message) = 0;

    // The pixels as a baseline JPEG; quality from 1 to 100.
    virtual JpegResult EncodeJpeg(const RgbImage& image, JpegChroma chroma, int quality,
                                  std::vector<std::uint8_t>& out, std::string& reason) = 0;

    // The JPEG turned upright without decoding it, every other marker (EXIF
    // among them) dropped so that the result reads as upright. False when the
    // turn cannot be done losslessly.
    virtual bool TurnJpeg(const std::uint8_t* data, std::size_t size, Orientation orientation,
                          std::vector<std::uint8_t>& out) = 0;

    // Whether the codec decodes pictures of that kind (as OtherPictureKind
    // names it: "WebP", "GIF", ...), which a quiz stores as JPEGs: the tool's
    // reads WebP, the studio's whatever its browser decodes.
    virtual bool ReadsKind(std::string_view kind) const {
        (void)kind;
        return false;
    }

    // Such a picture's size, and with rgba its pixels as well, upright (4
    // bytes each, row by row). False, with the reason, when it does not read.
    virtual bool DecodeOther(const std::uint8_t* data, std::size_t size, int& width, int& height,
                             std::vector<std::uint8_t>* rgba, std::string& reason) {
        (void)data, (void)size, (void)width, (void)height, (void)rgba;
        reason = "this codec reads only JPEG";
        return false;
    }
};

}  // namespace brivel
