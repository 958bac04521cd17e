// Inflate of about 10 MB of PNG image data against zlib's uncompress and
// libdeflate, side by side. The ratios to report: ours / zlib (target at most
// 1.0) and ours / libdeflate (aim: at most 1.3).

#include <libdeflate.h>
#include <zlib.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <random>
#include <vector>

#include <benchmark/benchmark.h>

#include "pictures/inflate.h"

namespace brivel {
namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr int kWidth = 2000;
constexpr int kHeight = 1700;  // 2000 x 1700 RGB: 10.2 MB of filtered rows
constexpr std::size_t kIdatSize = 65536;

// A photograph's worth of rows: smooth shading at a few scales, hard-edged
// regions, grain, then PNG filtering with the per-row choice encoders make
// (the filter with the smallest sum of absolute residuals).
Bytes PhotoRows() {
    std::mt19937 random(2024);
    std::normal_distribution<double> grain(0.0, 2.5);
    const int stride = kWidth * 3;
    std::vector<std::uint8_t> previous(stride, 0), current(stride);
    Bytes rows;
    rows.reserve(static_cast<std::size_t>(kHeight) * (stride + 1));
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            const double shade = 120 + 60 * std::sin(x * 0.004 + y * 0.003) +
                                 25 * std::sin(x * 0.03) * std::cos(y * 0.025) +
                                 8 * std::sin((x + 2 * y) * 0.21);
            const bool region = ((x / 170) + (y / 130)) % 3 == 0;
            for (int c = 0; c < 3; ++c) {
                const double value =
                    shade * (0.8 + 0.15 * c) + (region ? 40 - 25 * c : 0) + grain(random);
                current[x * 3 + c] = static_cast<std::uint8_t>(std::clamp(value, 0.0, 255.0));
            }
        }
        Bytes best;
        long bestCost = -1;
        for (int filter = 0; filter < 5; ++filter) {
            Bytes row = {static_cast<std::uint8_t>(filter)};
            long cost = 0;
            for (int i = 0; i < stride; ++i) {
                const int a = i >= 3 ? current[i - 3] : 0, b = previous[i],
                          c = i >= 3 ? previous[i - 3] : 0;
                const int p = a + b - c, pa = std::abs(p - a), pb = std::abs(p - b),
                          pc = std::abs(p - c);
                const int predictors[5] = {0, a, b, (a + b) / 2,
                                           pa <= pb && pa <= pc ? a
                                           : pb <= pc           ? b
                                                                : c};
                const auto residual = static_cast<std::uint8_t>(current[i] - predictors[filter]);
                row.push_back(residual);
                cost += residual < 128 ? residual : 256 - residual;
            }
            if (bestCost < 0 || cost < bestCost) {
                bestCost = cost;
                best = row;
            }
        }
        rows.insert(rows.end(), best.begin(), best.end());
        previous = current;
    }
    return rows;
}

struct Corpus {
    Bytes raw;
    Bytes stream;      // zlib level 6
    Bytes idatChunks;  // the stream as 64 KB IDAT chunks
};

const Corpus& TheCorpus() {
    static const Corpus corpus = [] {
        Corpus c;
        c.raw = PhotoRows();
        uLongf size = compressBound(static_cast<uLong>(c.raw.size()));
        c.stream.resize(size);
        compress2(c.stream.data(), &size, c.raw.data(), static_cast<uLong>(c.raw.size()), 6);
        c.stream.resize(size);
        for (std::size_t at = 0; at < c.stream.size(); at += kIdatSize) {
            const std::size_t length = std::min(kIdatSize, c.stream.size() - at);
            const std::uint8_t header[8] = {static_cast<std::uint8_t>(length >> 24),
                                            static_cast<std::uint8_t>(length >> 16),
                                            static_cast<std::uint8_t>(length >> 8),
                                            static_cast<std::uint8_t>(length),
                                            'I',
                                            'D',
                                            'A',
                                            'T'};
            c.idatChunks.insert(c.idatChunks.end(), header, header + 8);
            c.idatChunks.insert(c.idatChunks.end(), c.stream.begin() + at,
                                c.stream.begin() + at + length);
            c.idatChunks.insert(c.idatChunks.end(), 4, 0);  // CRC, never read
        }
        return c;
    }();
    return corpus;
}

void Finish(benchmark::State& state, const Corpus& corpus, const Bytes& out, bool ok) {
    if (!ok || out != corpus.raw) {
        state.SkipWithError("wrong output");
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * corpus.raw.size()));
    state.counters["compressed %"] = 100.0 * corpus.stream.size() / corpus.raw.size();
}

void BM_InflateOurs(benchmark::State& state) {
    const Corpus& corpus = TheCorpus();
    Bytes out(corpus.raw.size());
    bool ok = true;
    for (auto _ : state) {
        IdatReader reader = IdatReader::OverBuffer(corpus.stream.data(), corpus.stream.size());
        ok &= Inflate(reader, out.data(), out.size()).status == InflateStatus::Ok;
        benchmark::DoNotOptimize(out.data());
    }
    Finish(state, corpus, out, ok);
}
BENCHMARK(BM_InflateOurs)->Unit(benchmark::kMillisecond);

void BM_InflateOursOverIdatChunks(benchmark::State& state) {
    const Corpus& corpus = TheCorpus();
    Bytes out(corpus.raw.size());
    bool ok = true;
    for (auto _ : state) {
        IdatReader reader =
            IdatReader::OverChunks(corpus.idatChunks.data(), corpus.idatChunks.size(), 0);
        ok &= Inflate(reader, out.data(), out.size()).status == InflateStatus::Ok;
        benchmark::DoNotOptimize(out.data());
    }
    Finish(state, corpus, out, ok);
}
BENCHMARK(BM_InflateOursOverIdatChunks)->Unit(benchmark::kMillisecond);

void BM_InflateZlibUncompress(benchmark::State& state) {
    const Corpus& corpus = TheCorpus();
    Bytes out(corpus.raw.size());
    bool ok = true;
    for (auto _ : state) {
        uLongf size = static_cast<uLongf>(out.size());
        ok &= uncompress(out.data(), &size, corpus.stream.data(),
                         static_cast<uLong>(corpus.stream.size())) == Z_OK;
        benchmark::DoNotOptimize(out.data());
    }
    Finish(state, corpus, out, ok);
}
BENCHMARK(BM_InflateZlibUncompress)->Unit(benchmark::kMillisecond);

void BM_InflateLibdeflate(benchmark::State& state) {
    const Corpus& corpus = TheCorpus();
    Bytes out(corpus.raw.size());
    libdeflate_decompressor* decompressor = libdeflate_alloc_decompressor();
    bool ok = decompressor != nullptr;
    for (auto _ : state) {
        ok &= libdeflate_zlib_decompress(decompressor, corpus.stream.data(), corpus.stream.size(),
                                         out.data(), out.size(), nullptr) == LIBDEFLATE_SUCCESS;
        benchmark::DoNotOptimize(out.data());
    }
    libdeflate_free_decompressor(decompressor);
    Finish(state, corpus, out, ok);
}
BENCHMARK(BM_InflateLibdeflate)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace brivel
