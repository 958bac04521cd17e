#pragma once

// The player's own PNG decoder: checks a PNG file's structure, inflates its
// image data, and builds a bitmap from the raw rows.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "pictures/dib.h"
#include "services/resource_provider.h"

namespace brivel {

enum class PngError : std::int32_t {
    None = 0,
    OutOfMemory = 0x1001,       // the raw buffer or the pixel buffer
    NotEmpty = 0x1002,          // a load into a decoder that already holds a file
    BadFile = 0x2000,           // not a PNG file, or damaged data
    Unsupported = 0x2001,       // a PNG this decoder does not read
    FormatRefused = 0x2002,     // an output format the image cannot have
    WrongState = 0x2003,        // an operation called out of order
    BitmapRefused = 0x2006,     // the platform refused to make the bitmap
    ResourceNotFound = 0x3001,  // no RCDATA resource with that id
    ResourceEmpty = 0x3002,     // the resource cannot be loaded or is empty
};

// The eight bytes every PNG file starts with.
inline constexpr std::uint8_t kPngSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

// The enumerator's name ("BadFile"), for messages of the tool.
const char* PngErrorName(PngError error);

// A PngFormat: source colour type (byte 3), bit depth (byte 2), displayable
// (byte 1), converter (byte 0). kDefaultPngFormat asks for the image's own.
inline constexpr std::uint32_t kDefaultPngFormat = 0xFFFFFFFF;

enum class PngState : std::uint32_t { Empty = 0, Loaded = 1, Decoded = 2 };

// Used in a fixed order: load, Decode, then any number of bitmaps.
class PngDecoder {
public:
    PngDecoder() = default;
    PngDecoder(const PngDecoder&) = delete;
    PngDecoder& operator=(const PngDecoder&) = delete;

    // The file in RCDATA resource id; the decoder keeps the bytes.
    bool LoadFromResource(ResourceProvider& resources, std::uint16_t id);
    // A file in memory, borrowed: it must outlive the decoder's use of it.
    bool LoadFromMemory(const std::uint8_t* data, std::size_t size);
    bool Decode();

    // The header and colour table of a bitmap in format (kDefaultPngFormat for
    // the image's own), and the format chosen.
    void BuildBitmapInfo(std::uint32_t format, DibInfo& info, std::uint32_t& chosenFormat) const;
    // Unfilters, de-interlaces and converts every row into dest, which holds
    // |height| rows of DibStride(width, info.header.bitCount) bytes. format is
    // kDefaultPngFormat or any row of the format table for this image, shown
    // or not. False, with the error unchanged, before Decode, for another
    // format, on a filter type above 4 or when the row buffers cannot be had.
    bool RenderRows(std::uint8_t* dest, std::uint32_t format);
    // The portable MakeBitmap: checks state and format, then builds the whole
    // bitmap. False with the error set, or with it unchanged on a render failure.
    bool MakeDib(std::uint32_t format, Dib& out);
    // The checks every MakeBitmap makes first, the Win32 one included: false
    // with WrongState before Decode, or with FormatRefused for an explicit
    // format that is not a shown row of the format table for this image.
    bool CheckBitmapRequest(std::uint32_t format);
    // Records a failure of a MakeBitmap outside the decoder: OutOfMemory for
    // its pixel buffer, BitmapRefused when the platform refuses the bitmap.
    void SetBitmapError(PngError error) { error_ = error; }

    PngError error() const { return error_; }
    PngState state() const { return state_; }
    std::uint32_t width() const { return width_; }
    std::uint32_t height() const { return height_; }
    std::uint8_t colourType() const { return colourType_; }
    std::uint8_t bitDepth() const { return bitDepth_; }
    std::uint8_t interlace() const { return interlace_; }
    std::uint32_t paletteCount() const { return paletteCount_; }
    // The data of the first tRNS chunk before the image data, or null. The
    // players' bitmaps ignore it; the maker lays what it hides on a colour.
    const std::uint8_t* transparency(std::size_t& length) const {
        length = transparencyLength_;
        return transparencyOffset_ != 0 ? file_ + transparencyOffset_ : nullptr;
    }
    // The byte count of the inflated image data.
    std::uint64_t RawImageSize() const;

private:
    // Where the file came from. A resource's bytes are copied out of the
    // provider and owned; a memory block is borrowed.
    enum class Source : std::uint32_t { None = 0, Memory = 1, Resource = 2 };

