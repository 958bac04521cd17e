#include "pictures/exif_orientation.h"

#include <cstring>

#include "pictures/big_endian.h"
#include "pictures/png_decoder.h"

namespace brivel {

namespace {

constexpr std::uint16_t kOrientationTag = 0x0112;
constexpr std::uint16_t kTiffShort = 3;
constexpr std::size_t kIfdEntryBytes = 12;

// Reads the TIFF block's integers in the order its header names.
struct TiffReader {
    const std::uint8_t* bytes;
    bool littleEndian;

    std::uint16_t U16(std::size_t at) const {
        const unsigned a = bytes[at];
        const unsigned b = bytes[at + 1];
        return static_cast<std::uint16_t>(littleEndian ? a | b << 8 : a << 8 | b);
    }
    std::uint32_t U32(std::size_t at) const {
        const std::uint32_t a = U16(at);
        const std::uint32_t b = U16(at + 2);
        return littleEndian ? a | b << 16 : a << 16 | b;
    }
};

// Calls visit(markerAt, tiff, tiffSize) for each EXIF APP1 segment before the
// scan, markerAt being the offset of its 0xFF, until visit returns true.
template <typename Visit>
void VisitExifSegments(const std::uint8_t* jpeg, std::size_t size, Visit visit) {
    if (jpeg == nullptr || size < 4 || jpeg[0] != 0xFF || jpeg[1] != 0xD8) {
        return;
    }
    static constexpr std::uint8_t kExifPrefix[] = {'E', 'x', 'i', 'f', 0, 0};
    std::size_t at = 2;
    while (at + 4 <= size) {
        if (jpeg[at] != 0xFF) {
            return;
        }
        const std::uint8_t marker = jpeg[at + 1];
        if (marker == 0xFF) {  // fill byte before a marker
            ++at;
            continue;
        }
        if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) {  // no length field
            at += 2;
            continue;
        }
        if (marker == 0xDA || marker == 0xD9) {  // the scan or the end: no EXIF after them
            return;
        }
        const std::size_t length = std::size_t{jpeg[at + 2]} << 8 | jpeg[at + 3];
        if (length < 2 || length > size - at - 2) {
            return;
        }
        const std::uint8_t* body = jpeg + at + 4;
        const std::size_t bodySize = length - 2;
        if (marker == 0xE1 && bodySize >= sizeof kExifPrefix &&
            std::memcmp(body, kExifPrefix, sizeof kExifPrefix) == 0 &&
            visit(at, body + sizeof kExifPrefix, bodySize - sizeof kExifPrefix)) {
            return;
        }
        at += 2 + length;
    }
}

// The CRC a PNG chunk ends with, over its type and data.
std::uint32_t PngCrc(const std::uint8_t* bytes, std::size_t size) {
    std::uint32_t crc = 0xFFFFFFFFu;
    for (std::size_t i = 0; i < size; ++i) {
        crc ^= bytes[i];
        for (int bit = 0; bit < 8; ++bit) {
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
        }
    }
    return ~crc;
}

}  // namespace

Orientation TiffOrientation(const std::uint8_t* tiff, std::size_t size) {
    if (tiff == nullptr || size < 8) {
        return Orientation::Upright;
    }
    TiffReader reader{tiff, tiff[0] == 'I'};
    if (!((tiff[0] == 'I' && tiff[1] == 'I') || (tiff[0] == 'M' && tiff[1] == 'M')) ||
        reader.U16(2) != 42) {
        return Orientation::Upright;
    }
    const std::uint32_t ifd = reader.U32(4);
    if (ifd > size || size - ifd < 2) {
        return Orientation::Upright;
    }
    const std::size_t count = reader.U16(ifd);
    // Entries past the block's end are not there; the count cannot make us read them.
    const std::size_t room = (size - ifd - 2) / kIfdEntryBytes;
    for (std::size_t i = 0; i < count && i < room; ++i) {
        const std::size_t entry = ifd + 2 + i * kIfdEntryBytes;
        if (reader.U16(entry) != kOrientationTag) {
            continue;
        }
        // One SHORT sits in the first two bytes of the value field.
        const std::uint16_t value = reader.U16(entry + 8);
        if (reader.U16(entry + 2) != kTiffShort || reader.U32(entry + 4) < 1 || value < 1 ||
            value > 8) {
            return Orientation::Upright;
        }
        return static_cast<Orientation>(value);
    }
    return Orientation::Upright;
}

Orientation JpegOrientation(const std::uint8_t* jpeg, std::size_t size) {
    Orientation orientation = Orientation::Upright;
    VisitExifSegments(jpeg, size, [&](std::size_t, const std::uint8_t* tiff, std::size_t tiffSize) {
        orientation = TiffOrientation(tiff, tiffSize);
        return true;
    });
    return orientation;
}

int HideJpegOrientation(std::uint8_t* jpeg, std::size_t size) {
    int hidden = 0;
    VisitExifSegments(jpeg, size, [&](std::size_t markerAt, const std::uint8_t*, std::size_t) {
        jpeg[markerAt + 1] = 0xEF;  // APP15, where no browser looks for a turn
        ++hidden;
        return false;
    });
    return hidden;
}

int HidePngOrientation(std::uint8_t* png, std::size_t size) {
    if (png == nullptr || size < sizeof kPngSignature ||
        std::memcmp(png, kPngSignature, sizeof kPngSignature) != 0) {
        return 0;
    }
    int hidden = 0;
    std::size_t at = sizeof kPngSignature;
    // Length, type, data, CRC: a chunk cut by the end is where the walk stops.
    while (size - at >= 12) {
        const std::uint32_t length = ReadBigEndian32(png + at);
        if (length > size - at - 12) {
            break;
        }
        std::uint8_t* type = png + at + 4;
        if (std::memcmp(type, "eXIf", 4) == 0) {
            type[1] = 'x';  // "exIf": a private chunk, which decoders skip
            const std::uint32_t crc = PngCrc(type, 4 + std::size_t{length});
            std::uint8_t* end = type + 4 + length;
            for (int i = 0; i < 4; ++i) {
                end[i] = static_cast<std::uint8_t>(crc >> (24 - 8 * i));
            }
            ++hidden;
        } else if (std::memcmp(type, "IEND", 4) == 0) {
            break;
        }
        at += 12 + std::size_t{length};
    }
    return hidden;
}

}  // namespace brivel
