// Bitmap building: the output formats, the row filters, Adam7 placement.

#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>
#include <new>
#include <stdexcept>

#include "pictures/png_decoder.h"

namespace brivel {
namespace {

struct FormatRow {
    std::uint32_t code;
    std::uint8_t outBits;  // bits of one output pixel
};

// Every layout a bitmap can be asked for; byte 1 set marks those a Windows
// bitmap can show.
constexpr FormatRow kFormats[] = {
    {0x00010100, 1},  {0x00020000, 2},  {0x0002010B, 4},  {0x00040100, 4},  {0x00080100, 8},
    {0x00100001, 16}, {0x00100106, 8},  {0x0208010C, 24}, {0x02100002, 48}, {0x02100107, 24},
    {0x03010100, 1},  {0x03020000, 2},  {0x0302010B, 4},  {0x03040100, 4},  {0x03080100, 8},
    {0x04080000, 16}, {0x04080106, 8},  {0x04100001, 32}, {0x04100005, 16}, {0x04100006, 16},
    {0x0410010A, 8},  {0x0608010E, 32}, {0x0608010D, 24}, {0x06100004, 64}, {0x06100003, 48},
    {0x06100109, 32}, {0x06100108, 24},
};

const FormatRow* FindFormat(std::uint32_t code, std::uint8_t colourType, std::uint8_t bitDepth) {
    if ((code >> 24) != colourType || ((code >> 16) & 0xFF) != bitDepth) {
        return nullptr;
    }
    for (const FormatRow& row : kFormats) {
        if (row.code == code) {
            return &row;
        }
    }
    return nullptr;
}

std::uint32_t DefaultFormat(std::uint8_t colourType, std::uint8_t bitDepth) {
    std::uint32_t converter = 0;
    switch ((colourType << 8) | bitDepth) {
        case 0x0002:
        case 0x0302:
            converter = 11;
            break;
        case 0x0010:
        case 0x0408:
            converter = 6;
            break;
        case 0x0208:
            converter = 12;
            break;
        case 0x0210:
            converter = 7;
            break;
        case 0x0410:
            converter = 10;
            break;
        case 0x0608:
            converter = 14;
            break;
        case 0x0610:
            converter = 9;
            break;
        default:
            break;
    }
    return (std::uint32_t{colourType} << 24) | (std::uint32_t{bitDepth} << 16) | 0x100 | converter;
}

// The bitmap's bits per pixel for the image's own layout.
std::uint16_t ShownBits(std::uint8_t colourType, std::uint8_t bitDepth) {
    switch (colourType) {
        case 0:
        case 3:
            return bitDepth == 1 ? 1 : bitDepth <= 4 ? 4 : 8;
        case 2:
            return 24;
        case 6:
            return 32;
        default:
            return 8;
    }
}

// ---- Converters: one unfiltered source row to one output row ----

using Converter = void (*)(const std::uint8_t* src, std::uint8_t* dst, std::uint32_t pixels,
                           std::size_t srcBytes);

void CopyBytes(const std::uint8_t* src, std::uint8_t* dst, std::uint32_t, std::size_t srcBytes) {
    std::memcpy(dst, src, srcBytes);
}

void SwapSampleBytes(const std::uint8_t* src, std::uint8_t* dst, std::uint32_t,
                     std::size_t srcBytes) {
    for (std::size_t i = 0; i + 1 < srcBytes; i += 2) {
        dst[i] = src[i + 1];
        dst[i + 1] = src[i];
    }
}

void FirstOfPairs(const std::uint8_t* src, std::uint8_t* dst, std::uint32_t, std::size_t srcBytes) {
    for (std::size_t i = 0; i < srcBytes / 2; ++i) {
        dst[i] = src[2 * i];
    }
}

// 2-bit values become 4-bit values of the same number, as a 4-bit bitmap
// cannot show 2-bit pixels.
void Widen2To4(const std::uint8_t* src, std::uint8_t* dst, std::uint32_t pixels, std::size_t) {
    const std::uint32_t outBytes = pixels / 2 + pixels % 2;
    for (std::uint32_t i = 0; i < outBytes; ++i) {
        const unsigned v = src[i / 2];
        const unsigned pair = (i % 2 == 0) ? v >> 4 : v & 0x0F;
        dst[i] = static_cast<std::uint8_t>(((pair & 0x0C) << 2) | (pair & 0x03));
    }
}

// For every pixel of SrcStep bytes, the bytes at the offsets Picks, in that
// order: the byte swaps, reorderings and drops of the converters below.
template <std::size_t SrcStep, std::size_t... Picks>
void PickBytes(const std::uint8_t* src, std::uint8_t* dst, std::uint32_t pixels, std::size_t) {
    for (std::uint32_t p = 0; p < pixels; ++p, src += SrcStep) {
        ((*dst++ = src[Picks]), ...);
    }
}

// Indexed by byte 0 of a format.
constexpr Converter kConverters[15] = {
    CopyBytes,                             // 0: unchanged
    SwapSampleBytes,                       // 1: 16-bit samples little-endian
    PickBytes<6, 5, 4, 3, 2, 1, 0>,        // 2: RGB16 to BGR16
    PickBytes<8, 5, 4, 3, 2, 1, 0>,        // 3: RGBA16 to BGR16
    PickBytes<8, 5, 4, 3, 2, 1, 0, 7, 6>,  // 4: RGBA16 to BGRA16
    PickBytes<4, 1, 0>,                    // 5: grey and alpha 16 to grey 16
    FirstOfPairs,                          // 6: first byte of every pair
    PickBytes<6, 4, 2, 0>,                 // 7: RGB16 to BGR8
    PickBytes<8, 4, 2, 0>,                 // 8: RGBA16 to BGR8
    PickBytes<8, 4, 2, 0, 6>,              // 9: RGBA16 to BGRA8
    PickBytes<4, 0>,                       // 10: grey and alpha 16 to grey 8
    Widen2To4,                             // 11: 2-bit values as 4-bit values
    PickBytes<3, 2, 1, 0>,                 // 12: RGB8 to BGR8
    PickBytes<4, 2, 1, 0>,                 // 13: RGBA8 to BGR8
    PickBytes<4, 2, 1, 0, 3>,              // 14: RGBA8 to BGRA8, not premultiplied
};

// ---- Row filters ----

inline std::uint8_t PaethPredictor(int a, int b, int c) {
    const int pa = std::abs(b - c);
    const int pb = std::abs(a - c);
    const int pc = std::abs(a + b - 2 * c);
    // Ties go to left, then above, as the PNG format orders them.
    const int nearerOfBc = pb <= pc ? b : c;
    return static_cast<std::uint8_t>(pa <= pb && pa <= pc ? a : nearerOfBc);
}

// Reverses filter type 1 to 4 of one row of n bytes (a whole number of
// pixels); Bpp is the distance to the same byte of the pixel on the left.
template <unsigned Bpp>
void UnfilterRow(std::uint8_t filter, const std::uint8_t* in, const std::uint8_t* prev,
                 std::uint8_t* out, std::size_t n) {
    switch (filter) {
        case 1:
            for (std::size_t i = 0; i < Bpp; ++i) {
                out[i] = in[i];
            }
            for (std::size_t i = Bpp; i < n; ++i) {
                out[i] = static_cast<std::uint8_t>(in[i] + out[i - Bpp]);
            }
            break;
        case 2:
            for (std::size_t i = 0; i < n; ++i) {
                out[i] = static_cast<std::uint8_t>(in[i] + prev[i]);
            }
            break;
        case 3:
            for (std::size_t i = 0; i < Bpp; ++i) {
                out[i] = static_cast<std::uint8_t>(in[i] + (prev[i] >> 1));
            }
            for (std::size_t i = Bpp; i < n; ++i) {
                out[i] = static_cast<std::uint8_t>(in[i] + ((out[i - Bpp] + prev[i]) >> 1));
            }
            break;
        default:
            for (std::size_t i = 0; i < Bpp; ++i) {
                out[i] = static_cast<std::uint8_t>(in[i] + prev[i]);
            }
            for (std::size_t i = Bpp; i < n; ++i) {
                out[i] = static_cast<std::uint8_t>(
                    in[i] + PaethPredictor(out[i - Bpp], prev[i], prev[i - Bpp]));
            }
            break;
    }
}

using RowUnfilter = void (*)(std::uint8_t filter, const std::uint8_t* in, const std::uint8_t* prev,
                             std::uint8_t* out, std::size_t n);

RowUnfilter UnfilterFor(std::uint32_t filterDistance) {
    switch (filterDistance) {
        case 2:
            return UnfilterRow<2>;
        case 3:
            return UnfilterRow<3>;
        case 4:
            return UnfilterRow<4>;
        case 6:
            return UnfilterRow<6>;
        case 8:
            return UnfilterRow<8>;
        default:
            return UnfilterRow<1>;
    }
}

// Walks the filtered rows of the raw buffer, giving each one unfiltered:
// in place when its filter is None, else in one of two alternating buffers.
class RowSource {
public:
    RowSource() = default;
    RowSource(const std::uint8_t* raw, std::uint8_t* zeroRow, std::uint8_t* buffer0,
              std::uint8_t* buffer1, RowUnfilter unfilter)
        : raw_(raw), zeroRow_(zeroRow), unfilter_(unfilter), buffers_{buffer0, buffer1} {}

