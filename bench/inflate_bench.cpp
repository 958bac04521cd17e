// Inflate of about 10 MB of PNG image data against zlib's uncompress and
// libdeflate, side by side, then of real streams: the image data of PNG files
// and the deflate data of gzip files of several sizes, read from Debian
// packages where this machine has them. The ratio to report: ours /
// libdeflate, at most 0.9 on each, zlib beside.
//
// The peers check the checksum of the zlib stream of the generated data, as
// a PNG decoder built on them does; ours never reads it (inflate.h). On the
// real streams every peer decodes the bare deflate data, with no checksum.

#include <libdeflate.h>
#include <zlib.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

#include "pictures/big_endian.h"
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

// The real streams, by the files that hold them.
struct RealStream {
    const char* name;
    const char* path;
    bool png;  // else gzip
};
constexpr RealStream kRealStreams[] = {
    {"png-icon-1m", "/usr/share/icons/Adwaita/512x512/devices/camera-web.png", true},
    {"png-icon2-1m", "/usr/share/icons/Adwaita/512x512/devices/audio-headset.png", true},
    {"png-diagram-0.8m", "/usr/share/doc/python3-pip/html/topics/deps.png", true},
    {"png-diagram-6m", "/usr/share/doc/valgrind/html/images/dh-tree.png", true},
    {"png-diagram2-6m", "/usr/share/info/gnupg-module-overview.png", true},
    {"png-chart-18m", "/usr/share/doc/nodejs/contributing/doc_img/compare-boxplot.png", true},
    {"gz-man-8k", "/usr/share/man/man1/ls.1.gz", false},
    {"gz-man-300k", "/usr/share/man/man1/bash.1.gz", false},
    {"gz-news-1.4m", "/usr/share/doc/python3.11/NEWS.gz", false},
    {"gz-charmap-2.6m", "/usr/share/i18n/charmaps/UTF-8.gz", false},
    {"gz-changelog-3.2m", "/usr/share/doc/git/changelog.gz", false},
    {"gz-postscript-13m", "/usr/share/doc/valgrind/valgrind_manual.ps.gz", false},
};

struct Loaded {
    std::string problem;  // why the stream cannot be timed, or empty
    Bytes file;
    std::size_t firstIdat = 0;  // PNG: where its image data starts
    Bytes zlib;                 // the zlib stream (a gzip file's gets a made-up header)
    std::size_t deflateStart = 0;
    Bytes raw;
};

// The offset of the first IDAT chunk, or 0.
std::size_t FirstIdat(const Bytes& file) {
    for (std::size_t at = 8; file.size() >= 12 && at <= file.size() - 12;) {
        if (std::equal(file.begin() + at + 4, file.begin() + at + 8, "IDAT")) {
            return at;
        }
        at += 12 + std::size_t{ReadBigEndian32(file.data() + at)};
    }
    return 0;
}

// The deflate data of a gzip member: after the header and its optional fields.
std::size_t GzipDeflateStart(const Bytes& file) {
    if (file.size() < 18 || file[0] != 0x1F || file[1] != 0x8B || file[2] != 8) {
        return 0;
    }
    const std::uint8_t flags = file[3];
    std::size_t at = 10;
    if ((flags & 4) != 0) {
        at += 2 + (file[at] | std::size_t{file[at + 1]} << 8);
    }
    for (const std::uint8_t nameOrComment : {8, 16}) {
        if ((flags & nameOrComment) != 0) {
            while (at < file.size() && file[at] != 0) {
                ++at;
            }
            ++at;
        }
    }
    if ((flags & 2) != 0) {
        at += 2;
    }
    return at < file.size() ? at : 0;
}

