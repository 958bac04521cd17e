// Our PNG decoder from the file to the bitmap, in every output format of the
// image's colour type and depth, then the RGB picture the player shows, and
// the whole LoadPngPicture path with its fitting.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "fuzz_support.h"
#include "pictures/dib.h"
#include "pictures/fit.h"
#include "pictures/image.h"
#include "pictures/picture_loader.h"
#include "pictures/png_decoder.h"
#include "quiz/res_file.h"

using namespace brivel;

namespace {

// Every row of png_render.cpp's format table.
constexpr std::uint32_t kFormats[] = {
    0x00010100, 0x00020000, 0x0002010B, 0x00040100, 0x00080100, 0x00100001, 0x00100106,
    0x0208010C, 0x02100002, 0x02100107, 0x03010100, 0x03020000, 0x0302010B, 0x03040100,
    0x03080100, 0x04080000, 0x04080106, 0x04100001, 0x04100005, 0x04100006, 0x0410010A,
    0x0608010E, 0x0608010D, 0x06100004, 0x06100003, 0x06100109, 0x06100108,
};

// Renders format into a buffer first filled with fill; false on a refused row.
bool Render(PngDecoder& decoder, std::uint32_t format, std::uint8_t fill, PictureBytes& bits) {
    DibInfo info;
    std::uint32_t chosen = 0;
    decoder.BuildBitmapInfo(format, info, chosen);
    FUZZ_CHECK(chosen == format);
    const std::size_t stride = DibStride(decoder.width(), info.header.bitCount);
    FUZZ_CHECK(stride != 0);
    bits.assign(stride * decoder.height(), fill);
    return decoder.RenderRows(bits.data(), format);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    PngDecoder decoder;
    if (!decoder.LoadFromMemory(data, size)) {
        FUZZ_CHECK(decoder.error() == PngError::BadFile ||
                   decoder.error() == PngError::Unsupported);
        FUZZ_CHECK(decoder.state() == PngState::Empty);
        return 0;
    }
    FUZZ_CHECK(decoder.state() == PngState::Loaded);
    FUZZ_CHECK(decoder.width() != 0 && decoder.height() != 0);
    if (std::uint64_t{decoder.width()} * decoder.height() > fuzz::kMaxPngPixels) {
        return 0;
    }

    if (!decoder.Decode()) {
        FUZZ_CHECK(decoder.error() == PngError::BadFile ||
                   decoder.error() == PngError::OutOfMemory);
        FUZZ_CHECK(decoder.state() == PngState::Loaded);
        return 0;
    }
    FUZZ_CHECK(decoder.state() == PngState::Decoded);

    Dib dib;
    const bool made = decoder.MakeDib(kDefaultPngFormat, dib);
    std::uint32_t defaultFormat = 0;
    {
        DibInfo info;
        decoder.BuildBitmapInfo(kDefaultPngFormat, info, defaultFormat);
    }
    // Every format walks the same filtered rows, so a row filter the decoder
    // refuses fails them all alike.
    const std::uint32_t pair =
        std::uint32_t{decoder.colourType()} << 24 | std::uint32_t{decoder.bitDepth()} << 16;
    bool defaultListed = false;
    for (const std::uint32_t format : kFormats) {
        if ((format & 0xFFFF0000) != pair) {
            continue;
        }
        defaultListed = defaultListed || format == defaultFormat;
        const bool shown = (format >> 8 & 0xFF) == 1;
        PictureBytes zeroFilled;
        PictureBytes oneFilled;
        const bool rendered = Render(decoder, format, 0x00, zeroFilled);
        FUZZ_CHECK(Render(decoder, format, 0xFF, oneFilled) == rendered);
        FUZZ_CHECK(rendered == made);
        // No byte of the bitmap, padding included, keeps what was there before.
        if (rendered) {
            FUZZ_CHECK(zeroFilled == oneFilled);
        }
        Dib other;
        FUZZ_CHECK(decoder.MakeDib(format, other) == (shown && made));
        if (!shown) {
            FUZZ_CHECK(decoder.error() == PngError::FormatRefused);
        } else if (made) {
            FUZZ_CHECK(other.bits == zeroFilled);
            if (format == defaultFormat) {
                FUZZ_CHECK(other.bits == dib.bits);
            }
        }
    }
    FUZZ_CHECK(defaultListed);
    if (!made) {
        return 0;
    }

    const RgbImage picture = DibToRgb(dib);
    FUZZ_CHECK(picture.width == static_cast<int>(decoder.width()));
    FUZZ_CHECK(picture.height == static_cast<int>(decoder.height()));
    FUZZ_CHECK(picture.pixels.size() == RgbImageBytes(picture.width, picture.height));

    ResFileResources resources({{ResourceType::Numbered(kRcData), 401, 0, {data, data + size}}});
    fuzz::CountingSink sink;
    const std::optional<RgbImage> fitted = LoadPngPicture(resources, 401, 300, 200, sink);
    const FittedSize expected = FitSize(picture.width, picture.height, 300, 200);
    // Only a picture so thin that a side fits to nothing is dropped.
    FUZZ_CHECK(fitted.has_value() == (expected.width > 0 && expected.height > 0));
    if (fitted) {
        FUZZ_CHECK(fitted->width == expected.width && fitted->height == expected.height);
        FUZZ_CHECK(fitted->pixels.size() == RgbImageBytes(fitted->width, fitted->height));
    }
    FUZZ_CHECK(sink.count == 0);
    return 0;
}
