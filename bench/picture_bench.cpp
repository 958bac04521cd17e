// LoadPicture against a bare TurboJPEG decode of the same 640 x 480 file, and
// our resampler against stb's area average.

#include <turbojpeg.h>

#include <cstdint>
#include <optional>
#include <random>
#include <vector>

#include <benchmark/benchmark.h>

#define STB_IMAGE_RESIZE_IMPLEMENTATION
#define STB_IMAGE_RESIZE_STATIC
#include <stb/stb_image_resize.h>

#include "pictures/fit.h"
#include "pictures/picture_loader.h"
#include "pictures/resample.h"

namespace brivel {
namespace {

// Something like a photograph: smooth shading, edges and grain.
RgbImage Scene(int width, int height) {
    RgbImage image;
    AllocateRgbImage(image, width, height);
    std::mt19937 random(42);
    std::uint8_t* p = image.pixels.data();
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x, p += 3) {
            const int grain = static_cast<int>(random() % 17) - 8;
            const bool disc = (x - 320) * (x - 320) + (y - 240) * (y - 240) < 150 * 150;
            const int r = (disc ? 220 : x * 200 / width) + grain;
            const int g = (disc ? 90 : y * 220 / height) + grain;
            const int b = ((x / 40 + y / 40) % 2 == 0 ? 160 : 60) + grain;
            p[0] = static_cast<std::uint8_t>(r < 0 ? 0 : r > 255 ? 255 : r);
            p[1] = static_cast<std::uint8_t>(g < 0 ? 0 : g > 255 ? 255 : g);
            p[2] = static_cast<std::uint8_t>(b < 0 ? 0 : b > 255 ? 255 : b);
        }
    }
    return image;
}

// The usual camera and editor output: quality 85, chroma halved both ways.
const std::vector<std::uint8_t>& Jpeg640x480() {
    static const std::vector<std::uint8_t> bytes = [] {
        const RgbImage scene = Scene(640, 480);
        tjhandle compressor = tjInitCompress();
        unsigned char* jpeg = nullptr;
        unsigned long size = 0;
        tjCompress2(compressor, scene.pixels.data(), 640, 0, 480, TJPF_RGB, &jpeg, &size,
                    TJSAMP_420, 85, 0);
        std::vector<std::uint8_t> out(jpeg, jpeg + size);
        tjFree(jpeg);
        tjDestroy(compressor);
        return out;
    }();
    return bytes;
}

class OnePicture : public ResourceProvider {
public:
    std::optional<std::vector<std::uint8_t>> Find(const ResourceType& type,
                                                  std::uint16_t id) override {
        if (type.name == kPictureResourceType && id == kFirstPictureId) {
            return Jpeg640x480();
        }
        return std::nullopt;
    }
};

class NoMessages : public MessageSink {
public:
    void ShowMessage(const char*, const char*, MessageIcon) override {}
};

// What a program using TurboJPEG directly does for each picture.
void BM_TurboJpegDecode(benchmark::State& state) {
    const std::vector<std::uint8_t>& jpeg = Jpeg640x480();
    for (auto _ : state) {
        tjhandle handle = tjInitDecompress();
        int width = 0;
        int height = 0;
        int subsampling = 0;
        int colourspace = 0;
        tjDecompressHeader3(handle, jpeg.data(), jpeg.size(), &width, &height, &subsampling,
                            &colourspace);
        std::vector<std::uint8_t> pixels(static_cast<std::size_t>(width) * height * 3);
        tjDecompress2(handle, jpeg.data(), jpeg.size(), pixels.data(), width, 0, height, TJPF_RGB,
                      0);
        tjDestroy(handle);
        benchmark::DoNotOptimize(pixels.data());
    }
    state.SetLabel(std::to_string(jpeg.size()) + " bytes");
}
BENCHMARK(BM_TurboJpegDecode)->Unit(benchmark::kMicrosecond);

void BM_LoadPicture(benchmark::State& state) {
    OnePicture resources;
    NoMessages sink;
    const int width = static_cast<int>(state.range(0));
    const int height = static_cast<int>(state.range(1));
    for (auto _ : state) {
        std::optional<RgbImage> picture =
            LoadPicture(resources, kFirstPictureId, width, height, sink);
        if (!picture) {
            state.SkipWithError("no picture");
            break;
        }
        benchmark::DoNotOptimize(picture->pixels.data());
    }
}
BENCHMARK(BM_LoadPicture)->Args({640, 480})->Args({320, 240})->Unit(benchmark::kMicrosecond);

// 640 x 480 into the box: ours, then stb's box filter (the same area average).
void BM_Resample(benchmark::State& state) {
    const RgbImage source = Scene(640, 480);
    const FittedSize size =
        FitSize(640, 480, static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    for (auto _ : state) {
        RgbImage out;
        Resample(source, size.width, size.height, out);
        benchmark::DoNotOptimize(out.pixels.data());
    }
}
BENCHMARK(BM_Resample)->Args({320, 240})->Args({333, 250})->Unit(benchmark::kMicrosecond);

void BM_StbBoxResize(benchmark::State& state) {
    const RgbImage source = Scene(640, 480);
    const FittedSize size =
        FitSize(640, 480, static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    for (auto _ : state) {
        std::vector<std::uint8_t> out(static_cast<std::size_t>(size.width) * size.height * 3);
        stbir_resize_uint8_generic(source.pixels.data(), 640, 480, 0, out.data(), size.width,
                                   size.height, 0, 3, STBIR_ALPHA_CHANNEL_NONE, 0, STBIR_EDGE_CLAMP,
                                   STBIR_FILTER_BOX, STBIR_COLORSPACE_LINEAR, nullptr);
        benchmark::DoNotOptimize(out.data());
    }
}
BENCHMARK(BM_StbBoxResize)->Args({320, 240})->Args({333, 250})->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace brivel
