#include "maker/zip_archive.h"

#include <algorithm>
#include <array>
#include <optional>
#include <string_view>
#include <tuple>
#include <utility>

#include "maker/quiz_description.h"
#include "maker/text_compose.h"
#include "pictures/inflate.h"

namespace brivel {

namespace {

std::uint32_t Crc32(const std::uint8_t* data, std::size_t size) {
    static const std::array<std::uint32_t, 256> table = [] {
        std::array<std::uint32_t, 256> t{};
        for (std::uint32_t n = 0; n < 256; ++n) {
            std::uint32_t c = n;
            for (int k = 0; k < 8; ++k) {
                c = (c & 1u) != 0 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            }
            t[n] = c;
        }
        return t;
    }();
    std::uint32_t crc = 0xFFFFFFFFu;
    for (std::size_t i = 0; i < size; ++i) {
        crc = table[(crc ^ data[i]) & 0xFFu] ^ (crc >> 8);
    }
    return crc ^ 0xFFFFFFFFu;
}

constexpr std::uint32_t kEntrySignature = 0x04034B50u;
constexpr std::uint32_t kDirectorySignature = 0x02014B50u;
constexpr std::uint32_t kEndSignature = 0x06054B50u;
constexpr std::size_t kEntryHeader = 30;
constexpr std::size_t kDirectoryRecord = 46;
constexpr std::size_t kEndRecord = 22;
constexpr std::size_t kLongestComment = 0xFFFF;
// General purpose flags: bit 0 an encrypted entry, bit 11 a UTF-8 name.
constexpr std::uint32_t kEncrypted = 1u << 0;
constexpr std::uint32_t kUtf8Names = 1u << 11;
constexpr std::uint32_t kStored = 0;
constexpr std::uint32_t kDeflated = 8;
// Where a Zip64 archive keeps its real counts and sizes.
constexpr std::uint32_t kZip64Mark = 0xFFFFFFFFu;
// The most deflate makes of one byte (a 258-byte match coded in 2 bits):
// an entry said larger cannot be, and is refused before its room is taken.
constexpr std::size_t kMostInflation = 1032;

// The code points of the DOS code page's upper half, 0x80 to 0xFF.
constexpr std::uint16_t kCp437High[128] = {
    0x00C7, 0x00FC, 0x00E9, 0x00E2, 0x00E4, 0x00E0, 0x00E5, 0x00E7, 0x00EA, 0x00EB, 0x00E8, 0x00EF,
    0x00EE, 0x00EC, 0x00C4, 0x00C5, 0x00C9, 0x00E6, 0x00C6, 0x00F4, 0x00F6, 0x00F2, 0x00FB, 0x00F9,
    0x00FF, 0x00D6, 0x00DC, 0x00A2, 0x00A3, 0x00A5, 0x20A7, 0x0192, 0x00E1, 0x00ED, 0x00F3, 0x00FA,
    0x00F1, 0x00D1, 0x00AA, 0x00BA, 0x00BF, 0x2310, 0x00AC, 0x00BD, 0x00BC, 0x00A1, 0x00AB, 0x00BB,
    0x2591, 0x2592, 0x2593, 0x2502, 0x2524, 0x2561, 0x2562, 0x2556, 0x2555, 0x2563, 0x2551, 0x2557,
    0x255D, 0x255C, 0x255B, 0x2510, 0x2514, 0x2534, 0x252C, 0x251C, 0x2500, 0x253C, 0x255E, 0x255F,
    0x255A, 0x2554, 0x2569, 0x2566, 0x2560, 0x2550, 0x256C, 0x2567, 0x2568, 0x2564, 0x2565, 0x2559,
    0x2558, 0x2552, 0x2553, 0x256B, 0x256A, 0x2518, 0x250C, 0x2588, 0x2584, 0x258C, 0x2590, 0x2580,
    0x03B1, 0x00DF, 0x0393, 0x03C0, 0x03A3, 0x03C3, 0x00B5, 0x03C4, 0x03A6, 0x0398, 0x03A9, 0x03B4,
    0x221E, 0x03C6, 0x03B5, 0x2229, 0x2261, 0x00B1, 0x2265, 0x2264, 0x2320, 0x2321, 0x00F7, 0x2248,
    0x00B0, 0x2219, 0x00B7, 0x221A, 0x207F, 0x00B2, 0x25A0, 0x00A0,
};

std::string Cp437ToUtf8(std::string_view name) {
    std::string out;
    for (const char c : name) {
        const auto byte = static_cast<unsigned char>(c);
        const unsigned code = byte < 0x80 ? byte : kCp437High[byte - 0x80];
        if (code < 0x80) {
            out += static_cast<char>(code);
        } else if (code < 0x800) {
            out += static_cast<char>(0xC0 | (code >> 6));
            out += static_cast<char>(0x80 | (code & 0x3F));
        } else {
            out += static_cast<char>(0xE0 | (code >> 12));
            out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (code & 0x3F));
        }
    }
    return out;
}

// Little-endian fields of the archive, each read only once the caller has
// checked that its record lies inside.
class Bytes {
public:
    Bytes(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    std::uint32_t U16(std::size_t at) const {
        return static_cast<std::uint32_t>(data_[at] | data_[at + 1] << 8);
    }
    std::uint32_t U32(std::size_t at) const { return U16(at) | U16(at + 2) << 16; }
    // Whether length bytes from at lie inside.
    bool Holds(std::size_t at, std::size_t length) const {
        return at <= size_ && length <= size_ - at;
    }
    const std::uint8_t* data() const { return data_; }
    std::size_t size() const { return size_; }

private:
    const std::uint8_t* data_;
    std::size_t size_;
};

struct Entry {
    std::string name;  // UTF-8
    std::uint32_t flags = 0;
    std::uint32_t method = 0;
    std::uint32_t crc = 0;
    std::size_t packed = 0;
    std::size_t size = 0;
    std::size_t header = 0;  // where its local header starts
};

std::optional<std::size_t> FindEnd(const Bytes& zip) {
    if (zip.size() < kEndRecord) {
        return std::nullopt;
    }
    const std::size_t last = zip.size() - kEndRecord;
    const std::size_t first = last > kLongestComment ? last - kLongestComment : 0;
    for (std::size_t at = last + 1; at-- > first;) {
        if (zip.U32(at) == kEndSignature) {
            return at;
        }
    }
    return std::nullopt;
}

// The directory's entries, or the status that stops reading it.
ZipStatus ReadDirectory(const Bytes& zip, std::vector<Entry>& entries) {
    const std::optional<std::size_t> end = FindEnd(zip);
    if (!end) {
        return ZipStatus::NotAZip;
    }
    const std::uint32_t count = zip.U16(*end + 10);
    const std::uint32_t directorySize = zip.U32(*end + 12);
    const std::uint32_t start = zip.U32(*end + 16);
    if (zip.U16(*end + 4) != 0 || zip.U16(*end + 6) != 0 || zip.U16(*end + 8) != count ||
        count == 0xFFFF || start == kZip64Mark || directorySize == kZip64Mark) {
        return ZipStatus::Unsupported;
    }
    if (!zip.Holds(start, directorySize) || start + std::size_t{directorySize} > *end) {
        return ZipStatus::Damaged;
    }
    std::size_t at = start;
    for (std::uint32_t i = 0; i < count; ++i) {
        if (!zip.Holds(at, kDirectoryRecord) || zip.U32(at) != kDirectorySignature) {
            return ZipStatus::Damaged;
        }
        const std::size_t nameLength = zip.U16(at + 28);
        const std::size_t length =
            kDirectoryRecord + nameLength + zip.U16(at + 30) + zip.U16(at + 32);
        if (!zip.Holds(at, length)) {
            return ZipStatus::Damaged;
        }
        Entry entry;
        entry.flags = zip.U16(at + 8);
        entry.method = zip.U16(at + 10);
        entry.crc = zip.U32(at + 16);
        entry.packed = zip.U32(at + 20);
        entry.size = zip.U32(at + 24);
        entry.header = zip.U32(at + 42);
        if (entry.packed == kZip64Mark || entry.size == kZip64Mark || entry.header == kZip64Mark) {
            return ZipStatus::Unsupported;
        }
        const std::string_view name(reinterpret_cast<const char*>(zip.data() + at + 46),
                                    nameLength);
        const bool utf8 =
            (entry.flags & kUtf8Names) != 0 || FirstNonUtf8(name) == std::string_view::npos;
        entry.name = utf8 ? std::string(name) : Cp437ToUtf8(name);
        entries.push_back(std::move(entry));
        at += length;
    }
    return ZipStatus::Ok;
}

// The entry's bytes as the archive holds them, checked against its CRC-32.
ZipStatus ReadEntry(const Bytes& zip, const Entry& entry, std::vector<std::uint8_t>& out) {
    if ((entry.flags & kEncrypted) != 0 || (entry.method != kStored && entry.method != kDeflated)) {
        return ZipStatus::Unsupported;
    }
    if (!zip.Holds(entry.header, kEntryHeader) || zip.U32(entry.header) != kEntrySignature) {
        return ZipStatus::Damaged;
    }
    const std::size_t start =
        entry.header + kEntryHeader + zip.U16(entry.header + 26) + zip.U16(entry.header + 28);
    if (!zip.Holds(start, entry.packed)) {
        return ZipStatus::Damaged;
    }
    const std::uint8_t* data = zip.data() + start;
    if (entry.method == kStored) {
        if (entry.packed != entry.size) {
            return ZipStatus::BadData;
        }
        out.assign(data, data + entry.size);
    } else {
        if (entry.size / kMostInflation > entry.packed) {
            return ZipStatus::BadData;
        }
        // Our inflate reads a zlib stream: the raw deflate data behind the
        // two bytes of a zlib header (deflate, 32 KiB window, no dictionary).
        std::vector<std::uint8_t> stream(entry.packed + 2);
        stream[0] = 0x78;
        stream[1] = 0x01;
        std::copy(data, data + entry.packed, stream.begin() + 2);
        // One byte more than stated, so that a larger entry is told from an exact one.
        out.resize(entry.size + 1);
        IdatReader input = IdatReader::OverBuffer(stream.data(), stream.size());
        const InflateResult inflated = Inflate(input, out.data(), out.size());
        if (inflated.status != InflateStatus::Ok || inflated.written != entry.size) {
            return ZipStatus::BadData;
        }
        out.resize(entry.size);
    }
    return Crc32(out.data(), out.size()) == entry.crc ? ZipStatus::Ok : ZipStatus::BadCrc;
}

// A folder's entry, or one of no name: no file of the quiz's.
bool IsFolder(const std::string& name) {
    return name.empty() || name.back() == '/';
}

}  // namespace

const char* ZipStatusName(ZipStatus status) {
    switch (status) {
        case ZipStatus::Ok:
            return "ok";
        case ZipStatus::NotAZip:
            return "not a .zip archive (no end of its directory)";
        case ZipStatus::Damaged:
            return "a damaged .zip archive (its directory or an entry is cut short or out of "
                   "place)";
        case ZipStatus::Unsupported:
            return "a .zip archive of a kind not read here (spanned, Zip64, encrypted, or "
                   "compressed otherwise than deflated)";
        case ZipStatus::TooLarge:
            return "a .zip archive whose quiz folder would take more memory than any quiz needs";
        case ZipStatus::BadData:
            return "an entry of the .zip archive does not inflate to its stated size";
        case ZipStatus::BadCrc:
            return "an entry of the .zip archive does not match its checksum";
        case ZipStatus::NoDescription:
            return "a .zip archive with no quiz.toml in it";
    }
    return "unknown status";
}

bool LooksLikeZip(const std::uint8_t* bytes, std::size_t size) {
    const Bytes zip(bytes, size);
    return zip.Holds(0, 4) && (zip.U32(0) == kEntrySignature || zip.U32(0) == kEndSignature);
}

ZipFolder ReadZipFolder(const std::uint8_t* bytes, std::size_t size) {
    const Bytes zip(bytes, size);
    ZipFolder result;
    std::vector<Entry> entries;
    result.status = ReadDirectory(zip, entries);
    if (result.status != ZipStatus::Ok) {
        return result;
    }
    const std::string description = std::string("/") + kDescriptionFileName;
    const Entry* shallowest = nullptr;
    std::ptrdiff_t depth = 0;
    for (const Entry& entry : entries) {
        const std::string slashed = "/" + entry.name;
        if (slashed.size() < description.size() ||
            slashed.compare(slashed.size() - description.size(), description.size(), description) !=
                0) {
            continue;
        }
        const std::ptrdiff_t its = std::count(entry.name.begin(), entry.name.end(), '/');
        if (shallowest == nullptr || its < depth) {
            shallowest = &entry;
            depth = its;
        }
    }
    if (shallowest == nullptr) {
        result.status = ZipStatus::NoDescription;
        return result;
    }
    result.folder = shallowest->name.substr(0, shallowest->name.size() - description.size() + 1);
    std::size_t total = 0;
    std::vector<const Entry*> taken;
    for (const Entry& entry : entries) {
        if (IsFolder(entry.name) ||
            entry.name.compare(0, result.folder.size(), result.folder) != 0) {
            continue;
        }
        if (entry.size > kZipLimit - total) {
            result.status = ZipStatus::TooLarge;
            result.entry = entry.name;
            return result;
        }
        total += entry.size;
        taken.push_back(&entry);
    }
    for (const Entry* entry : taken) {
        FolderFile file;
        file.name = entry->name.substr(result.folder.size());
        result.status = ReadEntry(zip, *entry, file.bytes);
        if (result.status != ZipStatus::Ok) {
            result.entry = entry->name;
            result.files.clear();
            return result;
        }
        result.files.push_back(std::move(file));
    }
    return result;
}

namespace {

void Put16(std::string& out, std::uint32_t value) {
    out += static_cast<char>(value & 0xFFu);
    out += static_cast<char>((value >> 8) & 0xFFu);
}

void Put32(std::string& out, std::uint32_t value) {
    Put16(out, value & 0xFFFFu);
    Put16(out, value >> 16);
}

// Made on Unix (the high byte), by the 2.0 format the entries need.
constexpr std::uint32_t kMadeOnUnix = 3u << 8 | 20u;
// A regular file, rw-r--r--: the Unix mode in the high half.
constexpr std::uint32_t kRegularFile = 0100644u << 16;

// The DOS time and date a .zip holds for a ZipTime (the civil date by
// Howard Hinnant's days-to-civil algorithm).
std::pair<std::uint16_t, std::uint16_t> DosDateTime(ZipTime seconds) {
    constexpr ZipTime kLatest = 4354819198;  // 2107-12-31 23:59:58
    seconds = std::clamp(seconds, kZipEpoch, kLatest);
    const ZipTime days = seconds / 86400;
    const ZipTime inDay = seconds % 86400;
    const ZipTime z = days + 719468;
    const ZipTime era = z / 146097;
    const ZipTime dayOfEra = z - era * 146097;
    const ZipTime yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const ZipTime dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const ZipTime shifted = (5 * dayOfYear + 2) / 153;
    const ZipTime day = dayOfYear - (153 * shifted + 2) / 5 + 1;
    const ZipTime month = shifted < 10 ? shifted + 3 : shifted - 9;
    const ZipTime year = yearOfEra + era * 400 + (month <= 2 ? 1 : 0);
    const auto time = static_cast<std::uint16_t>((inDay / 3600) << 11 | (inDay / 60 % 60) << 5 |
                                                 (inDay % 60) / 2);
    const auto date = static_cast<std::uint16_t>((year - 1980) << 9 | month << 5 | day);
    return {time, date};
}

}  // namespace

ZipWriter::ZipWriter(ZipTime made) : made_(made) {
    std::tie(dosTime_, dosDate_) = DosDateTime(made);
}

bool ZipWriter::Add(const std::string& name, const std::string& data) {
    if (name.size() > 0xFFFF || data.size() >= kZip64Mark || count_ == 0xFFFF) {
        return false;
    }
    const std::uint32_t crc =
        Crc32(reinterpret_cast<const std::uint8_t*>(data.data()), data.size());
    const auto offset = static_cast<std::uint32_t>(body_.size());
    const auto size = static_cast<std::uint32_t>(data.size());
    std::string common;
    Put16(common, kUtf8Names);
    Put16(common, kStored);
    Put16(common, dosTime_);
    Put16(common, dosDate_);
    Put32(common, crc);
    Put32(common, size);
    Put32(common, size);
    Put16(common, static_cast<std::uint32_t>(name.size()));
    Put16(common, 0);  // extra field

    Put32(body_, kEntrySignature);
    Put16(body_, 20);
    body_ += common + name + data;

    Put32(directory_, kDirectorySignature);
    Put16(directory_, kMadeOnUnix);
    Put16(directory_, 20);
    directory_ += common;
    Put16(directory_, 0);  // comment
    Put16(directory_, 0);  // disk
    Put16(directory_, 0);  // internal attributes
    Put32(directory_, kRegularFile);
    Put32(directory_, offset);
    directory_ += name;
    ++count_;
    return true;
}

std::string ZipWriter::Finish() {
    std::string out = body_ + directory_;
    Put32(out, kEndSignature);
    Put16(out, 0);
    Put16(out, 0);
    Put16(out, count_);
    Put16(out, count_);
    Put32(out, static_cast<std::uint32_t>(directory_.size()));
    Put32(out, static_cast<std::uint32_t>(body_.size()));
    Put16(out, 0);
    *this = ZipWriter(made_);
    return out;
}

}  // namespace brivel
