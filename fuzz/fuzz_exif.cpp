// The EXIF orientation reader: a JPEG's markers up to the scan, then the TIFF
// block of its first EXIF segment. The input is read as a whole JPEG, and as
// a TIFF block alone so the fuzzer reaches the IFD without building markers.
// Hiding the orientation changes marker bytes only, and leaves none to read;
// in a PNG, once done, it finds nothing more to hide. The picture's plan, read
// from the same headers (any kind's), has a size whenever it is Ok or too large.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "fuzz_support.h"
#include "maker/picture_prep.h"
#include "pictures/exif_orientation.h"
#include "pictures/image.h"
#include "pictures/png_decoder.h"
#include "turbojpeg_codec.h"

using namespace brivel;

namespace {

bool Valid(Orientation orientation) {
    const int value = static_cast<int>(orientation);
    return value >= 1 && value <= 8;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FUZZ_CHECK(Valid(JpegOrientation(data, size)));
    FUZZ_CHECK(Valid(TiffOrientation(data, size)));
    // The same bytes as the body of an EXIF segment, declared at their length.
    if (size <= 0xFFFF - 8) {
        std::vector<std::uint8_t> jpeg = {0xFF, 0xD8, 0xFF, 0xE1, 0, 0, 'E', 'x', 'i', 'f', 0, 0};
        jpeg[4] = static_cast<std::uint8_t>((size + 8) >> 8);
        jpeg[5] = static_cast<std::uint8_t>(size + 8);
        jpeg.insert(jpeg.end(), data, data + size);
        const Orientation inJpeg = JpegOrientation(jpeg.data(), jpeg.size());
        FUZZ_CHECK(inJpeg == TiffOrientation(data, size));
    }
    std::vector<std::uint8_t> hidden(data, data + size);
    const int renamed = HideJpegOrientation(hidden.data(), hidden.size());
    FUZZ_CHECK(JpegOrientation(hidden.data(), hidden.size()) == Orientation::Upright);
    int changed = 0;
    for (std::size_t i = 0; i < size; ++i) {
        if (hidden[i] != data[i]) {
            FUZZ_CHECK(data[i] == 0xE1 && hidden[i] == 0xEF);
            ++changed;
        }
    }
    FUZZ_CHECK(changed == renamed);
    std::vector<std::uint8_t> png(data, data + size);
    HidePngOrientation(png.data(), png.size());
    FUZZ_CHECK(HidePngOrientation(png.data(), png.size()) == 0);
    // The plan decodes a PNG whole to see whether any pixel is transparent:
    // only small ones, and those too large for any quiz, which stop at the header.
    PngDecoder header;
    if (header.LoadFromMemory(data, size) &&
        std::uint64_t{header.width()} * header.height() > fuzz::kMaxPngPixels &&
        RgbImageBytes(header.width(), header.height()) != 0) {
        return 0;
    }
    tool::TurboJpegCodec codec;
    PicturePlan plan;
    const PrepStatus status = PlanPicture(codec, data, size, plan, nullptr);
    FUZZ_CHECK(status != PrepStatus::Ok || (plan.shownWidth > 0 && plan.shownHeight > 0));
    FUZZ_CHECK(!OtherPictureTooLarge(data, size) || status == PrepStatus::TooLarge ||
               status == PrepStatus::NotAPicture);  // of a kind the tool reads not
    return 0;
}
