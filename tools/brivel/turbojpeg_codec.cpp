#include "turbojpeg_codec.h"

#include <turbojpeg.h>
#include <webp/decode.h>

#include <algorithm>
#include <climits>
#include <new>

#include "pictures/turbojpeg_handle.h"

namespace brivel::tool {

namespace {

JpegChroma ChromaOf(int subsampling) {
    switch (subsampling) {
        case TJSAMP_GRAY:
            return JpegChroma::Grey;
        case TJSAMP_444:
            return JpegChroma::Full;
        default:
            return JpegChroma::Subsampled;
    }
}

int SubsamplingOf(JpegChroma chroma) {
    switch (chroma) {
        case JpegChroma::Grey:
            return TJSAMP_GRAY;
        case JpegChroma::Full:
            return TJSAMP_444;
        case JpegChroma::Subsampled:
            break;
    }
    return TJSAMP_420;
}

// The smallest TurboJPEG scale whose picture still covers width x height.
tjscalingfactor ScaleCovering(const JpegHeader& header, int width, int height) {
    tjscalingfactor best{1, 1};
    int count = 0;
    const tjscalingfactor* factors = tjGetScalingFactors(&count);
    for (int i = 0; factors != nullptr && i < count; ++i) {
        const tjscalingfactor f = factors[i];
        if (f.num <= 0 || f.denom <= 0 || f.num > f.denom ||
            f.num * best.denom >= best.num * f.denom) {
            continue;
        }
        if (TJSCALED(header.width, f) >= width && TJSCALED(header.height, f) >= height) {
            best = f;
        }
    }
    return best;
}

// Copies a buffer TurboJPEG allocated into out, and frees it.
void TakeTurboJpegBuffer(unsigned char* buffer, unsigned long size,
                         std::vector<std::uint8_t>& out) {
    try {
        out.assign(buffer, buffer + size);
    } catch (const std::bad_alloc&) {
        out.clear();
    }
    tjFree(buffer);
}

// TurboJPEG's transform for each orientation, by its value (0 is none).
constexpr TJXOP kTurnOperation[] = {TJXOP_NONE,   TJXOP_NONE,       TJXOP_HFLIP,
                                    TJXOP_ROT180, TJXOP_VFLIP,      TJXOP_TRANSPOSE,
                                    TJXOP_ROT90,  TJXOP_TRANSVERSE, TJXOP_ROT270};

}  // namespace

bool TurboJpegCodec::ReadJpegHeader(const std::uint8_t* data, std::size_t size, JpegHeader& header,
                                    std::string& reason) {
    if (size > ULONG_MAX) {
        reason = "JPEG data too large";
        return false;
    }
    TurboJpegHandle decompressor(tjInitDecompress());
    int subsampling = 0;
    int colourspace = 0;
    if (decompressor.get() == nullptr ||
        tjDecompressHeader3(decompressor.get(), data, static_cast<unsigned long>(size),
                            &header.width, &header.height, &subsampling, &colourspace) != 0) {
        reason = decompressor.Message();
        return false;
    }
    header.cmyk = colourspace == TJCS_CMYK || colourspace == TJCS_YCCK;
    header.chroma = ChromaOf(subsampling);
    const bool known = subsampling >= 0 && subsampling < TJ_NUMSAMP;
    header.blockWidth = known ? tjMCUWidth[subsampling] : 0;
    header.blockHeight = known ? tjMCUHeight[subsampling] : 0;
    return true;
}

JpegResult TurboJpegCodec::DecodeJpeg(const std::uint8_t* data, std::size_t size,
                                      const JpegHeader& header, int width, int height,
                                      RgbImage& out, std::string& message) {
    TurboJpegHandle decompressor(tjInitDecompress());
    if (decompressor.get() == nullptr) {
        message = decompressor.Message();
        return JpegResult::OutOfMemory;
    }
    const tjscalingfactor scale = ScaleCovering(header, width, height);
    const int scaledWidth = TJSCALED(header.width, scale);
    const int scaledHeight = TJSCALED(header.height, scale);
    const int samples = header.cmyk ? 4 : 3;
    if (!AllocateRgbImage(out, scaledWidth, scaledHeight)) {
        message = "out of memory for the JPEG's pixels";
        return JpegResult::OutOfMemory;
    }
    std::vector<std::uint8_t> cmyk;
    try {
        cmyk.resize(header.cmyk ? out.pixels.size() / 3 * 4 : 0);
    } catch (const std::bad_alloc&) {
        message = "out of memory for the JPEG's pixels";
        return JpegResult::OutOfMemory;
    }
    std::uint8_t* target = header.cmyk ? cmyk.data() : out.pixels.data();
    JpegResult result = JpegResult::Ok;
    // A scan limit guards against progressive files forged to take minutes;
    // a warning (damaged data the library gets past) still gives the picture.
    if (tjDecompress2(decompressor.get(), data, static_cast<unsigned long>(size), target,
                      scaledWidth, scaledWidth * samples, scaledHeight,
                      header.cmyk ? TJPF_CMYK : TJPF_RGB, TJFLAG_LIMITSCANS) != 0) {
        message = decompressor.Message();
        if (tjGetErrorCode(decompressor.get()) != TJERR_WARNING) {
            return JpegResult::Failed;
        }
        result = JpegResult::Damaged;
    }
    if (header.cmyk) {
        // The library gives Adobe's inverted CMYK.
        const std::uint8_t* from = cmyk.data();
        for (std::uint8_t* to = out.pixels.data(); to != out.pixels.data() + out.pixels.size();
             to += 3, from += 4) {
            const unsigned k = from[3];
            to[0] = static_cast<std::uint8_t>((from[0] * k + 127) / 255);
            to[1] = static_cast<std::uint8_t>((from[1] * k + 127) / 255);
            to[2] = static_cast<std::uint8_t>((from[2] * k + 127) / 255);
        }
    }
    return result;
}

JpegResult TurboJpegCodec::EncodeJpeg(const RgbImage& image, JpegChroma chroma, int quality,
                                      std::vector<std::uint8_t>& out, std::string& reason) {
    TurboJpegHandle compressor(tjInitCompress());
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    if (compressor.get() == nullptr ||
        tjCompress2(compressor.get(), image.pixels.data(), image.width, 0, image.height, TJPF_RGB,
                    &buffer, &size, SubsamplingOf(chroma), std::clamp(quality, 1, 100), 0) != 0) {
        tjFree(buffer);
        reason = compressor.Message();
        return JpegResult::Failed;
    }
    TakeTurboJpegBuffer(buffer, size, out);
    if (out.empty()) {
        reason = "out of memory for the JPEG";
        return JpegResult::OutOfMemory;
    }
    return JpegResult::Ok;
}

bool TurboJpegCodec::TurnJpeg(const std::uint8_t* data, std::size_t size, Orientation orientation,
                              std::vector<std::uint8_t>& out) {
    TurboJpegHandle transformer(tjInitTransform());
    if (transformer.get() == nullptr) {
        return false;
    }
    tjtransform transform{};
    transform.op = kTurnOperation[static_cast<int>(orientation)];
    transform.options = TJXOPT_PERFECT | TJXOPT_COPYNONE;
    unsigned char* buffer = nullptr;
    unsigned long turnedSize = 0;
    if (tjTransform(transformer.get(), data, static_cast<unsigned long>(size), 1, &buffer,
                    &turnedSize, &transform, TJFLAG_LIMITSCANS) != 0) {
        tjFree(buffer);
        return false;
    }
    TakeTurboJpegBuffer(buffer, turnedSize, out);
    return !out.empty();
}

bool TurboJpegCodec::DecodeOther(const std::uint8_t* data, std::size_t size, int& width,
                                 int& height, std::vector<std::uint8_t>* rgba,
                                 std::string& reason) {
    if (WebPGetInfo(data, size, &width, &height) == 0) {
        reason = "not a WebP picture libwebp reads";
        return false;
    }
    // Checked before libwebp allocates the pixels.
    if (rgba == nullptr || RgbImageBytes(width, height) == 0) {
        return true;
    }
    std::uint8_t* pixels = WebPDecodeRGBA(data, size, &width, &height);
    if (pixels == nullptr) {
        reason = "libwebp cannot decode it: damaged or cut short";
        return false;
    }
    try {
        rgba->assign(pixels, pixels + static_cast<std::size_t>(width) * height * 4);
    } catch (const std::bad_alloc&) {
        WebPFree(pixels);
        reason = "out of memory for its pixels";
        return false;
    }
    WebPFree(pixels);
    return true;
}

}  // namespace brivel::tool
