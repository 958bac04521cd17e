#pragma once

// Small pictures made in memory for the picture tests: JPEG through
// TurboJPEG, PNG chunk by chunk with zlib.

#include <turbojpeg.h>
#include <zlib.h>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "pictures/image.h"

namespace brivel::testing {

// A smooth picture, so a good JPEG keeps it close.
inline RgbImage Gradient(int width, int height) {
    RgbImage image;
    EXPECT_TRUE(AllocateRgbImage(image, width, height));
    std::uint8_t* p = image.pixels.data();
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x, p += 3) {
            p[0] = static_cast<std::uint8_t>(x * 255 / width);
            p[1] = static_cast<std::uint8_t>(y * 255 / height);
            p[2] = 128;
        }
    }
    return image;
}

// pixels has width x height pixels of the format's size (TJPF_RGB, TJPF_CMYK).
inline std::vector<std::uint8_t> MakeJpegOf(const std::uint8_t* pixels, int width, int height,
                                            int pixelFormat, int subsampling = TJSAMP_444,
                                            int quality = 100) {
    tjhandle compressor = tjInitCompress();
    unsigned char* jpeg = nullptr;
    unsigned long size = 0;
    const int status = tjCompress2(compressor, pixels, width, 0, height, pixelFormat, &jpeg, &size,
                                   subsampling, quality, 0);
    std::vector<std::uint8_t> bytes;
    if (status == 0) {
        bytes.assign(jpeg, jpeg + size);
    }
    tjFree(jpeg);
    tjDestroy(compressor);
    EXPECT_EQ(status, 0);
    return bytes;
}

inline std::vector<std::uint8_t> MakeJpeg(const RgbImage& image, int subsampling = TJSAMP_444) {
    return MakeJpegOf(image.pixels.data(), image.width, image.height, TJPF_RGB, subsampling);
}

inline void PutChunk(std::vector<std::uint8_t>& png, const char* type,
                     const std::vector<std::uint8_t>& data) {
    const auto put32 = [&png](std::uint32_t v) {
        for (int shift = 24; shift >= 0; shift -= 8) {
            png.push_back(static_cast<std::uint8_t>(v >> shift));
        }
    };
    put32(static_cast<std::uint32_t>(data.size()));
    const std::size_t start = png.size();
    png.insert(png.end(), type, type + 4);
    png.insert(png.end(), data.begin(), data.end());
    put32(static_cast<std::uint32_t>(
        crc32(0, png.data() + start, static_cast<uInt>(png.size() - start))));
}

// A PNG whose rows are rowBytes bytes of samples each, every row with filter
// type filter; idat replaces the compressed rows when given.
inline std::vector<std::uint8_t> MakePngOf(
    int width, int height, std::uint8_t colourType, std::uint8_t bitDepth,
    const std::vector<std::uint8_t>& samples, std::uint8_t filter = 0,
    std::optional<std::vector<std::uint8_t>> idat = std::nullopt) {
    std::vector<std::uint8_t> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    const auto w = static_cast<std::uint32_t>(width);
    const auto h = static_cast<std::uint32_t>(height);
    PutChunk(png, "IHDR",
             {static_cast<std::uint8_t>(w >> 24), static_cast<std::uint8_t>(w >> 16),
              static_cast<std::uint8_t>(w >> 8), static_cast<std::uint8_t>(w),
              static_cast<std::uint8_t>(h >> 24), static_cast<std::uint8_t>(h >> 16),
              static_cast<std::uint8_t>(h >> 8), static_cast<std::uint8_t>(h), bitDepth, colourType,
              0, 0, 0});
    if (!idat) {
        const std::size_t rowBytes = samples.size() / static_cast<std::size_t>(height);
        std::vector<std::uint8_t> raw;
        for (int y = 0; y < height; ++y) {
            raw.push_back(filter);
            const auto row = samples.begin() + static_cast<std::ptrdiff_t>(y * rowBytes);
            raw.insert(raw.end(), row, row + static_cast<std::ptrdiff_t>(rowBytes));
        }
        uLongf size = compressBound(static_cast<uLong>(raw.size()));
        idat.emplace(size);
        EXPECT_EQ(compress(idat->data(), &size, raw.data(), static_cast<uLong>(raw.size())), Z_OK);
        idat->resize(size);
    }
    PutChunk(png, "IDAT", *idat);
    PutChunk(png, "IEND", {});
    return png;
}

// A truecolour 8-bit PNG of one colour.
inline std::vector<std::uint8_t> MakePng(
    int width, int height, const std::uint8_t rgb[3], std::uint8_t filter = 0,
    std::optional<std::vector<std::uint8_t>> idat = std::nullopt) {
    std::vector<std::uint8_t> samples;
    if (!idat) {
        for (int i = 0; i < width * height; ++i) {
            samples.insert(samples.end(), rgb, rgb + 3);
        }
    }
    return MakePngOf(width, height, 2, 8, samples, filter, std::move(idat));
}

}  // namespace brivel::testing
