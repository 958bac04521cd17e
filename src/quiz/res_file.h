#pragma once

// The 32-bit Win32 .res file, as `windres -O res` and rc.exe write it: an
// empty 32-byte entry, then one entry per resource, each a RESOURCEHEADER
// (DataSize, HeaderSize, TYPE, NAME, DataVersion, MemoryFlags, LanguageId,
// Version, Characteristics) and the data, every header and every data block
// starting on a 4-byte boundary. All numbers are little-endian.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "services/resource_provider.h"

namespace brivel {

// One resource. Its name is always a number: the quizzes never use named ids.
// A type name is ASCII ("PATCH", "IMG"), each byte stored as one UTF-16 unit.
struct ResEntry {
    ResourceType type;
    std::uint16_t id = 0;
    std::uint16_t language = 0;  // 0 is neutral; windres defaults to 0x0409
    std::vector<std::uint8_t> data;
};

// What windres writes for RCDATA and custom types: MOVEABLE | PURE |
// DISCARDABLE. The flags are ignored by 32-bit Windows; matching windres keeps
// our files byte-comparable with its output.
inline constexpr std::uint16_t kResMemoryFlags = 0x1030;

// What the reader here and the writer (maker/res_writer.h) share: the mark
// of a numbered TYPE or NAME; DataSize and HeaderSize before TYPE, and
// DataVersion, MemoryFlags, LanguageId, Version and Characteristics after the
// aligned NAME; the leading empty entry (no data, a header of 32 bytes, type 0
// and name 0 as ordinals, every other field 0).
inline constexpr std::uint16_t kResOrdinalMark = 0xFFFF;
inline constexpr std::size_t kResSizesBytes = 8;
inline constexpr std::size_t kResTailBytes = 16;
inline constexpr std::size_t kResMinHeaderBytes = kResSizesBytes + 4 + 4 + kResTailBytes;
inline constexpr std::uint8_t kResEmptyEntry[kResMinHeaderBytes] = {
    0, 0, 0, 0, 0x20, 0, 0, 0, 0xFF, 0xFF, 0, 0, 0xFF, 0xFF, 0, 0,
    0, 0, 0, 0, 0,    0, 0, 0, 0,    0,    0, 0, 0,    0,    0, 0,
};

// Headers and data start on 4-byte boundaries.
inline constexpr std::size_t ResPaddingTo4(std::size_t size) {
    return (4 - size % 4) % 4;
}

enum class ResStatus : int {
    // Every entry was read, up to the exact end of the input.
    Ok = 0,
    // The input does not start with the 32-byte empty entry: cut short, or
    // not a 32-bit .res (a 16-bit .res has no such entry).
    MissingEmptyEntry,
    // Fewer than 8 bytes are left for DataSize and HeaderSize, or HeaderSize
    // reaches past the end.
    TruncatedHeader,
    // HeaderSize is below 32, not a multiple of 4, too small for its type and
    // name, or different from what they and the fixed fields take.
    BadHeaderSize,
    // A type or name string has no terminating zero inside the header.
    UnterminatedName,
    // DataSize, or the padding after the data, reaches past the end.
    DataPastEnd,
    // A padding byte (after the name or after the data) is not zero.
    BadPadding,
};

// A short English meaning of the status, for the authoring tool.
const char* ResStatusName(ResStatus status);

struct ResReadResult {
    ResStatus status = ResStatus::Ok;
    // On Ok every entry; otherwise those before the faulty one.
    std::vector<ResEntry> entries;
    // Where the faulty entry starts (0 on Ok), for the error message.
    std::size_t errorOffset = 0;
};

// Reads a whole .res. Entries with a named id, or a type name outside ASCII,
// are checked and then skipped: ResourceProvider cannot ask for them.
ResReadResult ReadResFile(const std::uint8_t* bytes, std::size_t size);

// The resources of a read .res. Find matches a named type without regard to
// ASCII case (as FindResource does), any language, the first match in file
// order.
class ResFileResources : public ResourceProvider {
public:
    explicit ResFileResources(std::vector<ResEntry> entries) : entries_(std::move(entries)) {}

    std::optional<std::vector<std::uint8_t>> Find(const ResourceType& type,
                                                  std::uint16_t id) override;

private:
    std::vector<ResEntry> entries_;
};

}  // namespace brivel