    // What a chunk's type names; the case bit of its first letter is ignored.
    enum class ChunkKind : std::uint32_t {
        Ancillary = 0,  // lower-case first letter: skipped
        Ihdr = 1,
        Plte = 2,
        Idat = 3,
        Iend = 4,
        UnknownCritical = 5,  // upper-case first letter we do not know: refused
    };

    // Adam7 pass p starts at (xStart, yStart) and takes every xStep-th pixel
    // of every yStep-th row.
    struct Adam7Pass {
        std::uint8_t xStart, xStep, yStart, yStep;
    };
    static constexpr Adam7Pass kAdam7[7] = {{0, 8, 0, 8}, {4, 8, 0, 8}, {0, 4, 4, 8}, {2, 4, 0, 4},
                                            {0, 2, 2, 4}, {1, 2, 0, 2}, {0, 1, 1, 2}};

    // Pixels (or rows) of a pass along one axis of full pixels.
    static std::uint32_t PassExtent(std::uint32_t full, std::uint32_t start, std::uint32_t step) {
        return full > start ? (full - start - 1) / step + 1 : 0;
    }

    struct ChunkInfo {
        ChunkKind kind = ChunkKind::Ancillary;
        std::uint32_t length = 0;  // data bytes
        std::uint32_t crc = 0;     // kept, never compared
    };

    // The steps of RenderRows: a renderer set for a format (false for what
    // RenderRows refuses, or when its row buffers cannot be had), then the
    // rows of an image stored row by row, one at a time, or in Adam7 passes.
    friend class PngRows;
    struct Renderer;
    bool StartRender(std::uint32_t format, Renderer& r) const;
    bool RenderRow(Renderer& r, std::uint8_t* dest) const;
    bool RenderStraight(Renderer& r, std::uint8_t* dest) const;
    bool RenderInterlaced(Renderer& r, std::uint8_t* dest) const;

    // Bits of one source pixel: samples x bit depth.
    std::uint32_t BitsPerPixel() const;
    bool Load(const std::uint8_t* data, std::size_t size, Source source);
    bool ParseHeader();
    // The chunk at cursor_; false unless its header, data and CRC lie wholly
    // inside the file.
    bool ReadChunk(ChunkInfo& info) const;
    std::uint32_t width_ = 0;
    std::uint32_t height_ = 0;
    PngError error_ = PngError::None;
    std::uint32_t paletteCount_ = 0;  // PLTE length / 3, before any cap
    std::uint8_t colourType_ = 0;
    std::uint8_t bitDepth_ = 0;
    std::uint8_t interlace_ = 0;
    const std::uint8_t* file_ = nullptr;
    std::size_t fileSize_ = 0;
    std::vector<std::uint8_t> ownedFile_;  // the resource's copy, when Source::Resource
    std::size_t cursor_ = 0;               // offset of the chunk being examined
    PictureBytes raw_;                     // inflated image data once decoded
    // Offsets into the file; 0 means none, as the signature occupies offset 0.
    std::size_t paletteOffset_ = 0;       // data of the first PLTE chunk
    std::size_t firstIdat_ = 0;           // length field of the first IDAT chunk
    std::size_t transparencyOffset_ = 0;  // data of the first tRNS chunk before IDAT
    std::size_t transparencyLength_ = 0;
    Source source_ = Source::None;
    PngState state_ = PngState::Empty;
};

// The rows of a decoded PNG, top to bottom, each as RenderRows lays it
// (stride bytes): a picture stored row by row is unfiltered and converted as
// its rows are asked for, so that no bitmap of it is held; an interlaced one
// is rendered whole at the first row.
class PngRows {
public:
    // format as RenderRows takes it. Not ok() for a format it refuses, before
    // Decode, or when memory lacks.
    PngRows(const PngDecoder& decoder, std::uint32_t format);
    ~PngRows();
    PngRows(const PngRows&) = delete;
    PngRows& operator=(const PngRows&) = delete;

    bool ok() const { return renderer_ != nullptr; }
    // The next row, valid until the next call; null past the last row, and
    // from a filter type above 4 on.
    const std::uint8_t* Next();

private:
    const PngDecoder& decoder_;
    std::unique_ptr<PngDecoder::Renderer> renderer_;
    std::unique_ptr<std::uint8_t[]> rows_;  // one row, or an interlaced picture's every row
    std::uint32_t next_ = 0;
};

}  // namespace brivel
