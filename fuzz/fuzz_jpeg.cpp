// The JPEG path of LoadPicture: an "IMG" resource decoded by libjpeg-turbo,
// then fitted into 300 x 200 by our resampler.

#include <turbojpeg.h>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "fuzz_support.h"
#include "pictures/fit.h"
#include "pictures/picture_loader.h"
#include "quiz/quiz_loader.h"
#include "quiz/res_file.h"

using namespace brivel;

namespace {

constexpr int kBoxWidth = 300;
constexpr int kBoxHeight = 200;
constexpr std::uint16_t kId = 401;

// A few-byte header can declare 89 million pixels, which the library then
// fills for seconds; the fitting code is the same for small pictures. The
// resampler's every comparison is traced here, a millisecond a megapixel:
// pictures up to 360 x 360 still pass the box both ways.
constexpr long long kMaxPixels = 1 << 17;

// The picture's natural size as the library reads it from the header.
bool HeaderSize(const std::uint8_t* data, std::size_t size, int& width, int& height) {
    tjhandle handle = tjInitDecompress();
    if (handle == nullptr) {
        return false;
    }
    int subsampling = 0;
    int colourspace = 0;
    const bool ok = tjDecompressHeader3(handle, data, static_cast<unsigned long>(size), &width,
                                        &height, &subsampling, &colourspace) == 0;
    tjDestroy(handle);
    return ok;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    int width = 0;
    int height = 0;
    const bool header = size > 0 && HeaderSize(data, size, width, height);
    if (header && static_cast<long long>(width) * height > kMaxPixels) {
        return 0;
    }
    ResFileResources resources(
        {{ResourceType::Named(kPictureResourceType), kId, 0, {data, data + size}}});
    fuzz::CountingSink sink;
    const std::optional<RgbImage> picture =
        LoadPicture(resources, kId, kBoxWidth, kBoxHeight, sink);
    if (!picture) {
        return 0;
    }
    // A picture comes only from a header the library read, fitted to its size.
    FUZZ_CHECK(header);
    const FittedSize expected = FitSize(width, height, kBoxWidth, kBoxHeight);
    FUZZ_CHECK(picture->width == expected.width && picture->height == expected.height);
    FUZZ_CHECK(picture->pixels.size() == RgbImageBytes(picture->width, picture->height));
    FUZZ_CHECK(sink.count == 0);
    return 0;
}
