#include "pictures/resample.h"

#include <algorithm>
#include <cstdint>
#include <new>
#include <vector>

#include "pictures/fit.h"

namespace brivel {

namespace {

// Fixed point. Horizontal sums of 8-bit samples with 22-bit weights fit in 32
// bits and are kept in 16 bits (value x 256); vertical sums of those with
// 16-bit weights still fit in 32 bits (65280 x 65536 plus rounding < 2^32).
constexpr int kHorizontalBits = 22;
constexpr int kMidShift = kHorizontalBits - 8;
constexpr int kVerticalBits = 16;
constexpr int kOutShift = kVerticalBits + 8;

// What each destination pixel takes from the source along one axis: a window
// of count consecutive source pixels, the same count for every destination
// pixel (zero weights pad the shorter windows) so the loops have a fixed length.
struct Taps {
    int count = 0;
    std::vector<int> first;             // window start, per destination index
    std::vector<std::uint32_t> weight;  // count per destination index, summing to 1 << bits
};

// Destination pixel d spans [d*S, (d+1)*S) and source pixel i spans
// [i*D, (i+1)*D) in units of 1/(S*D) of the whole side, so every overlap is an
// exact integer. The weights are the running total rounded, differenced: each
// within one unit of the exact share, and their sum exactly 1 << bits, so a
// uniform colour stays exactly that colour.
Taps MakeTaps(int sourceSize, int destSize, int bits) {
    const std::int64_t s = sourceSize;
    const std::int64_t d = destSize;
    const std::uint64_t one = std::uint64_t{1} << bits;
    Taps taps;
    for (std::int64_t k = 0; k < d; ++k) {
        const std::int64_t covered = ((k + 1) * s - 1) / d - k * s / d + 1;
        taps.count = std::max(taps.count, static_cast<int>(covered));
    }
    const std::size_t count = static_cast<std::size_t>(taps.count);
    taps.first.resize(static_cast<std::size_t>(d));
    taps.weight.resize(static_cast<std::size_t>(d) * count);
    for (std::int64_t k = 0; k < d; ++k) {
        const std::int64_t lo = k * s;
        const std::int64_t hi = lo + s;
        const std::int64_t first = lo / d;
        const std::int64_t last = (hi - 1) / d;
        // Kept inside the source; the starts still never move backwards.
        const std::int64_t start = std::min(first, s - taps.count);
        taps.first[static_cast<std::size_t>(k)] = static_cast<int>(start);
        std::uint32_t* weight = taps.weight.data() + static_cast<std::size_t>(k) * count;
        std::uint64_t covered = 0;
        std::uint64_t given = 0;
        for (std::int64_t i = first; i <= last; ++i) {
            covered += static_cast<std::uint64_t>(std::min((i + 1) * d, hi) - std::max(i * d, lo));
            const std::uint64_t total =
                (covered * one + static_cast<std::uint64_t>(s) / 2) / static_cast<std::uint64_t>(s);
            weight[i - start] = static_cast<std::uint32_t>(total - given);
            given = total;
        }
    }
    return taps;
}

bool IsWhole(const RgbImage& image) {
    const std::size_t bytes = RgbImageBytes(image.width, image.height);
    return bytes != 0 && image.pixels.size() == bytes;
}

// One source row stretched across: value x 256 per sample. K is the tap count
// when known at compile time, 0 for any.
template <int K>
void StretchRow(const std::uint8_t* in, const Taps& across, int width, std::uint16_t* to) {
    constexpr std::uint32_t half = std::uint32_t{1} << (kMidShift - 1);
    const int count = K > 0 ? K : across.count;
    const std::uint32_t* w = across.weight.data();
    for (int x = 0; x < width; ++x, to += 3, w += count) {
        const std::uint8_t* p = in + static_cast<std::size_t>(across.first[x]) * 3;
        std::uint32_t r = half;
        std::uint32_t g = half;
        std::uint32_t b = half;
        for (int t = 0; t < count; ++t, p += 3) {
            r += w[t] * p[0];
            g += w[t] * p[1];
            b += w[t] * p[2];
        }
        to[0] = static_cast<std::uint16_t>(r >> kMidShift);
        to[1] = static_cast<std::uint16_t>(g >> kMidShift);
        to[2] = static_cast<std::uint16_t>(b >> kMidShift);
    }
}

// One output row from count stretched rows.
template <int K>
void CombineRows(const std::uint16_t* const* rows, const std::uint32_t* w, int count,
                 std::size_t samples, std::uint8_t* to) {
    constexpr std::uint32_t half = std::uint32_t{1} << (kOutShift - 1);
    const int n = K > 0 ? K : count;
    for (std::size_t i = 0; i < samples; ++i) {
        std::uint32_t sum = half;
        for (int t = 0; t < n; ++t) {
            sum += w[t] * rows[t][i];
        }
        to[i] = static_cast<std::uint8_t>(sum >> kOutShift);
    }
}

using StretchFunction = void (*)(const std::uint8_t*, const Taps&, int, std::uint16_t*);
using CombineFunction = void (*)(const std::uint16_t* const*, const std::uint32_t*, int,
                                 std::size_t, std::uint8_t*);

// Halving uses 2 taps, other shrinks up to 3 or 4, enlarging 1 or 2; a
// photo of 4000 x 3000 brought into 640 x 480 takes 7 or 8.
StretchFunction PickStretch(int count) {
    switch (count) {
        case 1:
            return &StretchRow<1>;
        case 2:
            return &StretchRow<2>;
        case 3:
            return &StretchRow<3>;
        case 4:
            return &StretchRow<4>;
        case 7:
            return &StretchRow<7>;
        case 8:
            return &StretchRow<8>;
        default:
            return &StretchRow<0>;
    }
}

CombineFunction PickCombine(int count) {
    switch (count) {
        case 1:
            return &CombineRows<1>;
        case 2:
            return &CombineRows<2>;
        case 3:
            return &CombineRows<3>;
        case 4:
            return &CombineRows<4>;
        case 7:
            return &CombineRows<7>;
        case 8:
            return &CombineRows<8>;
        default:
            return &CombineRows<0>;
    }
}

void ResampleInto(int sourceWidth, int sourceHeight, const SourceRows& source, RgbImage& out) {
    const std::size_t outRow = static_cast<std::size_t>(out.width) * 3;
    const Taps across = MakeTaps(sourceWidth, out.width, kHorizontalBits);
    const Taps down = MakeTaps(sourceHeight, out.height, kVerticalBits);
    const StretchFunction stretch = PickStretch(across.count);
    const CombineFunction combine = PickCombine(down.count);

    // The windows of successive output rows only move forward, so a ring of
    // one window's rows holds every stretched row still needed, and each
    // source row is stretched once.
    const std::size_t ringRows = static_cast<std::size_t>(down.count);
    std::vector<std::uint16_t> ring(ringRows * outRow);
    std::vector<const std::uint16_t*> rows(ringRows);
    std::vector<std::uint8_t> scratch(static_cast<std::size_t>(sourceWidth) * 3);
    int stretched = -1;  // the last source row in the ring
    for (int y = 0; y < out.height; ++y) {
        for (std::size_t t = 0; t < ringRows; ++t) {
            const int j = down.first[y] + static_cast<int>(t);
            std::uint16_t* slot = ring.data() + static_cast<std::size_t>(j) % ringRows * outRow;
            if (j > stretched) {
                stretch(source(j, scratch.data()), across, out.width, slot);
                stretched = j;
            }
            rows[t] = slot;
        }
        combine(rows.data(), down.weight.data() + static_cast<std::size_t>(y) * ringRows,
                down.count, outRow, out.pixels.data() + static_cast<std::size_t>(y) * outRow);
    }
}

}  // namespace

const char* FitStatusName(FitStatus status) {
    switch (status) {
        case FitStatus::Ok:
            return "fitted";
        case FitStatus::Empty:
            return "no picture to fit, or no room to fit it in";
        case FitStatus::OutOfMemory:
            return "the fitted picture is too large to hold";
    }
    return "unknown status";
}

FitStatus Resample(const RgbImage& source, int width, int height, RgbImage& out) {
    if (!IsWhole(source)) {
        return FitStatus::Empty;
    }
    const std::size_t row = static_cast<std::size_t>(source.width) * 3;
    return Resample(
        source.width, source.height,
        [&source, row](int y, std::uint8_t*) {
            return source.pixels.data() + static_cast<std::size_t>(y) * row;
        },
        width, height, out);
}

FitStatus Resample(int sourceWidth, int sourceHeight, const SourceRows& rows, int width, int height,
                   RgbImage& out) {
    if (RgbImageBytes(sourceWidth, sourceHeight) == 0 || width <= 0 || height <= 0) {
        return FitStatus::Empty;
    }
    RgbImage result;
    if (!AllocateRgbImage(result, width, height)) {
        return FitStatus::OutOfMemory;
    }
    try {
        ResampleInto(sourceWidth, sourceHeight, rows, result);
    } catch (const std::bad_alloc&) {
        return FitStatus::OutOfMemory;
    }
    out = std::move(result);
    return FitStatus::Ok;
}

RgbImage FitImage(const RgbImage& source, int boxWidth, int boxHeight) {
    if (!IsWhole(source)) {
        return {};
    }
    const FittedSize size = FitSize(source.width, source.height, boxWidth, boxHeight);
    if (size.width == source.width && size.height == source.height) {
        try {
            return source;
        } catch (const std::bad_alloc&) {
            return {};
        }
    }
    RgbImage out;
    Resample(source, size.width, size.height, out);
    return out;
}

FitStatus FitInPlace(RgbImage& picture, int boxWidth, int boxHeight) {
    if (!IsWhole(picture)) {
        return FitStatus::Empty;
    }
    const FittedSize size = FitSize(picture.width, picture.height, boxWidth, boxHeight);
    if (size.width == picture.width && size.height == picture.height) {
        return FitStatus::Ok;
    }
    return Resample(picture, size.width, size.height, picture);
}

}  // namespace brivel