const Loaded& Load(const RealStream& stream) {
    static std::vector<std::unique_ptr<Loaded>> cache(std::size(kRealStreams));
    auto& slot = cache[static_cast<std::size_t>(&stream - kRealStreams)];
    if (slot) {
        return *slot;
    }
    slot = std::make_unique<Loaded>();
    Loaded& loaded = *slot;
    std::ifstream in(stream.path, std::ios::binary);
    loaded.file.assign(std::istreambuf_iterator<char>(in), {});
    if (loaded.file.empty()) {
        loaded.problem = std::string("not on this machine: ") + stream.path;
        return loaded;
    }
    if (stream.png) {
        loaded.firstIdat = FirstIdat(loaded.file);
        IdatReader reader =
            IdatReader::OverChunks(loaded.file.data(), loaded.file.size(), loaded.firstIdat);
        const std::uint8_t* data = nullptr;
        std::size_t size = 0;
        while (loaded.firstIdat != 0 && reader.NextSpan(data, size)) {
            loaded.zlib.insert(loaded.zlib.end(), data, data + size);
        }
        loaded.deflateStart = 2;
    } else if (const std::size_t start = GzipDeflateStart(loaded.file); start != 0) {
        loaded.zlib = {0x78, 0x9C};
        loaded.zlib.insert(loaded.zlib.end(), loaded.file.begin() + start, loaded.file.end());
        loaded.deflateStart = 2;
    }
    // zlib says how long the data is and what it holds.
    z_stream z{};
    std::vector<std::uint8_t> raw(std::size_t{1} << 20);
    if (loaded.zlib.size() <= loaded.deflateStart || inflateInit2(&z, -15) != Z_OK) {
        loaded.problem = "no deflate data found";
        return loaded;
    }
    z.next_in = loaded.zlib.data() + loaded.deflateStart;
    z.avail_in = static_cast<uInt>(loaded.zlib.size() - loaded.deflateStart);
    int status = Z_OK;
    while (status == Z_OK) {
        if (z.total_out == raw.size()) {
            raw.resize(raw.size() * 2);
        }
        z.next_out = raw.data() + z.total_out;
        z.avail_out = static_cast<uInt>(raw.size() - z.total_out);
        status = inflate(&z, Z_NO_FLUSH);
    }
    raw.resize(z.total_out);
    inflateEnd(&z);
    if (status != Z_STREAM_END) {
        loaded.problem = "zlib refuses the data";
    }
    loaded.raw = std::move(raw);
    return loaded;
}

enum class Decoder { Ours, Zlib, Libdeflate };

void BM_InflateReal(benchmark::State& state, const RealStream& stream, Decoder decoder) {
    const Loaded& loaded = Load(stream);
    if (!loaded.problem.empty()) {
        state.SkipWithError(loaded.problem.c_str());
        return;
    }
    const std::uint8_t* deflate = loaded.zlib.data() + loaded.deflateStart;
    const std::size_t deflateSize = loaded.zlib.size() - loaded.deflateStart;
    Bytes out(loaded.raw.size());
    libdeflate_decompressor* decompressor = libdeflate_alloc_decompressor();
    bool ok = decompressor != nullptr;
    for (auto _ : state) {
        switch (decoder) {
            case Decoder::Ours: {
                // A PNG's chunks are read in place, as the PNG decoder does.
                IdatReader reader =
                    stream.png ? IdatReader::OverChunks(loaded.file.data(), loaded.file.size(),
                                                        loaded.firstIdat)
                               : IdatReader::OverBuffer(loaded.zlib.data(), loaded.zlib.size());
                ok &= Inflate(reader, out.data(), out.size()).status == InflateStatus::Ok;
                break;
            }
            case Decoder::Zlib: {
                z_stream z{};
                ok &= inflateInit2(&z, -15) == Z_OK;
                z.next_in = const_cast<Bytef*>(deflate);
                z.avail_in = static_cast<uInt>(deflateSize);
                z.next_out = out.data();
                z.avail_out = static_cast<uInt>(out.size());
                ok &= inflate(&z, Z_FINISH) == Z_STREAM_END;
                inflateEnd(&z);
                break;
            }
            case Decoder::Libdeflate:
                ok &= libdeflate_deflate_decompress(decompressor, deflate, deflateSize, out.data(),
                                                    out.size(), nullptr) == LIBDEFLATE_SUCCESS;
                break;
        }
        benchmark::DoNotOptimize(out.data());
    }
    libdeflate_free_decompressor(decompressor);
    if (!ok || out != loaded.raw) {
        state.SkipWithError("wrong output");
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * loaded.raw.size()));
    state.counters["compressed %"] =
        100.0 * static_cast<double>(deflateSize) /
        static_cast<double>(std::max<std::size_t>(loaded.raw.size(), 1));
}

// Each stream by the three, one after the other.
const bool kRealStreamsRegistered = [] {
    for (const RealStream& stream : kRealStreams) {
        for (const auto& [decoder, name] :
             {std::pair{Decoder::Ours, "ours"}, std::pair{Decoder::Zlib, "zlib"},
              std::pair{Decoder::Libdeflate, "libdeflate"}}) {
            benchmark::RegisterBenchmark(
                (std::string("BM_InflateReal/") + stream.name + "/" + name).c_str(),
                [&stream, decoder = decoder](benchmark::State& state) {
                    BM_InflateReal(state, stream, decoder);
                })
                ->Unit(benchmark::kMillisecond);
        }
    }
    return true;
}();

}  // namespace
}  // namespace brivel
