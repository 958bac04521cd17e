#include "maker/picture_prep.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstring>
#include <new>
#include <utility>

#include "pictures/dib.h"
#include "pictures/fit.h"
#include "pictures/image.h"
#include "pictures/picture_loader.h"
#include "pictures/png_decoder.h"
#include "pictures/resample.h"

namespace brivel {

namespace {

constexpr std::uint8_t kJpegSignature[] = {0xFF, 0xD8, 0xFF};

// PNG layouts that keep the alpha samples (the players' own drop them):
// grey and alpha as rendered byte pairs, and as 16-bit samples swapped to
// little-endian; RGBA as blue, green, red, alpha bytes.
constexpr std::uint32_t kGreyAlpha8 = 0x04080000;
constexpr std::uint32_t kGreyAlpha16 = 0x04100001;

template <std::size_t N>
bool StartsWith(const std::uint8_t* data, std::size_t size, const std::uint8_t (&signature)[N]) {
    return size >= N && std::memcmp(data, signature, N) == 0;
}

PrepStatus Fail(PrepStatus status, std::string* detail, std::string reason) {
    if (detail != nullptr) {
        *detail = std::move(reason);
    }
    return status;
}

PrepStatus ReadJpegHeader(PictureCodec& codec, const std::uint8_t* data, std::size_t size,
                          PicturePlan& plan, JpegHeader& header, std::string* detail) {
    std::string reason;
    if (!codec.ReadJpegHeader(data, size, header, reason)) {
        return Fail(PrepStatus::Unreadable, detail, reason);
    }
    plan.width = header.width;
    plan.height = header.height;
    if (plan.width <= 0 || plan.height <= 0) {
        return Fail(PrepStatus::Unreadable, detail, "no picture in the JPEG data");
    }
    if (RgbImageBytes(plan.width, plan.height) == 0) {
        return Fail(PrepStatus::TooLarge, detail, "the JPEG picture is too large");
    }
    plan.cmyk = header.cmyk;
    plan.orientation = JpegOrientation(data, size);
    return PrepStatus::Ok;
}

// Whether the picture turns without dropping the partial blocks at its right
// or bottom edge.
bool TurnsLosslessly(const PicturePlan& plan, const JpegHeader& header) {
    if (header.blockWidth <= 0 || header.blockHeight <= 0) {
        return false;
    }
    const bool wholeAcross = plan.width % header.blockWidth == 0;
    const bool wholeDown = plan.height % header.blockHeight == 0;
    switch (plan.orientation) {
        case Orientation::Mirrored:
        case Orientation::Rotated270:
            return wholeAcross;
        case Orientation::Flipped:
        case Orientation::Rotated90:
            return wholeDown;
        case Orientation::Rotated180:
        case Orientation::Transversed:
            return wholeAcross && wholeDown;
        case Orientation::Upright:
        case Orientation::Transposed:
            return true;
    }
    return false;
}

// Fills in the shown size and the action from what the headers told.
void Decide(PicturePlan& plan, bool turnsLosslessly) {
    const bool swap = SwapsSides(plan.orientation);
    const int uprightWidth = swap ? plan.height : plan.width;
    const int uprightHeight = swap ? plan.width : plan.height;
    plan.fitted = uprightWidth > kPictureBoxWidth || uprightHeight > kPictureBoxHeight;
    plan.shownWidth = uprightWidth;
    plan.shownHeight = uprightHeight;
    if (plan.fitted) {
        const FittedSize size =
            FitSize(uprightWidth, uprightHeight, kPictureBoxWidth, kPictureBoxHeight);
        // A very thin picture keeps a line rather than vanish.
        plan.shownWidth = std::max(size.width, 1);
        plan.shownHeight = std::max(size.height, 1);
    }
    if (plan.fitted || plan.cmyk || plan.transparent) {
        plan.action = PrepAction::Reencode;
    } else if (plan.orientation != Orientation::Upright) {
        plan.action = turnsLosslessly ? PrepAction::Turn : PrepAction::Reencode;
    } else {
        plan.action = PrepAction::Keep;
    }
}

std::uint8_t Over(unsigned colour, unsigned alpha, unsigned under) {
    return static_cast<std::uint8_t>((colour * alpha + under * (255 - alpha) + 127) / 255);
}

// The PNG's rows in a layout that keeps alpha, laid onto the quiz colour.
// bits per pixel, and the byte offsets of each sample within a pixel.
struct AlphaLayout {
    std::uint32_t format;
    unsigned bits;
    unsigned red, green, blue, alpha;
};

AlphaLayout AlphaLayoutOf(std::uint8_t colourType, std::uint8_t bitDepth) {
    if (colourType == 4) {
        return bitDepth == 16 ? AlphaLayout{kGreyAlpha16, 32, 1, 1, 1, 3}
                              : AlphaLayout{kGreyAlpha8, 16, 0, 0, 0, 1};
    }
    return {kDefaultPngFormat, 32, 2, 1, 0, 3};  // blue, green, red, alpha bytes
}

PrepStatus FlattenPng(PngDecoder& decoder, const PrepOptions& options, RgbImage& out,
                      bool& transparent) {
    const AlphaLayout layout = AlphaLayoutOf(decoder.colourType(), decoder.bitDepth());
    const std::size_t stride = DibStride(decoder.width(), layout.bits);
    std::vector<std::uint8_t> rows;
    try {
        rows.resize(stride * decoder.height());  // fits: RgbImageBytes passed for these sides
    } catch (const std::bad_alloc&) {
        return PrepStatus::OutOfMemory;
    }
    if (!decoder.RenderRows(rows.data(), layout.format)) {
        return PrepStatus::Unreadable;
    }
    if (!AllocateRgbImage(out, static_cast<int>(decoder.width()),
                          static_cast<int>(decoder.height()))) {
        return PrepStatus::OutOfMemory;
    }
    const unsigned step = layout.bits / 8;
    std::uint8_t* to = out.pixels.data();
    unsigned opacity = 255;
    for (int y = 0; y < out.height; ++y) {
        const std::uint8_t* p = rows.data() + static_cast<std::size_t>(y) * stride;
        for (int x = 0; x < out.width; ++x, p += step, to += 3) {
            const unsigned alpha = p[layout.alpha];
            opacity &= alpha;
            to[0] = Over(p[layout.red], alpha, options.red);
            to[1] = Over(p[layout.green], alpha, options.green);
            to[2] = Over(p[layout.blue], alpha, options.blue);
        }
    }
    transparent = opacity != 255;
    return PrepStatus::Ok;
}

// A PNG's header, and its pixels when pixels is given or it has an alpha
// channel and scanAlpha asks whether any pixel is transparent, laid onto the
// quiz colour.
PrepStatus ReadPng(const std::uint8_t* data, std::size_t size, const PrepOptions& options,
                   PicturePlan& plan, RgbImage* pixels, bool& grey, std::string* detail,
                   bool scanAlpha = true) {
    plan.png = true;
    PngDecoder decoder;
    if (!decoder.LoadFromMemory(data, size)) {
        return Fail(PrepStatus::Unreadable, detail, PngErrorName(decoder.error()));
    }
    plan.width = static_cast<int>(std::min<std::uint32_t>(decoder.width(), INT_MAX));
    plan.height = static_cast<int>(std::min<std::uint32_t>(decoder.height(), INT_MAX));
    // A forged header could otherwise make Decode allocate gigabytes.
    if (RgbImageBytes(decoder.width(), decoder.height()) == 0) {
        return Fail(PrepStatus::TooLarge, detail, "the PNG picture is too large");
    }
    const std::uint8_t colourType = decoder.colourType();
    grey = colourType == 0 || colourType == 4;
    const bool hasAlpha = colourType == 4 || colourType == 6;
    if (pixels == nullptr && !(hasAlpha && scanAlpha)) {
        return PrepStatus::Ok;
    }
    if (!decoder.Decode()) {
        return Fail(PrepStatus::Unreadable, detail, PngErrorName(decoder.error()));
    }
    RgbImage image;
    if (hasAlpha) {
        const PrepStatus status = FlattenPng(decoder, options, image, plan.transparent);
        if (status != PrepStatus::Ok) {
            return Fail(status, detail, PrepStatusName(status));
        }
    } else {
        Dib dib;
        if (!decoder.MakeDib(kDefaultPngFormat, dib)) {
            return Fail(PrepStatus::Unreadable, detail, PngErrorName(decoder.error()));
        }
        image = DibToRgb(dib);
        if (image.pixels.empty()) {
            return Fail(PrepStatus::OutOfMemory, detail, "out of memory for the PNG's pixels");
        }
    }
    if (pixels != nullptr) {
        *pixels = std::move(image);
    }
    return PrepStatus::Ok;
}

// The JPEG's pixels in RGB at a scale covering width x height.
PrepStatus DecodeJpegCovering(PictureCodec& codec, const std::uint8_t* data, std::size_t size,
                              const JpegHeader& header, int width, int height, RgbImage& out,
                              std::string* detail, std::string* warning = nullptr) {
    std::string message;
    switch (codec.DecodeJpeg(data, size, header, width, height, out, message)) {
        case JpegResult::Ok:
            return PrepStatus::Ok;
        case JpegResult::Damaged:
            if (warning != nullptr) {
                *warning = message;
            }
            return PrepStatus::Ok;
        case JpegResult::OutOfMemory:
            return Fail(PrepStatus::OutOfMemory, detail, message);
        case JpegResult::Failed:
            break;
    }
    return Fail(PrepStatus::Unreadable, detail, message);
}

// The stored pixels shown upright: output pixel (x, y) reads the source at
// start + x * across + y * down, counted in pixels.
PrepStatus TurnUpright(const RgbImage& source, Orientation orientation, RgbImage& out) {
    const bool swap = SwapsSides(orientation);
    if (!AllocateRgbImage(out, swap ? source.height : source.width,
                          swap ? source.width : source.height)) {
        return PrepStatus::OutOfMemory;
    }
    const std::ptrdiff_t w = source.width;
    const std::ptrdiff_t lastRow = (source.height - 1) * w;
    std::ptrdiff_t start = 0;
    std::ptrdiff_t across = 1;
    std::ptrdiff_t down = w;
    switch (orientation) {
        case Orientation::Upright:
            break;
        case Orientation::Mirrored:
            start = w - 1, across = -1, down = w;
            break;
        case Orientation::Rotated180:
            start = lastRow + w - 1, across = -1, down = -w;
            break;
        case Orientation::Flipped:
            start = lastRow, across = 1, down = -w;
            break;
        case Orientation::Transposed:
            start = 0, across = w, down = 1;
            break;
        case Orientation::Rotated90:
            start = lastRow, across = -w, down = 1;
            break;
        case Orientation::Transversed:
            start = lastRow + w - 1, across = -w, down = -1;
            break;
        case Orientation::Rotated270:
            start = w - 1, across = w, down = -1;
            break;
    }
    const std::uint8_t* in = source.pixels.data();
    std::uint8_t* to = out.pixels.data();
    for (int y = 0; y < out.height; ++y) {
        std::ptrdiff_t at = start + y * down;
        for (int x = 0; x < out.width; ++x, at += across, to += 3) {
            std::memcpy(to, in + at * 3, 3);
        }
    }
    return PrepStatus::Ok;
}

PrepStatus EncodeJpeg(PictureCodec& codec, const RgbImage& image, JpegChroma chroma, int quality,
                      std::vector<std::uint8_t>& out, std::string* detail) {
    std::string reason;
    switch (codec.EncodeJpeg(image, chroma, quality, out, reason)) {
        case JpegResult::Ok:
        case JpegResult::Damaged:
            return PrepStatus::Ok;
        case JpegResult::OutOfMemory:
            return Fail(PrepStatus::OutOfMemory, detail, reason);
        case JpegResult::Failed:
            break;
    }
    return Fail(PrepStatus::EncodeFailed, detail, reason);
}

// Pixels decoded at a scale covering the size to store, brought to it, then
// turned upright.
PrepStatus FitAndTurn(RgbImage& pixels, const PicturePlan& plan, std::string* detail) {
    const bool swap = SwapsSides(plan.orientation);
    const int width = swap ? plan.shownHeight : plan.shownWidth;
    const int height = swap ? plan.shownWidth : plan.shownHeight;
    if (pixels.width != width || pixels.height != height) {
        const FitStatus status = Resample(pixels, width, height, pixels);
        if (status != FitStatus::Ok) {
            return Fail(
                status == FitStatus::OutOfMemory ? PrepStatus::OutOfMemory : PrepStatus::Unreadable,
                detail, FitStatusName(status));
        }
    }
    if (plan.orientation != Orientation::Upright) {
        RgbImage turned;
        if (TurnUpright(pixels, plan.orientation, turned) != PrepStatus::Ok) {
            return Fail(PrepStatus::OutOfMemory, detail, "out of memory to turn the picture");
        }
        pixels = std::move(turned);
    }
    return PrepStatus::Ok;
}

}  // namespace

const char* PrepStatusName(PrepStatus status) {
    switch (status) {
        case PrepStatus::Ok:
            return "prepared";
        case PrepStatus::NotAPicture:
            return "neither a JPEG nor a PNG";
        case PrepStatus::Unreadable:
            return "the picture cannot be decoded";
        case PrepStatus::TooLarge:
            return "the picture is too large to hold";
        case PrepStatus::OutOfMemory:
            return "out of memory for the picture's pixels";
        case PrepStatus::EncodeFailed:
            return "the prepared JPEG cannot be written";
    }
    return "unknown status";
}

PrepStatus PlanPicture(PictureCodec& codec, const std::uint8_t* data, std::size_t size,
                       PicturePlan& plan, std::string* detail) {
    plan = PicturePlan{};
    if (data != nullptr && StartsWith(data, size, kJpegSignature)) {
        JpegHeader header;
        const PrepStatus status = ReadJpegHeader(codec, data, size, plan, header, detail);
        if (status == PrepStatus::Ok) {
            Decide(plan, TurnsLosslessly(plan, header));
        }
        return status;
    }
    if (data != nullptr && StartsWith(data, size, kPngSignature)) {
        bool grey = false;
        const PrepStatus status = ReadPng(data, size, PrepOptions{}, plan, nullptr, grey, detail);
        if (status == PrepStatus::Ok) {
            Decide(plan, false);
        }
        return status;
    }
    return Fail(PrepStatus::NotAPicture, detail, PrepStatusName(PrepStatus::NotAPicture));
}

PrepStatus CheckPicture(PictureCodec& codec, const std::uint8_t* data, std::size_t size,
                        PicturePlan& plan, std::string* detail, std::string* warning, bool decode) {
    plan = PicturePlan{};
    RgbImage pixels;
    if (data != nullptr && StartsWith(data, size, kJpegSignature)) {
        JpegHeader header;
        PrepStatus status = ReadJpegHeader(codec, data, size, plan, header, detail);
        if (status == PrepStatus::Ok) {
            Decide(plan, TurnsLosslessly(plan, header));
            if (decode) {
                status =
                    DecodeJpegCovering(codec, data, size, header, 1, 1, pixels, detail, warning);
            }
        }
        return status;
    }
    if (data != nullptr && StartsWith(data, size, kPngSignature)) {
        bool grey = false;
        const PrepStatus status = ReadPng(data, size, PrepOptions{}, plan,
                                          decode ? &pixels : nullptr, grey, detail, decode);
        if (status == PrepStatus::Ok) {
            Decide(plan, false);
        }
        return status;
    }
    return Fail(PrepStatus::NotAPicture, detail, PrepStatusName(PrepStatus::NotAPicture));
}

PrepStatus PreparePicture(PictureCodec& codec, const std::uint8_t* data, std::size_t size,
                          const PrepOptions& options, PicturePlan& plan,
                          std::vector<std::uint8_t>& out, std::string* detail) {
    plan = PicturePlan{};
    out.clear();
    RgbImage pixels;
    JpegChroma chroma = JpegChroma::Full;
    if (data != nullptr && StartsWith(data, size, kPngSignature)) {
        bool grey = false;
        const PrepStatus status = ReadPng(data, size, options, plan, &pixels, grey, detail);
        if (status != PrepStatus::Ok) {
            return status;
        }
        Decide(plan, false);
        // Laid on the quiz colour, a grey picture is grey no more.
        chroma = grey && !plan.transparent ? JpegChroma::Grey : JpegChroma::Full;
    } else if (data != nullptr && StartsWith(data, size, kJpegSignature)) {
        JpegHeader header;
        const PrepStatus status = ReadJpegHeader(codec, data, size, plan, header, detail);
        if (status != PrepStatus::Ok) {
            return status;
        }
        Decide(plan, TurnsLosslessly(plan, header));
        if (plan.action == PrepAction::Turn && !codec.TurnJpeg(data, size, plan.orientation, out)) {
            plan.action = PrepAction::Reencode;
        }
        if (plan.action == PrepAction::Keep) {
            // Kept unread, a damaged picture would reach the players: it is
            // decoded once, at the smallest scale, to be sure it can be shown.
            const PrepStatus decoded =
                DecodeJpegCovering(codec, data, size, header, 1, 1, pixels, detail);
            if (decoded != PrepStatus::Ok) {
                return decoded;
            }
        }
        if (plan.action == PrepAction::Reencode) {
            const bool swap = SwapsSides(plan.orientation);
            const PrepStatus decoded = DecodeJpegCovering(
                codec, data, size, header, swap ? plan.shownHeight : plan.shownWidth,
                swap ? plan.shownWidth : plan.shownHeight, pixels, detail);
            if (decoded != PrepStatus::Ok) {
                return decoded;
            }
        }
        chroma = header.chroma;
    } else {
        return Fail(PrepStatus::NotAPicture, detail, PrepStatusName(PrepStatus::NotAPicture));
    }

    switch (plan.action) {
        case PrepAction::Keep:
            try {
                out.assign(data, data + size);
            } catch (const std::bad_alloc&) {
                return Fail(PrepStatus::OutOfMemory, detail, "out of memory for the picture");
            }
            return PrepStatus::Ok;
        case PrepAction::Turn:
            return PrepStatus::Ok;
        case PrepAction::Reencode:
            break;
    }
    const PrepStatus fitted = FitAndTurn(pixels, plan, detail);
    if (fitted != PrepStatus::Ok) {
        return fitted;
    }
    return EncodeJpeg(codec, pixels, chroma, options.quality, out, detail);
}

std::string DescribePlan(const PicturePlan& plan, int quality) {
    if (plan.action == PrepAction::Keep) {
        return "kept as it is";
    }
    std::string head = std::to_string(plan.width) + " x " + std::to_string(plan.height) +
                       (plan.png ? " PNG" : " JPEG");
    std::vector<std::string> steps;
    if (plan.orientation != Orientation::Upright) {
        head += ", EXIF orientation " + std::to_string(static_cast<int>(plan.orientation));
        steps.emplace_back(plan.action == PrepAction::Turn ? "turned upright without loss"
                                                           : "turned upright");
    }
    if (plan.cmyk) {
        steps.emplace_back("CMYK made RGB");
    }
    if (plan.transparent) {
        steps.emplace_back("transparent areas laid on the quiz colour");
    }
    if (plan.fitted) {
        steps.push_back("fitted to " + std::to_string(plan.shownWidth) + " x " +
                        std::to_string(plan.shownHeight));
    }
    if (plan.action == PrepAction::Reencode) {
        steps.push_back("stored as a JPEG of quality " + std::to_string(quality));
    }
    std::string line = head + ":";
    for (std::size_t i = 0; i < steps.size(); ++i) {
        line += (i == 0 ? " " : ", ") + steps[i];
    }
    return line;
}

}  // namespace brivel
