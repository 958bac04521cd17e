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

std::string WriteResFile(const std::vector<ResEntry>& entries) {
    std::string out(reinterpret_cast<const char*>(kResEmptyEntry), sizeof kResEmptyEntry);
    for (const ResEntry& entry : entries) {
        const std::size_t typeBytes = TypeBytes(entry.type);
        if (typeBytes == 0 || entry.data.size() > kMaxDword) {
            return std::string();
        }
        // Fits: typeBytes is bounded so that the whole header stays a DWORD.
        const std::size_t idsBytes = typeBytes + 4;
        const std::size_t headerBytes =
            kResSizesBytes + idsBytes + ResPaddingTo4(idsBytes) + kResTailBytes;
        PutDword(out, static_cast<std::uint32_t>(entry.data.size()));
        PutDword(out, static_cast<std::uint32_t>(headerBytes));
        if (entry.type.name.empty()) {
            PutWord(out, kResOrdinalMark);
            PutWord(out, entry.type.number);
        } else {
            for (char c : entry.type.name) {
                PutWord(out, static_cast<std::uint8_t>(c));
            }
            PutWord(out, 0);
        }
        PutWord(out, kResOrdinalMark);
        PutWord(out, entry.id);
        out.append(ResPaddingTo4(idsBytes), '\0');
        PutDword(out, 0);  // DataVersion
        PutWord(out, kResMemoryFlags);
        PutWord(out, entry.language);
        PutDword(out, 0);  // Version
        PutDword(out, 0);  // Characteristics
        out.append(entry.data.begin(), entry.data.end());
        out.append(ResPaddingTo4(entry.data.size()), '\0');
    }
    return out;
}

}  // namespace brivel
