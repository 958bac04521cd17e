#include "maker/picture_prep.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstring>
#include <new>
#include <string_view>
#include <utility>

#include "pictures/big_endian.h"
#include "pictures/dib.h"
#include "pictures/fit.h"
#include "pictures/image.h"
#include "pictures/picture_loader.h"
#include "pictures/png_decoder.h"
#include "pictures/resample.h"

namespace brivel {

namespace {

constexpr std::uint8_t kJpegSignature[] = {0xFF, 0xD8, 0xFF};

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
    if (plan.fitted || plan.cmyk || plan.transparent || plan.deep) {
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

constexpr unsigned kNoSample = 255;

// How a PNG's samples are read back from rows rendered in format: the bits of
// a sample (16-bit ones little-endian), the samples of a pixel, and which one
// is red, green, blue and alpha. A layout without alpha keeps the samples as
// stored, for tRNS to be matched against them.
struct SampleLayout {
    std::uint32_t format;
    unsigned bits;
    unsigned samples;
    unsigned red, green, blue, alpha;
};

SampleLayout SampleLayoutOf(std::uint8_t colourType, std::uint8_t bitDepth) {
    const std::uint32_t kind = (std::uint32_t{colourType} << 24) | (std::uint32_t{bitDepth} << 16);
    switch (colourType) {
        case 2:  // blue, green, red
            return bitDepth == 16 ? SampleLayout{kind | 0x0002, 16, 3, 2, 1, 0, kNoSample}
                                  : SampleLayout{kind | 0x010C, 8, 3, 2, 1, 0, kNoSample};
        case 4:
            return bitDepth == 16 ? SampleLayout{kind | 0x0001, 16, 2, 0, 0, 0, 1}
                                  : SampleLayout{kind | 0x0000, 8, 2, 0, 0, 0, 1};
        case 6:  // blue, green, red, alpha bytes
            return {kDefaultPngFormat, 8, 4, 2, 1, 0, 3};
        default: {  // grey levels or palette indexes, packed below 8 bits
            const std::uint32_t asStored = bitDepth == 16  ? 0x0001
                                           : bitDepth == 2 ? 0x0000
                                                           : 0x0100;
            return {kind | asStored, bitDepth, 1, 0, 0, 0, kNoSample};
        }
    }
}

unsigned SampleAt(const std::uint8_t* row, std::size_t index, unsigned bits) {
    if (bits == 16) {
        return row[2 * index] | (row[2 * index + 1] << 8);
    }
    if (bits == 8) {
        return row[index];
    }
    const std::size_t bit = index * bits;
    return (row[bit / 8] >> (8 - bits - bit % 8)) & ((1u << bits) - 1);
}

// The tRNS chunk as the players' peers read it, or null: one ill-formed for
// the colour type is ignored, as browsers ignore it.
const std::uint8_t* Transparency(const PngDecoder& decoder, std::size_t& length) {
    const std::uint8_t* data = decoder.transparency(length);
    switch (decoder.colourType()) {
        case 0:
            return length == 2 ? data : nullptr;
        case 2:
            return length == 6 ? data : nullptr;
        case 3:
            return length >= 1 && length <= decoder.paletteCount() && length <= 256 ? data
                                                                                    : nullptr;
        default:
            return nullptr;
    }
}

// One row of FlattenPng into to, its alphas and-ed into opacity. Bits is
// the layout's when known (8 outside palettes, most PNGs), which folds the
// sample reads away: a tenth of a second less for a PNG photo of 12 Mpx.
template <unsigned Bits>
void FlattenRowOf(const std::uint8_t* row, const SampleLayout& layout, std::uint8_t colourType,
                  const DibInfo& shown, const std::uint8_t* key, std::size_t keyLength,
                  const unsigned* keySamples, const PrepOptions& options, std::uint8_t* to,
                  int width, unsigned& opacity) {
    const unsigned bits = Bits != 0 ? Bits : layout.bits;
    const unsigned levels = (1u << bits) - 1;
    const auto level = [=](unsigned sample) {
        return bits == 16 ? sample >> 8 : bits == 8 ? sample : sample * 255 / levels;
    };
    for (std::size_t x = 0; x < static_cast<std::size_t>(width); ++x, to += 3) {
        const std::size_t first = x * layout.samples;
        unsigned rgb[3];
        unsigned alpha = 255;
        if (colourType == 3) {
            const unsigned index = SampleAt(row, first, bits);
            const DibColour& colour = shown.colours[index];
            rgb[0] = colour.red;
            rgb[1] = colour.green;
            rgb[2] = colour.blue;
            alpha = key != nullptr && index < keyLength ? key[index] : 255;
        } else {
            const unsigned picks[3] = {layout.red, layout.green, layout.blue};
            bool keyed = key != nullptr;
            for (unsigned c = 0; c < 3; ++c) {
                const unsigned sample = SampleAt(row, first + picks[c], bits);
                keyed = keyed && sample == keySamples[picks[c]];
                rgb[c] = level(sample);
            }
            if (layout.alpha != kNoSample) {
                alpha = level(SampleAt(row, first + layout.alpha, bits));
            } else if (keyed) {
                alpha = 0;
            }
        }
        opacity &= alpha;
        to[0] = Over(rgb[0], alpha, options.red);
        to[1] = Over(rgb[1], alpha, options.green);
        to[2] = Over(rgb[2], alpha, options.blue);
    }
}

using FlattenRow = decltype(&FlattenRowOf<0>);

// FlattenRowOf for the commonest PNG with alpha, 8-bit RGBA rendered as blue,
// green, red and alpha bytes: an opaque or a clear pixel is the picture's or
// the quiz colour exactly, as Over gives them, without its arithmetic.
void FlattenBgraRow(const std::uint8_t* row, const SampleLayout&, std::uint8_t, const DibInfo&,
                    const std::uint8_t*, std::size_t, const unsigned*, const PrepOptions& options,
                    std::uint8_t* to, int width, unsigned& opacity) {
    for (int x = 0; x < width; ++x, row += 4, to += 3) {
        const unsigned alpha = row[3];
        opacity &= alpha;
        if (alpha == 255) {
            to[0] = row[2];
            to[1] = row[1];
            to[2] = row[0];
        } else if (alpha == 0) {
            to[0] = options.red;
            to[1] = options.green;
            to[2] = options.blue;
        } else {
            to[0] = Over(row[2], alpha, options.red);
            to[1] = Over(row[1], alpha, options.green);
            to[2] = Over(row[0], alpha, options.blue);
        }
    }
}

// How much of a PNG ReadPng decodes when no pixels are asked for.
enum class PngDepth {
    Headers,  // its headers alone
    Opacity,  // decoded when it has an alpha channel or a tRNS chunk, to know if it is transparent
    Whole,    // decoded whatever it holds, to know that it decodes
};

// The PNG decoded and each pixel laid onto the quiz colour by its opacity
// (an alpha channel or a tRNS chunk), in the colours the players' bitmaps
// show; transparent says whether any pixel is less than opaque. With out,
// the picture at width x height, resampled as its rows are flattened when
// smaller than the PNG, so that a large one is never held whole in RGB.
PrepStatus FlattenPng(PngDecoder& decoder, const PrepOptions& options, RgbImage* out, int width,
                      int height, bool& transparent) {
    const std::uint8_t colourType = decoder.colourType();
    DibInfo shown;  // the palette as the players' bitmaps colour it
    std::uint32_t shownFormat = 0;
    decoder.BuildBitmapInfo(kDefaultPngFormat, shown, shownFormat);
    const SampleLayout layout = SampleLayoutOf(colourType, decoder.bitDepth());
    std::size_t keyLength = 0;
    const std::uint8_t* key = Transparency(decoder, keyLength);
    // Each sample of a colour key, 16 bits big-endian, in the layout's order.
    unsigned keySamples[3] = {};
    for (unsigned k = 0; key != nullptr && colourType != 3 && k < layout.samples; ++k) {
        const unsigned at = colourType == 2 ? 2 * (2 - k) : 0;
        keySamples[k] = (key[at] << 8) | key[at + 1];
    }
    const auto sourceWidth = static_cast<int>(decoder.width());
    const auto sourceHeight = static_cast<int>(decoder.height());
    // Rendered a row at a time as it is flattened: a photo's PNG is never held
    // whole, in its own layout or in RGB.
    PngRows rows(decoder, layout.format);
    std::vector<std::uint8_t> scratch;
    try {
        scratch.resize(out == nullptr ? static_cast<std::size_t>(sourceWidth) * 3 : 0);
    } catch (const std::bad_alloc&) {
        return PrepStatus::OutOfMemory;
    }
    if (!rows.ok()) {
        return PrepStatus::OutOfMemory;
    }
    const bool opaque = colourType != 4 && colourType != 6 && key == nullptr;
    transparent = false;
    if (out == nullptr && opaque) {
        for (int y = 0; y < sourceHeight; ++y) {
            if (rows.Next() == nullptr) {
                return PrepStatus::Unreadable;
            }
        }
        return PrepStatus::Ok;
    }
    unsigned opacity = 255;
    bool broken = false;  // a row's filter type is unknown
    const FlattenRow flatten = colourType == 6 && layout.bits == 8   ? FlattenBgraRow
                               : layout.bits == 8 && colourType != 3 ? FlattenRowOf<8>
                                                                     : FlattenRowOf<0>;
    const SourceRows flattened = [&](int, std::uint8_t* to) {
        const std::uint8_t* row = rows.Next();
        if (row == nullptr) {
            broken = true;
            std::memset(to, 0, static_cast<std::size_t>(sourceWidth) * 3);
            return to;
        }
        flatten(row, layout, colourType, shown, key, keyLength, keySamples, options, to,
                sourceWidth, opacity);
        return to;
    };
    if (out == nullptr) {
        for (int y = 0; y < sourceHeight; ++y) {
            flattened(y, scratch.data());
        }
    } else if (width != sourceWidth || height != sourceHeight) {
        // Every row is flattened once, in order, so opacity still sees every pixel.
        const FitStatus status =
            Resample(sourceWidth, sourceHeight, flattened, width, height, *out);
        if (status != FitStatus::Ok) {
            return status == FitStatus::OutOfMemory ? PrepStatus::OutOfMemory
                                                    : PrepStatus::Unreadable;
        }
    } else {
        if (!AllocateRgbImage(*out, sourceWidth, sourceHeight)) {
            return PrepStatus::OutOfMemory;
        }
        const std::size_t outRow = static_cast<std::size_t>(sourceWidth) * 3;
        for (int y = 0; y < sourceHeight; ++y) {
            flattened(y, out->pixels.data() + static_cast<std::size_t>(y) * outRow);
        }
    }
    if (broken) {
        if (out != nullptr) {
            *out = RgbImage{};
        }
        return PrepStatus::Unreadable;
    }
    transparent = opacity != 255;
    return PrepStatus::Ok;
}

// A PNG's header, and its pixels when pixels is given (fitted into the
// picture box when larger, laid onto the quiz colour when it has an alpha
// channel or a tRNS chunk), or as much as depth says.
PrepStatus ReadPng(const std::uint8_t* data, std::size_t size, const PrepOptions& options,
                   PicturePlan& plan, RgbImage* pixels, bool& grey, std::string* detail,
                   PngDepth depth) {
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
    plan.deep = decoder.bitDepth() == 16;
    std::size_t keyLength = 0;
    const bool hasAlpha =
        colourType == 4 || colourType == 6 || Transparency(decoder, keyLength) != nullptr;
    if (pixels == nullptr &&
        (depth == PngDepth::Headers || (depth == PngDepth::Opacity && !hasAlpha))) {
        return PrepStatus::Ok;
    }
    if (!decoder.Decode()) {
        return Fail(PrepStatus::Unreadable, detail, PngErrorName(decoder.error()));
    }
    if (pixels == nullptr || hasAlpha) {
        Decide(plan, false);
        const PrepStatus status = FlattenPng(decoder, options, pixels, plan.shownWidth,
                                             plan.shownHeight, plan.transparent);
        return status == PrepStatus::Ok ? status : Fail(status, detail, PrepStatusName(status));
    }
    Dib dib;
    if (!decoder.MakeDib(kDefaultPngFormat, dib)) {
        return Fail(PrepStatus::Unreadable, detail, PngErrorName(decoder.error()));
    }
    *pixels = DibToRgb(dib);
    if (pixels->pixels.empty()) {
        return Fail(PrepStatus::OutOfMemory, detail, "out of memory for the PNG's pixels");
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

const char* PrepStatusName(PrepStatus status, Wording wording) {
    const bool french = wording == Wording::French;
    switch (status) {
        case PrepStatus::Ok:
            return french ? "préparée" : "prepared";
        case PrepStatus::NotAPicture:
            return french ? "ce n'est pas une image" : "neither a JPEG nor a PNG";
        case PrepStatus::Unreadable:
            return french ? "elle ne se lit pas" : "the picture cannot be decoded";
        case PrepStatus::TooLarge:
            return french ? "elle est trop grande" : "the picture is too large to hold";
        case PrepStatus::OutOfMemory:
            return french ? "la mémoire manque pour la lire"
                          : "out of memory for the picture's pixels";
        case PrepStatus::EncodeFailed:
            return french ? "elle ne peut pas être enregistrée en JPEG"
                          : "the prepared JPEG cannot be written";
    }
    return french ? "raison inconnue" : "unknown status";
}

namespace {

// Formats makers meet, by two marks in their first bytes (the second empty
// when one tells), and the conversion that suits each: photos to JPEG,
// drawings to PNG.
struct OtherFormat {
    std::string_view first;
    std::size_t secondAt;
    std::string_view second;
    const char* article;
    const char* kind;
    const char* convert;
};

using namespace std::string_view_literals;
constexpr std::size_t kHeadScan = 1 << 16;  // where an AVIF's or HEIC's boxes give its size
constexpr OtherFormat kOtherFormats[] = {
    {"RIFF"sv, 8, "WEBP"sv, "a", "WebP", "convert IN.webp OUT.jpg"},
    {"\0\0\0"sv, 4, "ftypavif"sv, "an", "AVIF", "heif-convert IN.avif OUT.jpg"},
    {"\0\0\0"sv, 4, "ftypheic"sv, "a", "HEIC", "heif-convert IN.heic OUT.jpg"},
    {"\0\0\0"sv, 4, "ftypheix"sv, "a", "HEIC", "heif-convert IN.heic OUT.jpg"},
    {"\0\0\0"sv, 4, "ftypmif1"sv, "a", "HEIC", "heif-convert IN.heic OUT.jpg"},
    {"GIF8"sv, 0, ""sv, "a", "GIF", "convert 'IN.gif[0]' OUT.png"},
    {"BM"sv, 6, "\0\0\0\0"sv, "a", "BMP", "convert IN.bmp OUT.png"},  // reserved, 0
    {"II*\0"sv, 0, ""sv, "a", "TIFF", "convert 'IN.tif[0]' OUT.png"},
    {"MM\0*"sv, 0, ""sv, "a", "TIFF", "convert 'IN.tif[0]' OUT.png"},
    {"<"sv, 0, "<svg"sv, "an", "SVG", "rsvg-convert -w 640 IN.svg -o OUT.png"},
};

const OtherFormat* OtherFormatOf(const std::uint8_t* data, std::size_t size) {
    const std::string_view head(reinterpret_cast<const char*>(data),
                                data != nullptr ? std::min<std::size_t>(size, 1024) : 0);
    // An SVG may open with a byte order mark, spaces, an XML declaration or a comment.
    const std::size_t text = std::min(head.find_first_not_of(" \t\r\n\xEF\xBB\xBF"), head.size());
    for (const OtherFormat& format : kOtherFormats) {
        const bool svg = format.first == "<"sv;
        const bool matches = head.substr(svg ? text : 0, format.first.size()) == format.first &&
                             (svg ? head.find(format.second) != std::string_view::npos
                                  : head.substr(std::min(format.secondAt, head.size()),
                                                format.second.size()) == format.second);
        if (matches) {
            return &format;
        }
    }
    return nullptr;
}

std::uint32_t Little(const std::uint8_t* at, int bytes) {
    std::uint32_t value = 0;
    for (int i = bytes - 1; i >= 0; --i) {
        value = value << 8 | at[i];
    }
    return value;
}

// The size another kind's header gives, where it is at a known place: the
// browser would otherwise learn it only by decoding gigabytes.
bool HeaderSize(const OtherFormat& format, const std::uint8_t* data, std::size_t size,
                std::int64_t& width, std::int64_t& height) {
    const std::string_view kind = format.kind;
    const std::string_view head(reinterpret_cast<const char*>(data), std::min(size, kHeadScan));
    if (kind == "WebP" && size >= 30) {
        const std::string_view chunk = head.substr(12, 4);
        if (chunk == "VP8 ") {
            width = Little(data + 26, 2) & 0x3FFF;
            height = Little(data + 28, 2) & 0x3FFF;
        } else if (chunk == "VP8L") {
            const std::uint32_t bits = Little(data + 21, 4);
            width = (bits & 0x3FFF) + 1;
            height = (bits >> 14 & 0x3FFF) + 1;
        } else if (chunk == "VP8X") {
            width = Little(data + 24, 3) + std::int64_t{1};
            height = Little(data + 27, 3) + std::int64_t{1};
        }
    } else if (kind == "GIF" && size >= 10) {
        width = Little(data + 6, 2);
        height = Little(data + 8, 2);
    } else if (kind == "BMP" && size >= 26) {
        const bool core = Little(data + 14, 4) == 12;  // OS/2's header: 16-bit sides
        width = core ? Little(data + 18, 2) : static_cast<std::int32_t>(Little(data + 18, 4));
        height = core ? Little(data + 20, 2) : static_cast<std::int32_t>(Little(data + 22, 4));
        width = width < 0 ? -width : width;
        height = height < 0 ? -height : height;  // a top-down bitmap
    } else if (kind == "AVIF" || kind == "HEIC") {
        // Each image item's spatial extent; the largest is the picture's.
        for (std::size_t at = head.find("ispe"); at != std::string_view::npos && at + 16 <= size;
             at = head.find("ispe", at + 4)) {
            width = std::max<std::int64_t>(width, ReadBigEndian32(data + at + 8));
            height = std::max<std::int64_t>(height, ReadBigEndian32(data + at + 12));
        }
    }
    return width > 0 && height > 0;
}

const OtherFormat* OtherFormatOf(const char* kind) {
    for (const OtherFormat& format : kOtherFormats) {
        if (kind != nullptr && format.kind == std::string_view(kind)) {
            return &format;
        }
    }
    return nullptr;
}

bool ConvertsToJpeg(const OtherFormat& format) {
    return std::strstr(format.convert, ".jpg") != nullptr;
}

}  // namespace

std::string NotAPictureReason(const std::uint8_t* data, std::size_t size) {
    if (const OtherFormat* format = OtherFormatOf(data, size)) {
        return std::string(format->article) + " " + format->kind +
               " picture, which the players cannot show: convert it to " +
               (ConvertsToJpeg(*format) ? "JPEG" : "PNG") + " (`" + format->convert + "`)";
    }
    return "neither a JPEG nor a PNG file";
}

std::string NotAPictureFrench(const std::uint8_t* data, std::size_t size) {
    if (const OtherFormat* format = OtherFormatOf(data, size)) {
        return std::string("est une image ") + format->kind +
               ", que ce navigateur ne sait pas lire : enregistrez-la en " +
               (ConvertsToJpeg(*format) ? "JPEG" : "PNG");
    }
    return "n'est pas une image : choisissez une photo ou une image (JPEG, PNG, WebP, GIF…)";
}

namespace {

// A picture of another kind that the codec reads: planned as always
// re-encoded, its pixels (when given) laid on the quiz colour where
// transparent. Photos (WebP, AVIF, HEIC) are stored as photos are, drawings
// (GIF, BMP, TIFF) in full colour.
PrepStatus ReadOther(PictureCodec& codec, const std::uint8_t* data, std::size_t size,
                     const PrepOptions& options, PicturePlan& plan, RgbImage* pixels,
                     std::string* detail, JpegChroma* chroma = nullptr) {
    const OtherFormat* format = OtherFormatOf(data, size);
    plan.other = format->kind;
    if (chroma != nullptr) {
        *chroma = ConvertsToJpeg(*format) ? JpegChroma::Subsampled : JpegChroma::Full;
    }
    std::int64_t width = 0;
    std::int64_t height = 0;
    if (HeaderSize(*format, data, size, width, height) && RgbImageBytes(width, height) == 0) {
        plan.width = static_cast<int>(std::min<std::int64_t>(width, INT_MAX));
        plan.height = static_cast<int>(std::min<std::int64_t>(height, INT_MAX));
        return Fail(PrepStatus::TooLarge, detail,
                    std::string("the ") + format->kind + " picture is too large");
    }
    std::string reason;
    std::vector<std::uint8_t> rgba;
    if (!codec.DecodeOther(data, size, plan.width, plan.height, nullptr, reason)) {
        return Fail(PrepStatus::Unreadable, detail, reason);
    }
    if (RgbImageBytes(plan.width, plan.height) == 0) {
        return Fail(PrepStatus::TooLarge, detail,
                    std::string("the ") + format->kind + " picture is too large");
    }
    if (pixels != nullptr &&
        !codec.DecodeOther(data, size, plan.width, plan.height, &rgba, reason)) {
        return Fail(PrepStatus::Unreadable, detail, reason);
    }
    if (pixels != nullptr && !AllocateRgbImage(*pixels, plan.width, plan.height)) {
        return Fail(PrepStatus::OutOfMemory, detail, "out of memory for the picture's pixels");
    }
    for (std::size_t from = 0, to = 0; pixels != nullptr && from < rgba.size(); from += 4, to += 3) {
        const unsigned alpha = rgba[from + 3];
        plan.transparent = plan.transparent || alpha != 255;
        pixels->pixels[to] = Over(rgba[from], alpha, options.red);
        pixels->pixels[to + 1] = Over(rgba[from + 1], alpha, options.green);
        pixels->pixels[to + 2] = Over(rgba[from + 2], alpha, options.blue);
    }
    Decide(plan, false);
    plan.action = PrepAction::Reencode;
    return PrepStatus::Ok;
}

// Whether the data is a picture of another kind that the codec reads.
bool ReadsOther(const PictureCodec& codec, const std::uint8_t* data, std::size_t size) {
    const char* kind = OtherPictureKind(data, size);
    return kind != nullptr && codec.ReadsKind(kind);
}

}  // namespace

bool OtherPictureTooLarge(const std::uint8_t* data, std::size_t size) {
    const OtherFormat* format = OtherFormatOf(data, size);
    std::int64_t width = 0;
    std::int64_t height = 0;
    return format != nullptr && HeaderSize(*format, data, size, width, height) &&
           RgbImageBytes(width, height) == 0;
}

const char* OtherPictureKind(const std::uint8_t* data, std::size_t size) {
    const OtherFormat* format = OtherFormatOf(data, size);
    return format != nullptr ? format->kind : nullptr;
}

PrepStatus PlanPicture(PictureCodec& codec, const std::uint8_t* data, std::size_t size,
                       PicturePlan& plan, std::string* detail) {
    plan = PicturePlan{};
    if (ReadsOther(codec, data, size)) {
        return ReadOther(codec, data, size, PrepOptions{}, plan, nullptr, detail);
    }
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
        const PrepStatus status =
            ReadPng(data, size, PrepOptions{}, plan, nullptr, grey, detail, PngDepth::Opacity);
        if (status == PrepStatus::Ok) {
            Decide(plan, false);
        }
        return status;
    }
    return Fail(PrepStatus::NotAPicture, detail, NotAPictureReason(data, size));
}

PrepStatus CheckPicture(PictureCodec& codec, const std::uint8_t* data, std::size_t size,
                        PicturePlan& plan, std::string* detail, std::string* warning, bool decode) {
    plan = PicturePlan{};
    RgbImage pixels;
    if (ReadsOther(codec, data, size)) {
        return ReadOther(codec, data, size, PrepOptions{}, plan, decode ? &pixels : nullptr,
                         detail);
    }
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
        const PrepStatus status = ReadPng(data, size, PrepOptions{}, plan, nullptr, grey, detail,
                                          decode ? PngDepth::Whole : PngDepth::Headers);
        if (status == PrepStatus::Ok) {
            Decide(plan, false);
        }
        return status;
    }
    return Fail(PrepStatus::NotAPicture, detail, NotAPictureReason(data, size));
}

PrepStatus PreparePicture(PictureCodec& codec, const std::uint8_t* data, std::size_t size,
                          const PrepOptions& options, PicturePlan& plan,
                          std::vector<std::uint8_t>& out, std::string* detail) {
    plan = PicturePlan{};
    out.clear();
    RgbImage pixels;
    JpegChroma chroma = JpegChroma::Full;
    if (ReadsOther(codec, data, size)) {
        const PrepStatus status =
            ReadOther(codec, data, size, options, plan, &pixels, detail, &chroma);
        if (status != PrepStatus::Ok) {
            return status;
        }
    } else if (data != nullptr && StartsWith(data, size, kPngSignature)) {
        bool grey = false;
        const PrepStatus status =
            ReadPng(data, size, options, plan, &pixels, grey, detail, PngDepth::Whole);
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
        return Fail(PrepStatus::NotAPicture, detail, NotAPictureReason(data, size));
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

std::string DescribePlan(const PicturePlan& plan, int quality, Wording wording) {
    const bool french = wording == Wording::French;
    const auto say = [french](const char* english, const char* inFrench) {
        return std::string(french ? inFrench : english);
    };
    if (plan.action == PrepAction::Keep) {
        return say("kept as it is", "gardée telle quelle");
    }
    const std::string size = std::to_string(plan.width) + " x " + std::to_string(plan.height);
    const char* kind = plan.other != nullptr ? plan.other : plan.png ? "PNG" : "JPEG";
    const OtherFormat* other = OtherFormatOf(plan.other);
    const bool photo = other != nullptr ? ConvertsToJpeg(*other) : !plan.png;
    std::string head = french ? std::string(photo ? "photo " : "image ") + kind + " de " + size
                              : size + " " + kind;
    std::vector<std::string> steps;
    if (plan.orientation != Orientation::Upright) {
        head += french ? std::string()
                       : ", EXIF orientation " + std::to_string(static_cast<int>(plan.orientation));
        steps.push_back(plan.action == PrepAction::Turn
                            ? say("turned upright without loss", "redressée sans perte")
                            : say("turned upright", "redressée"));
    }
    if (plan.cmyk) {
        steps.push_back(say("CMYK made RGB", "couleurs d'imprimerie faites pour l'écran"));
    }
    if (plan.transparent) {
        steps.push_back(say("transparent areas laid on the quiz colour",
                            "parties transparentes posées sur la couleur du quiz"));
    }
    if (plan.deep) {
        steps.push_back(say("16-bit samples made 8-bit", "nuances ramenées à celles de l'écran"));
    }
    const std::string shown =
        std::to_string(plan.shownWidth) + " x " + std::to_string(plan.shownHeight);
    if (plan.fitted) {
        steps.push_back(say("fitted to ", "mise à ") + shown);
    }
    if (plan.action == PrepAction::Reencode) {
        steps.push_back(say("stored as a JPEG of quality ", "enregistrée en JPEG de qualité ") +
                        std::to_string(quality));
    }
    std::string line = head + (french ? " :" : ":");
    for (std::size_t i = 0; i < steps.size(); ++i) {
        line += (i == 0 ? " " : ", ") + steps[i];
    }
    return line;
}

}  // namespace brivel
