#include "maker/res_writer.h"

#include <cstddef>
#include <cstdint>
#include <limits>

namespace brivel {

namespace {

constexpr std::uint32_t kMaxDword = std::numeric_limits<std::uint32_t>::max();

void PutWord(std::string& out, std::uint16_t value) {
    out += static_cast<char>(value & 0xFF);
    out += static_cast<char>(value >> 8);
}

void PutDword(std::string& out, std::uint32_t value) {
    PutWord(out, static_cast<std::uint16_t>(value & 0xFFFF));
    PutWord(out, static_cast<std::uint16_t>(value >> 16));
}

// Bytes a TYPE or NAME takes in the header, or 0 when it cannot fit a DWORD
// header size.
std::size_t TypeBytes(const ResourceType& type) {
    if (type.name.empty()) {
        return 4;
    }
    if (type.name.size() > (kMaxDword - kResMinHeaderBytes) / 2 - 1) {
        return 0;
    }
    return (type.name.size() + 1) * 2;
}

}  // namespace

std::string ResEntryHeader(const ResourceType& type, std::uint16_t id, std::uint16_t language,
                           std::uint64_t size) {
    const std::size_t typeBytes = TypeBytes(type);
    if (typeBytes == 0 || size > kMaxDword) {
        return std::string();
    }
    // Fits: typeBytes is bounded so that the whole header stays a DWORD.
    const std::size_t idsBytes = typeBytes + 4;
    const std::size_t headerBytes =
        kResSizesBytes + idsBytes + ResPaddingTo4(idsBytes) + kResTailBytes;
    std::string out;
    PutDword(out, static_cast<std::uint32_t>(size));
    PutDword(out, static_cast<std::uint32_t>(headerBytes));
    if (type.name.empty()) {
        PutWord(out, kResOrdinalMark);
        PutWord(out, type.number);
    } else {
        for (char c : type.name) {
            PutWord(out, static_cast<std::uint8_t>(c));
        }
        PutWord(out, 0);
    }
    PutWord(out, kResOrdinalMark);
    PutWord(out, id);
    out.append(ResPaddingTo4(idsBytes), '\0');
    PutDword(out, 0);  // DataVersion
    PutWord(out, kResMemoryFlags);
    PutWord(out, language);
    PutDword(out, 0);  // Version
    PutDword(out, 0);  // Characteristics
    return out;
}

std::string WriteResFile(const std::vector<ResEntry>& entries) {
    std::string out(reinterpret_cast<const char*>(kResEmptyEntry), sizeof kResEmptyEntry);
    for (const ResEntry& entry : entries) {
        const std::string header =
            ResEntryHeader(entry.type, entry.id, entry.language, entry.data.size());
        if (header.empty()) {
            return std::string();
        }
        out += header;
        out.append(entry.data.begin(), entry.data.end());
        out.append(ResPaddingTo4(entry.data.size()), '\0');
    }
    return out;
}

}  // namespace brivel
