// Whole PNG decodes of a truecolour picture: ours (load, inflate, bitmap in
// the default format) against libspng and libpng's simplified API, each
// producing 24-bit pixels.

#include <png.h>
#include <spng.h>

#include <cstdint>
#include <cstring>
#include <map>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include <benchmark/benchmark.h>

#include "pictures/png_decoder.h"

namespace brivel {
namespace {

using Bytes = std::vector<std::uint8_t>;

std::uint8_t Clamp(int v) {
    return static_cast<std::uint8_t>(v < 0 ? 0 : v > 255 ? 255 : v);
}

// Something like a photograph: smooth shading, a few hard edges and grain,
// the geometry scaled to the picture.
Bytes Scene(int width, int height) {
    Bytes pixels(static_cast<std::size_t>(width) * height * 3);
    std::mt19937 random(42);
    std::uint8_t* p = pixels.data();
    const int cx = width / 2;
    const int cy = height / 2;
    const int radius = height / 3;
    const int tile = width / 16;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x, p += 3) {
            const int grain = static_cast<int>(random() % 9) - 4;
            const bool disc = std::int64_t{x - cx} * (x - cx) + std::int64_t{y - cy} * (y - cy) <
                              std::int64_t{radius} * radius;
            const int shade = (x + y) * 64 / (width + height);
            p[0] = Clamp((disc ? 200 + shade / 2 : x * 200 / width) + grain);
            p[1] = Clamp((disc ? 90 : y * 220 / height) + shade + grain);
            p[2] = Clamp(((x / tile + y / tile) % 2 == 0 ? 160 : 60) + grain);
        }
    }
    return pixels;
}

void Append(png_structp png, png_bytep data, size_t size) {
    auto* out = static_cast<Bytes*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + size);
}
void NoFlush(png_structp) {}

// Encoded once per size with libpng's default filters and compression.
const Bytes& Png(int width, int height) {
    static std::map<std::pair<int, int>, Bytes> cache;
    Bytes& file = cache[{width, height}];
    if (!file.empty()) {
        return file;
    }
    Bytes pixels = Scene(width, height);
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        file.clear();
        return file;
    }
    png_set_write_fn(png, &file, Append, NoFlush);
    png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8,
                 PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (int y = 0; y < height; ++y) {
        png_write_row(png, pixels.data() + static_cast<std::size_t>(y) * width * 3);
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return file;
}

void Label(benchmark::State& state, const Bytes& file) {
    const std::int64_t pixels = state.range(0) * state.range(1);
    state.SetBytesProcessed(state.iterations() * pixels * 3);
    state.SetLabel(std::to_string(file.size()) + " bytes of PNG");
}

void BM_BrivelPngDecode(benchmark::State& state) {
    const Bytes& file = Png(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    for (auto _ : state) {
        PngDecoder decoder;
        Dib dib;
        if (!decoder.LoadFromMemory(file.data(), file.size()) || !decoder.Decode() ||
            !decoder.MakeDib(kDefaultPngFormat, dib)) {
            state.SkipWithError(PngErrorName(decoder.error()));
            break;
        }
        benchmark::DoNotOptimize(dib.bits.data());
    }
    Label(state, file);
}

void BM_SpngDecode(benchmark::State& state) {
    const Bytes& file = Png(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    for (auto _ : state) {
        spng_ctx* ctx = spng_ctx_new(0);
        spng_set_png_buffer(ctx, file.data(), file.size());
        std::size_t size = 0;
        spng_decoded_image_size(ctx, SPNG_FMT_RGB8, &size);
        Bytes pixels(size);
        const int status = spng_decode_image(ctx, pixels.data(), size, SPNG_FMT_RGB8, 0);
        spng_ctx_free(ctx);
        if (status != 0) {
            state.SkipWithError(spng_strerror(status));
            break;
        }
        benchmark::DoNotOptimize(pixels.data());
    }
    Label(state, file);
}

void BM_LibpngSimplifiedDecode(benchmark::State& state) {
    const Bytes& file = Png(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    for (auto _ : state) {
        png_image image;
        std::memset(&image, 0, sizeof image);
        image.version = PNG_IMAGE_VERSION;
        if (png_image_begin_read_from_memory(&image, file.data(), file.size()) == 0) {
            state.SkipWithError(image.message);
            break;
        }
        image.format = PNG_FORMAT_RGB;
        Bytes pixels(PNG_IMAGE_SIZE(image));
        if (png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr) == 0) {
            state.SkipWithError(image.message);
            break;
        }
        benchmark::DoNotOptimize(pixels.data());
    }
    Label(state, file);
}

BENCHMARK(BM_BrivelPngDecode)->Args({640, 480})->Args({4000, 3000})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SpngDecode)->Args({640, 480})->Args({4000, 3000})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LibpngSimplifiedDecode)
    ->Args({640, 480})
    ->Args({4000, 3000})
    ->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace brivel
