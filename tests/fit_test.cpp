#include <climits>
#include <cstdint>
#include <cstdlib>
#include <random>
#include <vector>

#include <gtest/gtest.h>

// stb's box filter is an exact area average: the reference our resampler is
// held to. Only the tests and the benchmark compile it.
#define STB_IMAGE_RESIZE_IMPLEMENTATION
#define STB_IMAGE_RESIZE_STATIC
#include <stb/stb_image_resize.h>

#include "picture_fixtures.h"
#include "pictures/fit.h"
#include "pictures/resample.h"

namespace brivel {
namespace {

RgbImage Noise(int width, int height, unsigned seed) {
    RgbImage image;
    EXPECT_TRUE(AllocateRgbImage(image, width, height));
    std::mt19937 random(seed);
    for (std::uint8_t& sample : image.pixels) {
        sample = static_cast<std::uint8_t>(random());
    }
    return image;
}

TEST(FitSize, FollowsTheRuleWithTruncation) {
    const struct {
        int sw, sh, bw, bh;
        FittedSize expected;
    } cases[] = {
        {640, 480, 640, 480, {640, 480}},    // factor 1
        {1000, 300, 640, 480, {640, 192}},   // width decides
        {300, 1000, 640, 480, {144, 480}},   // height decides
        {320, 240, 640, 480, {640, 480}},    // enlarged
        {1280, 960, 640, 480, {640, 480}},   // both factors equal
        {1001, 1000, 640, 480, {480, 480}},  // 480.48 truncated
        {7, 3, 640, 480, {640, 274}},        // 274.28 truncated
        // 640 / 1232 x 1232 is 639.999... in double: truncation loses a pixel
        // on both sides, as on Windows.
        {1232, 924, 640, 480, {639, 479}},
        {77, 50, 640, 480, {639, 415}},
        {1000, 1, 640, 480, {640, 0}},  // too thin to keep a row
        {1, 1, INT_MAX, INT_MAX, {INT_MAX, INT_MAX}},
        {0, 480, 640, 480, {0, 0}},
        {640, -480, 640, 480, {0, 0}},
        {640, 480, 0, 480, {0, 0}},
        {640, 480, 640, -1, {0, 0}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.sw << "x" << c.sh << " in " << c.bw << "x" << c.bh);
        const FittedSize got = FitSize(c.sw, c.sh, c.bw, c.bh);
        EXPECT_EQ(got.width, c.expected.width);
        EXPECT_EQ(got.height, c.expected.height);
    }
}

TEST(FitImage, FactorOneIsAnExactCopyAndInPlaceKeepsTheBuffer) {
    const RgbImage source = Noise(7, 5, 1);
    const RgbImage copy = FitImage(source, 7, 5);
    EXPECT_EQ(copy.width, 7);
    EXPECT_EQ(copy.height, 5);
    EXPECT_EQ(copy.pixels, source.pixels);

    // Fits 21 x 10 exactly at factor 1: width decides.
    RgbImage picture = Noise(7, 5, 2);
    const std::vector<std::uint8_t> before = picture.pixels;
    const std::uint8_t* buffer = picture.pixels.data();
    EXPECT_EQ(FitInPlace(picture, 7, 10), FitStatus::Ok);
    EXPECT_EQ(picture.pixels.data(), buffer);
    EXPECT_EQ(picture.pixels, before);
}

// Same pixels as stb's area average, give or take rounding.
TEST(FitImage, MatchesStbBoxFilter) {
    const struct {
        int sw, sh, bw, bh;
    } cases[] = {
        {640, 480, 320, 240},   // halved
        {640, 480, 333, 250},   // uneven shares
        {1001, 701, 64, 64},    // strong shrink
        {37, 23, 100, 100},     // uneven enlargement
        {3, 2, 6, 4},           // doubled: plain replication
        {1232, 924, 640, 480},  // 639 x 479
        {640, 480, 7, 7},       // 7 x 5
        {640, 480, 2, 2},       // 2 x 1
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.sw << "x" << c.sh << " in " << c.bw << "x" << c.bh);
        const RgbImage source = Noise(c.sw, c.sh, static_cast<unsigned>(c.sw));
        const RgbImage ours = FitImage(source, c.bw, c.bh);
        const FittedSize size = FitSize(c.sw, c.sh, c.bw, c.bh);
        ASSERT_EQ(ours.width, size.width);
        ASSERT_EQ(ours.height, size.height);
        std::vector<std::uint8_t> theirs(ours.pixels.size());
        ASSERT_EQ(stbir_resize_uint8_generic(source.pixels.data(), c.sw, c.sh, 0, theirs.data(),
                                             size.width, size.height, 0, 3,
                                             STBIR_ALPHA_CHANNEL_NONE, 0, STBIR_EDGE_CLAMP,
                                             STBIR_FILTER_BOX, STBIR_COLORSPACE_LINEAR, nullptr),
                  1);
        int worst = 0;
        for (std::size_t i = 0; i < theirs.size(); ++i) {
            worst = std::max(worst, std::abs(ours.pixels[i] - theirs[i]));
        }
        EXPECT_LE(worst, 1);
        // A uniform picture stays exactly uniform, however uneven the shares.
        const std::uint8_t colour[] = {37, 150, 222};
        const RgbImage flat = FitImage(testing::Uniform(c.sw, c.sh, colour), c.bw, c.bh);
        EXPECT_TRUE(flat.pixels == testing::Uniform(size.width, size.height, colour).pixels);
    }
}

TEST(FitImage, RefusesWhatItCannotFit) {
    RgbImage picture = Noise(4, 3, 3);
    EXPECT_EQ(FitInPlace(picture, 0, 480), FitStatus::Empty);
    RgbImage thin = Noise(1000, 1, 4);
    EXPECT_EQ(FitInPlace(thin, 640, 480), FitStatus::Empty);  // 640 x 0
    // Refused by the size limit before anything is allocated.
    EXPECT_EQ(FitInPlace(picture, 100000, 100000), FitStatus::OutOfMemory);
    EXPECT_EQ(picture.width, 4);
    EXPECT_EQ(picture.pixels.size(), 36u);

    RgbImage torn = picture;
    torn.pixels.pop_back();
    EXPECT_EQ(FitInPlace(torn, 8, 6), FitStatus::Empty);
    EXPECT_TRUE(FitImage(torn, 8, 6).pixels.empty());
}

}  // namespace
}  // namespace brivel
