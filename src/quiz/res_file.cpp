#include "quiz/res_file.h"

#include <cstring>

namespace brivel {

namespace {

std::uint16_t Word(const std::uint8_t* at) {
    return static_cast<std::uint16_t>(at[0] | at[1] << 8);
}

std::uint32_t Dword(const std::uint8_t* at) {
    return static_cast<std::uint32_t>(Word(at)) | static_cast<std::uint32_t>(Word(at + 2)) << 16;
}

// A TYPE or NAME field as read: an ordinal, or a string kept only when it is
// non-empty ASCII (the only kind ResourceType can ask for).
struct ResId {
    bool isOrdinal = false;
    std::uint16_t ordinal = 0;
    bool usable = true;
    std::string name;
};

// Reads one TYPE or NAME at header[at], never past header[end].
ResStatus ReadId(const std::uint8_t* header, std::size_t end, std::size_t& at, ResId& id) {
    if (end - at < 2) {
        return ResStatus::BadHeaderSize;
    }
    if (Word(header + at) == kResOrdinalMark) {
        if (end - at < 4) {
            return ResStatus::BadHeaderSize;
        }
        id.isOrdinal = true;
        id.ordinal = Word(header + at + 2);
        at += 4;
        return ResStatus::Ok;
    }
    for (; end - at >= 2; at += 2) {
        const std::uint16_t unit = Word(header + at);
        if (unit == 0) {
            at += 2;
            id.usable = id.usable && !id.name.empty();
            return ResStatus::Ok;
        }
        if (unit >= 0x80) {
            id.usable = false;
        } else {
            id.name += static_cast<char>(unit);
        }
    }
    return ResStatus::UnterminatedName;
}

ResReadResult Failure(ResReadResult& result, ResStatus status, std::size_t offset) {
    result.status = status;
    result.errorOffset = offset;
    return std::move(result);
}

bool AllZero(const std::uint8_t* bytes, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) {
        if (bytes[i] != 0) {
            return false;
        }
    }
    return true;
}

char AsciiUpper(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

bool SameTypeName(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (AsciiUpper(a[i]) != AsciiUpper(b[i])) {
            return false;
        }
    }
    return true;
}

}  // namespace

const char* ResStatusName(ResStatus status) {
    switch (status) {
        case ResStatus::Ok:
            return "success";
        case ResStatus::MissingEmptyEntry:
            return "not a 32-bit .res file (no leading empty entry)";
        case ResStatus::TruncatedHeader:
            return "resource header cut short";
        case ResStatus::BadHeaderSize:
            return "bad resource header size";
        case ResStatus::UnterminatedName:
            return "unterminated resource type or name";
        case ResStatus::DataPastEnd:
            return "resource data past the end of the file";
        case ResStatus::BadPadding:
            return "non-zero padding";
    }
    return "unknown status";
}

ResReadResult ReadResFile(const std::uint8_t* bytes, std::size_t size) {
    ResReadResult result;
    if (size < sizeof kResEmptyEntry ||
        std::memcmp(bytes, kResEmptyEntry, sizeof kResEmptyEntry) != 0) {
        return Failure(result, ResStatus::MissingEmptyEntry, 0);
    }
    std::size_t pos = sizeof kResEmptyEntry;
    while (pos < size) {
        const std::uint8_t* header = bytes + pos;
        std::size_t left = size - pos;
        if (left < kResSizesBytes) {
            return Failure(result, ResStatus::TruncatedHeader, pos);
        }
        const std::uint32_t dataSize = Dword(header);
        const std::uint32_t headerSize = Dword(header + 4);
        if (headerSize > left) {
            return Failure(result, ResStatus::TruncatedHeader, pos);
        }
        if (headerSize < kResMinHeaderBytes || headerSize % 4 != 0) {
            return Failure(result, ResStatus::BadHeaderSize, pos);
        }
        // TYPE and NAME live between the two sizes and the fixed tail.
        const std::size_t idsEnd = headerSize - kResTailBytes;
        std::size_t at = kResSizesBytes;
        ResId type;
        ResId name;
        ResStatus status = ReadId(header, idsEnd, at, type);
        if (status == ResStatus::Ok) {
            status = ReadId(header, idsEnd, at, name);
        }
        if (status != ResStatus::Ok) {
            return Failure(result, status, pos);
        }
        if (at + ResPaddingTo4(at) != idsEnd) {
            return Failure(result, ResStatus::BadHeaderSize, pos);
        }
        if (!AllZero(header + at, idsEnd - at)) {
            return Failure(result, ResStatus::BadPadding, pos);
        }
        const std::uint16_t language = Word(header + idsEnd + 6);

        left -= headerSize;
        const std::uint8_t* data = header + headerSize;
        const std::size_t padding = ResPaddingTo4(dataSize);
        if (dataSize > left || padding > left - dataSize) {
            return Failure(result, ResStatus::DataPastEnd, pos);
        }
        if (!AllZero(data + dataSize, padding)) {
            return Failure(result, ResStatus::BadPadding, pos);
        }
        if (type.usable && name.isOrdinal) {
            ResEntry entry;
            entry.type = type.isOrdinal ? ResourceType::Numbered(type.ordinal)
                                        : ResourceType::Named(std::move(type.name));
            entry.id = name.ordinal;
            entry.language = language;
            entry.data.assign(data, data + dataSize);
            result.entries.push_back(std::move(entry));
        }
        pos += headerSize + dataSize + padding;
    }
    return result;
}

std::optional<std::vector<std::uint8_t>> ResFileResources::Find(const ResourceType& type,
                                                                std::uint16_t id) {
    for (const ResEntry& entry : entries_) {
        const bool sameType = type.name.empty()
                                  ? entry.type.name.empty() && entry.type.number == type.number
                                  : SameTypeName(entry.type.name, type.name);
        if (sameType && entry.id == id) {
            return entry.data;
        }
    }
    return std::nullopt;
}

}  // namespace brivel
