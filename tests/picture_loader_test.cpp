#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "alloc_hooks.h"
#include "fakes.h"
#include "picture_fixtures.h"
#include "pictures/fit.h"
#include "pictures/jpeg_decoder.h"
#include "pictures/picture_loader.h"

namespace brivel {
namespace {

using namespace testing;  // the pictures and fakes
using Lookups = std::vector<std::pair<std::string, std::uint16_t>>;

constexpr std::uint8_t kOrange[3] = {250, 120, 10};

TEST(PictureLoaderJpeg, DecodesAndRefuses) {
    const RgbImage source = Gradient(48, 32);
    const Bytes jpeg = MakeJpeg(source);
    std::string error = "stale";
    std::optional<RgbImage> decoded = DecodeJpeg(jpeg.data(), jpeg.size(), &error);
    ASSERT_TRUE(decoded);
    EXPECT_EQ(error, "");
    ASSERT_EQ(decoded->width, 48);
    ASSERT_EQ(decoded->height, 32);
    for (std::size_t i = 0; i < source.pixels.size(); ++i) {
        ASSERT_NEAR(decoded->pixels[i], source.pixels[i], 4) << i;
    }

    // A header claiming 65500 x 65500 is refused before the pixels are allocated.
    Bytes huge = jpeg;
    for (std::size_t i = 2; i + 8 < huge.size(); ++i) {
        if (huge[i] == 0xFF && huge[i + 1] == 0xC0) {
            huge[i + 5] = huge[i + 7] = 0xFF;
            huge[i + 6] = huge[i + 8] = 0xDC;
            break;
        }
    }
    const std::pair<Bytes, const char*> bad[] = {{huge, "65500 x 65500"},
                                                 {Bytes(100, 0x55), ""},
                                                 {Bytes(jpeg.begin(), jpeg.begin() + 20), ""}};
    for (const auto& [file, says] : bad) {
        error.clear();
        EXPECT_FALSE(DecodeJpeg(file.data(), file.size(), &error));
        EXPECT_NE(error, "");
        EXPECT_NE(error.find(says), std::string::npos) << error;
    }
    EXPECT_FALSE(DecodeJpeg(nullptr, 0, nullptr));

    // Cut inside the scan: still a picture, with the library's warning.
    const Bytes cut(jpeg.begin(), jpeg.end() - 40);
    error.clear();
    const std::optional<RgbImage> partial = DecodeJpeg(cut.data(), cut.size(), &error);
    ASSERT_TRUE(partial);
    EXPECT_EQ(partial->width, 48);
    EXPECT_NE(error, "");
}

// A top-down bitmap with the given colour table.
Dib MakeDib(std::int32_t width, std::int32_t height, std::uint16_t bitCount, PictureBytes bits,
            const std::vector<DibColour>& colours) {
    Dib dib;
    dib.info.header.width = width;
    dib.info.header.height = -height;
    dib.info.header.bitCount = bitCount;
    std::copy(colours.begin(), colours.end(), dib.info.colours.begin());
    dib.info.colourCount = static_cast<std::uint32_t>(colours.size());
    dib.bits = std::move(bits);
    return dib;
}

TEST(PictureLoaderDib, ConvertsEveryDisplayableBitCount) {
    // 3 x 2 pixels; rows 4-byte aligned, packed indices from the high bits.
    const struct {
        std::uint16_t bitCount;
        PictureBytes bits;
    } cases[] = {
        {1, {0b10100000, 0, 0, 0, 0b01000000, 0, 0, 0}},
        {4, {0x10, 0x10, 0, 0, 0x01, 0x00, 0, 0}},
        {8, {1, 0, 1, 0, 0, 1, 0, 0}},
        {24, {3, 2, 1, 6, 5, 4, 3, 2, 1, 0, 0, 0, 6, 5, 4, 3, 2, 1, 6, 5, 4, 0, 0, 0}},
        {32, {3, 2, 1, 9, 6, 5, 4, 9, 3, 2, 1, 9, 6, 5, 4, 9, 3, 2, 1, 9, 6, 5, 4, 9}},
    };
    // Index 1 is {1, 2, 3}, index 0 is {4, 5, 6}; the direct formats use the same
    // colours so one expectation serves all.
    const Bytes expected = {1, 2, 3, 4, 5, 6, 1, 2, 3, 4, 5, 6, 1, 2, 3, 4, 5, 6};
    for (const auto& c : cases) {
        Dib dib = MakeDib(3, 2, c.bitCount, c.bits, {{6, 5, 4, 0}, {3, 2, 1, 0}});
        const RgbImage image = DibToRgb(dib);
        EXPECT_EQ(image.width, 3);
        EXPECT_EQ(image.height, 2);
        EXPECT_EQ(image.pixels, expected) << c.bitCount << " bits";

        dib.bits.pop_back();  // one byte short of the last row
        EXPECT_TRUE(DibToRgb(dib).pixels.empty()) << c.bitCount << " bits";
    }

    // An index past the filled entries is black; 16 bits is not shown.
    Dib dib = MakeDib(1, 1, 8, {200, 0, 0, 0}, {{9, 9, 9, 0}});
    EXPECT_EQ(DibToRgb(dib).pixels, (Bytes{0, 0, 0}));
    dib.info.header.bitCount = 16;
    EXPECT_TRUE(DibToRgb(dib).pixels.empty());
}

TEST(PictureLoader, TakesTheJpegPathWhenAnImgResourceExists) {
    FakeResources resources;
    resources.Add("IMG", 401, MakeJpeg(Gradient(64, 48)));
    resources.Add("IMG", 421, MakeJpeg(Gradient(16, 16)));
    RecordingSink sink;

    std::optional<RgbImage> first = LoadPicture(resources, PictureResourceId(0), 32, 32, sink);
    ASSERT_TRUE(first);
    EXPECT_EQ(first->width, 32);
    EXPECT_EQ(first->height, 24);
    std::optional<RgbImage> last = LoadPicture(resources, PictureResourceId(20), 640, 480, sink);
    ASSERT_TRUE(last);
    EXPECT_EQ(last->width, 480);
    EXPECT_EQ(last->height, 480);
    EXPECT_EQ(resources.lookups, (Lookups{{"IMG", 401}, {"IMG", 421}}));
    EXPECT_TRUE(sink.messages.empty());

    // A fitted picture too large to hold is a memory failure, told as such.
    EXPECT_FALSE(LoadPicture(resources, 401, 100000, 100000, sink));
    EXPECT_EQ(sink.Said(), "information: erreur m\xE9moire [1]\n");
}

TEST(PictureLoader, FailuresAndThePngFallback) {
    Bytes damagedJpeg = MakeJpeg(Gradient(16, 16));
    damagedJpeg.resize(30);
    const Bytes png = MakePng(20, 10, kOrange);
    // Block type 3 does not exist: the file's structure is fine, its data is not.
    const Bytes badData =
        PngFile().Ihdr(20, 10, 8, 2).Chunk("IDAT", {0x78, 0x9C, 0x07, 0, 0}).End().bytes;
    const Bytes badFilter = MakePng(20, 10, kOrange, 5);
    const Bytes notPng(64, 0x42);
    const Bytes forgedSize =
        PngFile().Ihdr(12000, 8000, 8, 2).Chunk("IDAT", {0x78, 0x9C, 0x03, 0x00}).End().bytes;

    const char* const kDecodeError = "Error: couldn't decode PNG resource";
    const Lookups both = {{"IMG", 405}, {"#10", 405}};
    const struct {
        const char* name;
        const Bytes* img;
        const Bytes* rcdata;
        bool shown;
        const char* message;  // nullptr: none
        Lookups lookups;
    } cases[] = {
        {"nothing", nullptr, nullptr, false, nullptr, both},
        {"damaged jpeg", &damagedJpeg, &png, false, nullptr, {{"IMG", 405}}},
        {"png", nullptr, &png, true, nullptr, both},
        {"png data", nullptr, &badData, false, kDecodeError, both},
        {"png filter", nullptr, &badFilter, false, "Error: couldn't create bitmap", both},
        {"not png", nullptr, &notPng, false, nullptr, both},
        {"png too large to hold", nullptr, &forgedSize, false, kDecodeError, both},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FakeResources resources;
        if (c.img != nullptr) {
            resources.Add("IMG", 405, *c.img);
        }
        if (c.rcdata != nullptr) {
            resources.Add("#10", 405, *c.rcdata);
        }
        RecordingSink sink;
        testing::TakeLargestAllocation();
        const std::optional<RgbImage> picture = LoadPicture(resources, 405, 640, 480, sink);
        // No more than the fitted picture, whatever a header claims.
        EXPECT_LE(testing::TakeLargestAllocation(), std::size_t{640 * 480 * 3});
        EXPECT_EQ(picture.has_value(), c.shown);
        EXPECT_EQ(resources.lookups, c.lookups);
        EXPECT_EQ(sink.Said(), c.message ? "APPNAME: " + std::string(c.message) + " [2]\n" : "");
        if (picture) {
            // 20 x 10 enlarged to 640 x 320, still one colour.
            EXPECT_EQ(picture->width, 640);
            EXPECT_EQ(picture->height, 320);
            EXPECT_TRUE(picture->pixels == testing::Uniform(640, 320, kOrange).pixels);
        }
    }
}

}  // namespace
}  // namespace brivel
