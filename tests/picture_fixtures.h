#pragma once

// Small pictures made in memory for the picture tests: JPEG through
// TurboJPEG, PNG chunk by chunk with zlib.

#include <turbojpeg.h>
#include <zlib.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

#include <gtest/gtest.h>

#include "pictures/image.h"

namespace brivel::testing {

using Bytes = std::vector<std::uint8_t>;

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

inline RgbImage Uniform(int width, int height, const std::uint8_t rgb[3]) {
    RgbImage image;
    EXPECT_TRUE(AllocateRgbImage(image, width, height));
    for (std::size_t i = 0; i < image.pixels.size(); i += 3) {
        std::copy(rgb, rgb + 3, image.pixels.begin() + static_cast<std::ptrdiff_t>(i));
    }
    return image;
}

// pixels has width x height pixels of the format's size (TJPF_RGB, TJPF_CMYK).
inline Bytes MakeJpegOf(const std::uint8_t* pixels, int width, int height, int pixelFormat,
                        int subsampling = TJSAMP_444, int quality = 100, int flags = 0) {
    tjhandle compressor = tjInitCompress();
    unsigned char* jpeg = nullptr;
    unsigned long size = 0;
    const int status = tjCompress2(compressor, pixels, width, 0, height, pixelFormat, &jpeg, &size,
                                   subsampling, quality, flags);
    EXPECT_EQ(status, 0);
    const Bytes bytes(jpeg, jpeg + (status == 0 ? size : 0));
    tjFree(jpeg);
    tjDestroy(compressor);
    return bytes;
}

inline Bytes MakeJpeg(const RgbImage& image, int subsampling = TJSAMP_444) {
    return MakeJpegOf(image.pixels.data(), image.width, image.height, TJPF_RGB, subsampling);
}

inline void PutBe32(Bytes& out, std::uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8) {
        out.push_back(static_cast<std::uint8_t>(v >> shift));
    }
}

inline Bytes Zlib(const Bytes& raw) {
    uLongf size = compressBound(static_cast<uLong>(raw.size()));
    Bytes packed(size);
    EXPECT_EQ(compress(packed.data(), &size, raw.data(), static_cast<uLong>(raw.size())), Z_OK);
    packed.resize(size);
    return packed;
}

// A PNG file put together chunk by chunk, so tests can break any part of it;
// bare chunks when bytes starts empty.
inline constexpr char kPngSignature[] = "\x89PNG\r\n\x1a\n";
struct PngFile {
    Bytes bytes = Bytes(kPngSignature, kPngSignature + 8);
    bool goodCrc = true;

    PngFile& Chunk(const char* type, const Bytes& data) {
        PutBe32(bytes, static_cast<std::uint32_t>(data.size()));
        const std::size_t typeAt = bytes.size();
        bytes.insert(bytes.end(), type, type + 4);
        bytes.insert(bytes.end(), data.begin(), data.end());
        const auto crc = static_cast<std::uint32_t>(
            crc32(0, bytes.data() + typeAt, static_cast<uInt>(4 + data.size())));
        PutBe32(bytes, goodCrc ? crc : ~crc);
        return *this;
    }
    PngFile& Ihdr(std::uint32_t width, std::uint32_t height, std::uint8_t depth,
                  std::uint8_t colourType, std::uint8_t interlace = 0, std::uint8_t compression = 0,
                  std::uint8_t filter = 0, const char* type = "IHDR") {
        Bytes data;
        PutBe32(data, width);
        PutBe32(data, height);
        data.insert(data.end(), {depth, colourType, compression, filter, interlace});
        return Chunk(type, data);
    }
    PngFile& Idat(const Bytes& raw, const char* type = "IDAT") { return Chunk(type, Zlib(raw)); }
    PngFile& End() { return Chunk("IEND", {}); }
};

// A PNG whose rows are rowBytes bytes of samples each, every row with filter
// type filter.
inline Bytes MakePngOf(std::uint32_t width, std::uint32_t height, std::uint8_t colourType,
                       std::uint8_t bitDepth, const Bytes& samples, std::uint8_t filter = 0) {
    const std::size_t rowBytes = samples.size() / height;
    Bytes raw;
    for (std::size_t y = 0; y < height; ++y) {
        raw.push_back(filter);
        const auto row = samples.begin() + static_cast<std::ptrdiff_t>(y * rowBytes);
        raw.insert(raw.end(), row, row + static_cast<std::ptrdiff_t>(rowBytes));
    }
    return PngFile().Ihdr(width, height, bitDepth, colourType).Idat(raw).End().bytes;
}

// A truecolour 8-bit PNG of one colour.
inline Bytes MakePng(std::uint32_t width, std::uint32_t height, const std::uint8_t rgb[3],
                     std::uint8_t filter = 0) {
    return MakePngOf(width, height, 2, 8,
                     Uniform(static_cast<int>(width), static_cast<int>(height), rgb).pixels,
                     filter);
}

}  // namespace brivel::testing