    // Each pass of an interlaced image starts without a previous row.
    void Restart() { prev_ = zeroRow_; }

    // The next row of rowBytes bytes, or null for a filter type above 4.
    const std::uint8_t* Next(std::size_t rowBytes) {
        const std::uint8_t filter = raw_[0];
        const std::uint8_t* in = raw_ + 1;
        raw_ += rowBytes + 1;
        if (filter == 0) {
            prev_ = in;
            return in;
        }
        if (filter > 4) {
            return nullptr;
        }
        std::uint8_t* out = buffers_[next_];
        unfilter_(filter, in, prev_, out, rowBytes);
        next_ ^= 1;
        prev_ = out;
        return out;
    }

private:
    const std::uint8_t* raw_ = nullptr;
    const std::uint8_t* zeroRow_ = nullptr;
    const std::uint8_t* prev_ = zeroRow_;
    RowUnfilter unfilter_ = nullptr;
    std::uint8_t* buffers_[2] = {};
    unsigned next_ = 0;
};

std::size_t PackedBytes(std::uint32_t pixels, std::uint32_t bitsPerPixel) {
    return static_cast<std::size_t>((std::uint64_t{pixels} * bitsPerPixel + 7) / 8);
}

// Clears what follows a row's last pixel: the unused low bits of its last
// byte and the stride's padding, so a bitmap never depends on the encoder's
// filler bits or on the memory's previous content.
void ClearRowTail(std::uint8_t* row, std::uint32_t width, std::uint32_t outBits,
                  std::size_t stride) {
    const std::size_t used = PackedBytes(width, outBits);
    const unsigned spareBits = static_cast<unsigned>((std::uint64_t{width} * outBits) % 8);
    if (spareBits != 0) {
        row[used - 1] &= static_cast<std::uint8_t>(0xFF << (8 - spareBits));
    }
    std::memset(row + used, 0, stride - used);
}

// Puts the converted pixels of a pass row at their columns of the full row.
void SpreadPassRow(const std::uint8_t* passRow, std::uint8_t* destRow, std::uint32_t columns,
                   std::uint32_t xStart, std::uint32_t xStep, std::uint32_t outBits) {
    if (outBits >= 8) {
        const std::size_t bytesPerPixel = outBits / 8;
        for (std::uint32_t k = 0; k < columns; ++k) {
            const std::size_t x = std::size_t{xStart} + std::size_t{k} * xStep;
            std::memcpy(destRow + x * bytesPerPixel, passRow + k * bytesPerPixel, bytesPerPixel);
        }
        return;
    }
    const unsigned mask = (1u << outBits) - 1;
    for (std::uint32_t k = 0; k < columns; ++k) {
        const std::size_t fromBit = std::size_t{k} * outBits;
        const unsigned value = (passRow[fromBit / 8] >> (8 - outBits - fromBit % 8)) & mask;
        const std::size_t toBit = (std::size_t{xStart} + std::size_t{k} * xStep) * outBits;
        destRow[toBit / 8] |= static_cast<std::uint8_t>(value << (8 - outBits - toBit % 8));
    }
}

}  // namespace

void PngDecoder::BuildBitmapInfo(std::uint32_t format, DibInfo& info,
                                 std::uint32_t& chosenFormat) const {
    info = DibInfo{};
    chosenFormat = format == kDefaultPngFormat ? DefaultFormat(colourType_, bitDepth_) : format;
    const FormatRow* row = FindFormat(chosenFormat, colourType_, bitDepth_);
    DibHeader& header = info.header;
    header.width = static_cast<std::int32_t>(width_);
    header.height = static_cast<std::int32_t>(-static_cast<std::int64_t>(height_));
    // Shown layouts agree with ShownBits but for the two that drop alpha to
    // 24 bits; the others describe their rows as rendered.
    header.bitCount = row != nullptr ? row->outBits : ShownBits(colourType_, bitDepth_);
    if (state_ == PngState::Empty) {
        return;  // no image, no colours
    }

    if (colourType_ == 0 || colourType_ == 4) {
        const std::uint32_t ramp = bitDepth_ == 2   ? 4
                                   : bitDepth_ >= 8 ? 256
                                                    : std::uint32_t{1} << bitDepth_;
        for (std::uint32_t i = 0; i < ramp; ++i) {
            const auto level = static_cast<std::uint8_t>(i * 255 / (ramp - 1));
            info.colours[i] = {level, level, level, 0};
        }
        header.clrUsed = ramp;
        info.colourCount = ramp;
    } else if (colourType_ == 3) {
        // The table has a slot for every index a pixel can hold; indexes past
        // the PLTE entries stay black.
        const std::uint32_t slots = std::uint32_t{1} << ShownBits(colourType_, bitDepth_);
        const std::uint32_t filled = paletteCount_ < slots ? paletteCount_ : slots;
        const std::uint8_t* entry = file_ + paletteOffset_;
        for (std::uint32_t i = 0; i < filled; ++i, entry += 3) {
            info.colours[i] = {entry[2], entry[1], entry[0], 0};
        }
        info.colourCount = slots;
    }
}

bool PngDecoder::CheckBitmapRequest(std::uint32_t format) {
    if (state_ != PngState::Decoded) {
        error_ = PngError::WrongState;
        return false;
    }
    if (format != kDefaultPngFormat) {
        const FormatRow* row = FindFormat(format, colourType_, bitDepth_);
        if (row == nullptr || ((format >> 8) & 0xFF) != 1) {
            error_ = PngError::FormatRefused;
            return false;
        }
    }
    return true;
}

// One render in progress: where the unfiltered rows come from, how a row is
// converted, the row layouts, and the buffers they use.
struct PngDecoder::Renderer {
    // A zero row standing for the row above the first, two row buffers, and
    // for an interlaced image a row to convert a pass row into before its
    // pixels are spread out.
    std::unique_ptr<std::uint8_t[]> block;
    RowSource rows;
    Converter convert = nullptr;
    std::uint32_t srcBits = 0;
    std::uint32_t outBits = 0;
    std::size_t rowBytes = 0;  // of one source row, unfiltered
    std::size_t stride = 0;    // of one bitmap row
    std::uint8_t* spread = nullptr;
};

bool PngDecoder::StartRender(std::uint32_t format, Renderer& r) const {
    if (state_ != PngState::Decoded) {
        return false;
    }
    if (format == kDefaultPngFormat) {
        format = DefaultFormat(colourType_, bitDepth_);
    }
    const FormatRow* row = FindFormat(format, colourType_, bitDepth_);
    if (row == nullptr) {
        return false;
    }
    const std::uint32_t srcBits = BitsPerPixel();
    // Fits: the raw buffer, which holds every row and more, did.
    const std::size_t rowBytes = PackedBytes(width_, srcBits);
    const std::size_t stride = DibStride(width_, row->outBits);
    const std::size_t slot = rowBytes;
    const std::size_t spreadRow = interlace_ != 0 ? stride : 0;
    constexpr std::size_t kMax = std::numeric_limits<std::size_t>::max();
    if (stride == 0 || slot > (kMax - spreadRow) / 3) {
        return false;
    }
    r.block.reset(new (std::nothrow) std::uint8_t[3 * slot + spreadRow]);
    if (!r.block) {
        return false;
    }
    std::uint8_t* const b = r.block.get();
    std::memset(b, 0, slot);
    r.rows = RowSource(raw_.data(), b, b + slot, b + 2 * slot,
                       UnfilterFor(srcBits >= 8 ? srcBits / 8 : 1));
    r.convert = kConverters[format & 0xFF];
    r.srcBits = srcBits;
    r.outBits = row->outBits;
    r.rowBytes = rowBytes;
    r.stride = stride;
    r.spread = b + 3 * slot;
    return true;
}

bool PngDecoder::RenderRows(std::uint8_t* dest, std::uint32_t format) {
    Renderer renderer;
    if (!StartRender(format, renderer)) {
        return false;
    }
    return interlace_ == 0 ? RenderStraight(renderer, dest) : RenderInterlaced(renderer, dest);
}

bool PngDecoder::RenderRow(Renderer& r, std::uint8_t* dest) const {
    const std::uint8_t* unfiltered = r.rows.Next(r.rowBytes);
    if (unfiltered == nullptr) {
        return false;
    }
    r.convert(unfiltered, dest, width_, r.rowBytes);
    ClearRowTail(dest, width_, r.outBits, r.stride);
    return true;
}

bool PngDecoder::RenderStraight(Renderer& r, std::uint8_t* dest) const {
    for (std::uint32_t y = 0; y < height_; ++y, dest += r.stride) {
        if (!RenderRow(r, dest)) {
            return false;
        }
    }
    return true;
}

bool PngDecoder::RenderInterlaced(Renderer& r, std::uint8_t* dest) const {
    // Pass pixels land in shared bytes below 8 bits, and no pass writes the
    // padding, so the bitmap starts cleared.
    std::memset(dest, 0, r.stride * height_);
    for (const Adam7Pass& pass : kAdam7) {
        const std::uint32_t columns = PassExtent(width_, pass.xStart, pass.xStep);
        const std::uint32_t passRows = PassExtent(height_, pass.yStart, pass.yStep);
        if (columns == 0 || passRows == 0) {
            continue;
        }
        const std::size_t passRowBytes = PackedBytes(columns, r.srcBits);
        r.rows.Restart();
        for (std::uint32_t y = 0; y < passRows; ++y) {
            std::uint8_t* destRow =
                dest + (std::size_t{pass.yStart} + std::size_t{y} * pass.yStep) * r.stride;
            const std::uint8_t* unfiltered = r.rows.Next(passRowBytes);
            if (unfiltered == nullptr) {
                return false;
            }
            r.convert(unfiltered, r.spread, columns, passRowBytes);
            SpreadPassRow(r.spread, destRow, columns, pass.xStart, pass.xStep, r.outBits);
        }
    }
    return true;
}

PngRows::PngRows(const PngDecoder& decoder, std::uint32_t format)
    : decoder_(decoder), renderer_(new (std::nothrow) PngDecoder::Renderer) {
    if (!renderer_ || !decoder.StartRender(format, *renderer_)) {
        renderer_.reset();
        return;
    }
    // An interlaced picture's rows come whole only once every pass is read.
    const std::size_t count = decoder.interlace() != 0 ? decoder.height() : 1;
    if (count > std::numeric_limits<std::size_t>::max() / renderer_->stride) {
        renderer_.reset();
        return;
    }
    rows_.reset(new (std::nothrow) std::uint8_t[renderer_->stride * count]);
    if (!rows_) {
        renderer_.reset();
    }
}

PngRows::~PngRows() = default;

const std::uint8_t* PngRows::Next() {
    if (!renderer_ || next_ >= decoder_.height()) {
        return nullptr;
    }
    std::uint8_t* row = rows_.get();
    if (decoder_.interlace() != 0) {
        if (next_ == 0 && !decoder_.RenderInterlaced(*renderer_, row)) {
            renderer_.reset();
            return nullptr;
        }
        row += next_ * renderer_->stride;
    } else if (!decoder_.RenderRow(*renderer_, row)) {
        renderer_.reset();
        return nullptr;
    }
    ++next_;
    return row;
}

bool PngDecoder::MakeDib(std::uint32_t format, Dib& out) {
    if (!CheckBitmapRequest(format)) {
        return false;
    }
    std::uint32_t chosen = 0;
    BuildBitmapInfo(format, out.info, chosen);
    const std::size_t bytes = DibBytes(width_, height_, out.info.header.bitCount);
    if (bytes == 0) {
        error_ = PngError::OutOfMemory;
        return false;
    }
    try {
        out.bits.resize(bytes);
    } catch (const std::bad_alloc&) {
        error_ = PngError::OutOfMemory;
        return false;
    } catch (const std::length_error&) {
        error_ = PngError::OutOfMemory;
        return false;
    }
    if (!RenderRows(out.bits.data(), chosen)) {
        out.bits.clear();  // rows past the failure were never written
        return false;
    }
    return true;
}

}  // namespace brivel
