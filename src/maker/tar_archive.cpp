#include "maker/tar_archive.h"

#include <cstddef>
#include <cstring>

namespace brivel {
namespace {

constexpr std::size_t kBlock = 512;

// An octal field of width bytes, zero-padded and NUL-terminated, as ustar
// writes numbers; the callers' values fit their fields.
void Octal(char* field, std::size_t width, std::uint64_t value) {
    field[width - 1] = '\0';
    for (std::size_t i = width - 1; i-- > 0; value >>= 3) {
        field[i] = static_cast<char>('0' + (value & 7));
    }
}

}  // namespace

std::optional<std::string> ProgramTar(std::string_view name, std::string_view bytes,
                                      std::int64_t made) {
    constexpr std::uint64_t kLargest = 077777777777ULL;  // 11 octal digits
    if (name.empty() || name.size() > 100 || name.find('/') != std::string_view::npos ||
        name.find('\0') != std::string_view::npos ||
        static_cast<std::uint64_t>(bytes.size()) > kLargest) {
        return std::nullopt;
    }
    char header[kBlock] = {};
    std::memcpy(header, name.data(), name.size());
    Octal(header + 100, 8, 0755);                                              // mode
    Octal(header + 108, 8, 0);                                                 // uid
    Octal(header + 116, 8, 0);                                                 // gid
    Octal(header + 124, 12, bytes.size());                                     // size
    Octal(header + 136, 12, made > 0 ? static_cast<std::uint64_t>(made) : 0);  // mtime
    header[156] = '0';                                                         // a regular file
    std::memcpy(header + 257, "ustar", 6);
    std::memcpy(header + 263, "00", 2);
    // The checksum counts its own field as spaces.
    std::memset(header + 148, ' ', 8);
    unsigned sum = 0;
    for (const char c : header) {
        sum += static_cast<unsigned char>(c);
    }
    Octal(header + 148, 7, sum);
    std::string tar(header, kBlock);
    tar.append(bytes.data(), bytes.size());
    // The file padded to a block, then two empty blocks end the archive.
    tar.append((kBlock - bytes.size() % kBlock) % kBlock + 2 * kBlock, '\0');
    return tar;
}

}  // namespace brivel
