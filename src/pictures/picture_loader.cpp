#include "pictures/picture_loader.h"

#include <array>
#include <cstdint>
#include <utility>
#include <vector>

#include "pictures/jpeg_decoder.h"
#include "pictures/png_decoder.h"
#include "pictures/resample.h"

namespace brivel {

namespace {

constexpr char kPngCaption[] = "APPNAME";
constexpr char kPngDecodeError[] = "Error: couldn't decode PNG resource";
constexpr char kPngBitmapError[] = "Error: couldn't create bitmap";
constexpr char kNoMemoryText[] = "erreur m\xE9moire";
constexpr char kNoMemoryCaption[] = "information";

// The Windows player says "erreur mémoire" when the copy of a decoded picture
// cannot be made; here the fitted picture is that copy, so a decoded picture
// that cannot be fitted for want of memory says it too. A fit with no pixels
// (a very thin picture) gives no picture and no message.
std::optional<RgbImage> Fitted(RgbImage picture, int width, int height, MessageSink& sink) {
    const FitStatus status = FitInPlace(picture, width, height);
    if (status == FitStatus::OutOfMemory) {
        sink.ShowMessage(kNoMemoryText, kNoMemoryCaption, MessageIcon::Information);
    }
    if (status != FitStatus::Ok) {
        return std::nullopt;
    }
    return picture;
}

// The PNG file's picture, fitted. Bytes that are not a PNG give nothing
// silently; data that cannot be decoded and a bitmap that cannot be built are
// told to the user.
std::optional<RgbImage> PngPicture(const std::vector<std::uint8_t>& png, int width, int height,
                                   MessageSink& sink) {
    PngDecoder decoder;
    if (png.empty() || !decoder.LoadFromMemory(png.data(), png.size())) {
        return std::nullopt;
    }
    // A forged header could otherwise make Decode allocate gigabytes for a file
    // of a few bytes; no picture we can hold is that large.
    if (RgbImageBytes(decoder.width(), decoder.height()) == 0 || !decoder.Decode()) {
        sink.ShowMessage(kPngDecodeError, kPngCaption, MessageIcon::Error);
        return std::nullopt;
    }
    RgbImage picture;
    {
        Dib dib;
        if (decoder.MakeDib(kDefaultPngFormat, dib)) {
            picture = DibToRgb(dib);
        }
    }
    // Turning the bitmap into RGB belongs to making the bitmap on this path.
    if (picture.pixels.empty()) {
        sink.ShowMessage(kPngBitmapError, kPngCaption, MessageIcon::Error);
        return std::nullopt;
    }
    return Fitted(std::move(picture), width, height, sink);
}

}  // namespace

std::optional<RgbImage> LoadPicture(ResourceProvider& resources, std::uint16_t id, int width,
                                    int height, MessageSink& sink) {
    std::optional<PictureResource> found = FindPicture(resources, id);
    if (!found) {
        return std::nullopt;
    }
    std::optional<RgbImage> picture =
        found->jpeg ? DecodeJpeg(found->bytes.data(), found->bytes.size(), nullptr)
                    : PngPicture(found->bytes, width, height, sink);
    if (!picture) {
        return std::nullopt;
    }
    // The PNG path's picture is fitted a second time, as on Windows; at factor 1
    // that costs nothing.
    return Fitted(std::move(*picture), width, height, sink);
}

std::optional<RgbImage> LoadPngPicture(ResourceProvider& resources, std::uint16_t id, int width,
                                       int height, MessageSink& sink) {
    std::optional<std::vector<std::uint8_t>> png =
        resources.Find(ResourceType::Numbered(kRcData), id);
    if (!png) {
        return std::nullopt;
    }
    return PngPicture(*png, width, height, sink);
}

RgbImage DibToRgb(const Dib& dib) {
    const DibHeader& header = dib.info.header;
    const unsigned bits = header.bitCount;
    if (bits != 1 && bits != 4 && bits != 8 && bits != 24 && bits != 32) {
        return {};
    }
    const std::int64_t height =
        header.height < 0 ? -static_cast<std::int64_t>(header.height) : header.height;
    const std::size_t stride =
        header.width > 0 ? DibStride(static_cast<std::uint32_t>(header.width), bits) : 0;
    if (stride == 0 || height == 0 || height > INT32_MAX ||
        dib.bits.size() / stride < static_cast<std::uint64_t>(height)) {
        return {};
    }
    RgbImage image;
    if (!AllocateRgbImage(image, header.width, static_cast<int>(height))) {
        return {};
    }
    const std::array<DibColour, 256>& table = dib.info.colours;
    std::uint8_t* out = image.pixels.data();
    for (int y = 0; y < image.height; ++y) {
        const std::uint8_t* row = dib.bits.data() + static_cast<std::size_t>(y) * stride;
        if (bits >= 24) {
            const unsigned step = bits / 8;
            for (int x = 0; x < image.width; ++x, row += step, out += 3) {
                out[0] = row[2];
                out[1] = row[1];
                out[2] = row[0];
            }
            continue;
        }
        // Packed from the most significant bit. An index past the filled
        // entries reads the zeroed rest of the table: black.
        const unsigned mask = (1u << bits) - 1;
        for (unsigned x = 0; x < static_cast<unsigned>(image.width); ++x, out += 3) {
            const unsigned bit = x * bits;
            const DibColour colour = table[(row[bit / 8] >> (8 - bits - bit % 8)) & mask];
            out[0] = colour.red;
            out[1] = colour.green;
            out[2] = colour.blue;
        }
    }
    return image;
}

}  // namespace brivel
