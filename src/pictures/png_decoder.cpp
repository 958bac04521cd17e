#include "pictures/png_decoder.h"

#include <cstring>
#include <limits>
#include <new>
#include <optional>
#include <stdexcept>
#include <utility>

#include "pictures/big_endian.h"
#include "pictures/inflate.h"

namespace brivel {
namespace {

constexpr std::size_t kSignatureSize = sizeof kPngSignature;
// The IHDR chunk's data follows the signature and its own length and type.
constexpr std::size_t kHeaderData = 16;
constexpr std::uint32_t kHeaderLength = 13;
// Length and type before the data, CRC after it.
constexpr std::size_t kChunkOverhead = 12;
constexpr std::uint8_t kCaseBit = 0x20;

std::uint32_t SamplesPerPixel(std::uint8_t colourType) {
    switch (colourType) {
        case 2:
            return 3;
        case 4:
            return 2;
        case 6:
            return 4;
        default:
            return 1;
    }
}

// The fifteen pairs the PNG format allows.
bool IsAcceptedPair(std::uint8_t colourType, std::uint8_t bitDepth) {
    switch (colourType) {
        case 0:
            return bitDepth == 1 || bitDepth == 2 || bitDepth == 4 || bitDepth == 8 ||
                   bitDepth == 16;
        case 3:
            return bitDepth == 1 || bitDepth == 2 || bitDepth == 4 || bitDepth == 8;
        case 2:
        case 4:
        case 6:
            return bitDepth == 8 || bitDepth == 16;
        default:
            return false;
    }
}

// Bytes of one filtered row of `pixels` pixels, its filter-type byte included.
std::uint64_t FilteredRowBytes(std::uint32_t pixels, std::uint32_t bitsPerPixel) {
    return (std::uint64_t{pixels} * bitsPerPixel + 7) / 8 + 1;
}

}  // namespace

const char* PngErrorName(PngError error) {
    switch (error) {
        case PngError::None:
            return "None";
        case PngError::OutOfMemory:
            return "OutOfMemory";
        case PngError::NotEmpty:
            return "NotEmpty";
        case PngError::BadFile:
            return "BadFile";
        case PngError::Unsupported:
            return "Unsupported";
        case PngError::FormatRefused:
            return "FormatRefused";
        case PngError::WrongState:
            return "WrongState";
        case PngError::BitmapRefused:
            return "BitmapRefused";
        case PngError::ResourceNotFound:
            return "ResourceNotFound";
        case PngError::ResourceEmpty:
            return "ResourceEmpty";
    }
    return "Unknown";
}

bool PngDecoder::LoadFromResource(ResourceProvider& resources, std::uint16_t id) {
    if (state_ != PngState::Empty || source_ != Source::None) {
        error_ = PngError::NotEmpty;
        return false;
    }
    error_ = PngError::None;
    std::optional<std::vector<std::uint8_t>> bytes =
        resources.Find(ResourceType::Numbered(kRcData), id);
    if (!bytes) {
        error_ = PngError::ResourceNotFound;
        return false;
    }
    if (bytes->empty()) {
        error_ = PngError::ResourceEmpty;
        return false;
    }
    ownedFile_ = std::move(*bytes);
    return Load(ownedFile_.data(), ownedFile_.size(), Source::Resource);
}

bool PngDecoder::LoadFromMemory(const std::uint8_t* data, std::size_t size) {
    if (state_ != PngState::Empty || source_ != Source::None) {
        error_ = PngError::NotEmpty;
        return false;
    }
    error_ = PngError::None;
    return Load(data, data != nullptr ? size : 0, Source::Memory);
}

bool PngDecoder::Load(const std::uint8_t* data, std::size_t size, Source source) {
    file_ = data;
    fileSize_ = size;
    source_ = source;
    if (!ParseHeader()) {
        // Back to empty, keeping only the error.
        width_ = height_ = paletteCount_ = 0;
        colourType_ = bitDepth_ = interlace_ = 0;
        file_ = nullptr;
        fileSize_ = cursor_ = paletteOffset_ = firstIdat_ = 0;
        transparencyOffset_ = transparencyLength_ = 0;
        std::vector<std::uint8_t>().swap(ownedFile_);
        source_ = Source::None;
        return false;
    }
    state_ = PngState::Loaded;
    return true;
}

bool PngDecoder::ReadChunk(ChunkInfo& info) const {
    if (cursor_ >= fileSize_ || fileSize_ - cursor_ < kChunkOverhead) {
        return false;
    }
    const std::uint8_t* chunk = file_ + cursor_;
    const std::uint8_t* type = chunk + 4;
    const char folded[4] = {static_cast<char>(type[0] & ~kCaseBit), static_cast<char>(type[1]),
                            static_cast<char>(type[2]), static_cast<char>(type[3])};
    if (std::memcmp(folded, "IHDR", 4) == 0) {
        info.kind = ChunkKind::Ihdr;
    } else if (std::memcmp(folded, "PLTE", 4) == 0) {
        info.kind = ChunkKind::Plte;
    } else if (std::memcmp(folded, "IDAT", 4) == 0) {
        info.kind = ChunkKind::Idat;
    } else if (std::memcmp(folded, "IEND", 4) == 0) {
        info.kind = ChunkKind::Iend;
    } else {
        info.kind = (type[0] & kCaseBit) != 0 ? ChunkKind::Ancillary : ChunkKind::UnknownCritical;
    }
    info.length = ReadBigEndian32(chunk);
    // Compared as remaining lengths, so a huge length cannot wrap the offset.
    if (info.length > fileSize_ - cursor_ - kChunkOverhead) {
        return false;
    }
    info.crc = ReadBigEndian32(chunk + 8 + info.length);
    return true;
}

bool PngDecoder::ParseHeader() {
    cursor_ = 0;
    firstIdat_ = 0;
    paletteOffset_ = 0;
    paletteCount_ = 0;
    transparencyOffset_ = transparencyLength_ = 0;
    error_ = PngError::None;

    if (fileSize_ < kHeaderData || std::memcmp(file_, kPngSignature, kSignatureSize) != 0) {
        error_ = PngError::BadFile;
        return false;
    }
    cursor_ = kSignatureSize;
    ChunkInfo chunk;
    if (!ReadChunk(chunk) || chunk.kind != ChunkKind::Ihdr || chunk.length < kHeaderLength) {
        error_ = PngError::BadFile;
        return false;
    }
    const std::uint8_t* header = file_ + kHeaderData;
    width_ = ReadBigEndian32(header);
    height_ = ReadBigEndian32(header + 4);
    if (width_ == 0 || height_ == 0) {
        error_ = PngError::BadFile;
        return false;
    }

    // Every chunk to the end of the file, IEND or not; a chunk cut short ends
    // the walk without an error.
    for (;;) {
        cursor_ += chunk.length + kChunkOverhead;
        if (!ReadChunk(chunk)) {
            break;
        }
        if (chunk.kind == ChunkKind::UnknownCritical) {
            error_ = PngError::Unsupported;
            return false;
        }
        if (chunk.kind == ChunkKind::Plte && paletteOffset_ == 0) {
            paletteOffset_ = cursor_ + 8;
            paletteCount_ = chunk.length / 3;
        } else if (chunk.kind == ChunkKind::Idat && firstIdat_ == 0) {
            firstIdat_ = cursor_;
        } else if (chunk.kind == ChunkKind::Ancillary && firstIdat_ == 0 &&
                   transparencyOffset_ == 0 && std::memcmp(file_ + cursor_ + 4, "tRNS", 4) == 0) {
            transparencyOffset_ = cursor_ + 8;
            transparencyLength_ = chunk.length;
        }
    }

    interlace_ = header[12];
    colourType_ = header[9];
    bitDepth_ = header[8];
    const std::uint8_t compressionMethod = header[10];
    const std::uint8_t filterMethod = header[11];
    // A palette image needs a PLTE: its colour table is never filled from nothing.
    if (!IsAcceptedPair(colourType_, bitDepth_) || filterMethod != 0 || compressionMethod != 0 ||
        interlace_ > 1 || (colourType_ == 3 && paletteOffset_ == 0)) {
        error_ = PngError::Unsupported;
        return false;
    }
    return true;
}

std::uint32_t PngDecoder::BitsPerPixel() const {
    return SamplesPerPixel(colourType_) * bitDepth_;
}

std::uint64_t PngDecoder::RawImageSize() const {
    const std::uint32_t bits = BitsPerPixel();
    if (interlace_ == 0) {
        return std::uint64_t{height_} * FilteredRowBytes(width_, bits);
    }
    std::uint64_t size = 0;
    for (const Adam7Pass& pass : kAdam7) {
        const std::uint32_t columns = PassExtent(width_, pass.xStart, pass.xStep);
        const std::uint32_t rows = PassExtent(height_, pass.yStart, pass.yStep);
        if (columns != 0 && rows != 0) {
            size += std::uint64_t{rows} * FilteredRowBytes(columns, bits);
        }
    }
    return size;
}

bool PngDecoder::Decode() {
    if (state_ != PngState::Loaded) {
        error_ = PngError::WrongState;
        return false;
    }
    const std::uint64_t size = RawImageSize();
    if (size > std::numeric_limits<std::uint32_t>::max() ||
        size > std::numeric_limits<std::size_t>::max()) {
        error_ = PngError::OutOfMemory;
        return false;
    }
    // A file without IDAT gives no stream at all.
    if (firstIdat_ == 0) {
        error_ = PngError::BadFile;
        return false;
    }
    // Not cleared here: the stream writes it, and only a short stream's tail is zeroed.
    try {
        raw_.resize(static_cast<std::size_t>(size));
    } catch (const std::bad_alloc&) {
        error_ = PngError::OutOfMemory;
        return false;
    } catch (const std::length_error&) {
        error_ = PngError::OutOfMemory;
        return false;
    }

    // Set until the stream is whole.
    error_ = PngError::BadFile;
    IdatReader input = IdatReader::OverChunks(file_, fileSize_, firstIdat_);
    const InflateResult result = Inflate(input, raw_.data(), raw_.size());
    if (result.status != InflateStatus::Ok) {
        PictureBytes().swap(raw_);
        return false;
    }
    // A stream may end cleanly short of the image; its missing rows read as
    // zero bytes (filter None, pixel value 0) rather than as stale memory.
    if (result.written < raw_.size()) {
        std::memset(raw_.data() + result.written, 0, raw_.size() - result.written);
    }
    error_ = PngError::None;
    state_ = PngState::Decoded;
    return true;
}

}  // namespace brivel
