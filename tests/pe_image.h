#pragma once

// A small Windows program image for the tests that read and write one.

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>

namespace brivel::testing {

// A minimal image, PE32 (i386) or PE32+ (AMD64): headers in 0x200 bytes, a
// .text section at RVA 0x1000 and a .rsrc section at RVA 0x2000 (file 0x400)
// holding a dialog 1001 and a group icon named "A", both in language 1033,
// then 16 bytes after the sections as a MinGW build has its COFF symbols.
inline constexpr std::size_t kPe = 0x40;
inline constexpr std::size_t kOptional = kPe + 24;
inline constexpr std::size_t kRsrc = 0x400;
inline constexpr std::uint32_t kSub = 0x80000000;

inline std::size_t Directories(bool pe64) {
    return kOptional + (pe64 ? 112 : 96);
}
inline std::size_t SectionTable(bool pe64) {
    return kOptional + (pe64 ? 240 : 224);
}

inline void Put(std::string& image, std::size_t at, int width, std::uint32_t value) {
    for (int i = 0; i < width; ++i) {
        image[at + i] = static_cast<char>(value >> 8 * i & 0xFF);
    }
}

inline std::uint32_t Get(const std::string& image, std::size_t at, int width = 4) {
    std::uint32_t value = 0;
    for (int i = 0; i < width; ++i) {
        value |= std::uint32_t{static_cast<std::uint8_t>(image[at + i])} << 8 * i;
    }
    return value;
}

inline std::string MakeImage(bool pe64) {
    std::string image(0x610, '\0');
    image.replace(0, 2, "MZ");
    Put(image, 0x3C, 4, kPe);
    image.replace(kPe, 4, "PE\0\0", 4);
    Put(image, kPe + 4, 2, pe64 ? 0x8664 : 0x14C);
    Put(image, kPe + 6, 2, 2);      // sections
    Put(image, kPe + 8, 4, 0x600);  // symbols
    Put(image, kPe + 20, 2, pe64 ? 240 : 224);
    Put(image, kPe + 22, 2, pe64 ? 0x22 : 0x102);  // executable
    Put(image, kOptional, 2, pe64 ? 0x20B : 0x10B);
    Put(image, kOptional + 32, 4, 0x1000);  // SectionAlignment
    Put(image, kOptional + 36, 4, 0x200);   // FileAlignment
    Put(image, kOptional + 56, 4, 0x3000);  // SizeOfImage
    Put(image, kOptional + 60, 4, 0x200);   // SizeOfHeaders
    Put(image, kOptional + 68, 2, 2);       // Windows GUI
    Put(image, Directories(pe64) - 4, 4, 16);
    Put(image, Directories(pe64) + 16, 4, 0x2000);
    Put(image, Directories(pe64) + 20, 4, 0xB3);
    const std::size_t table = SectionTable(pe64);
    image.replace(table, 5, ".text");
    const std::uint32_t text[] = {0x10, 0x1000, 0x200, 0x200, 0, 0, 0, 0x60000020};
    const std::uint32_t rsrc[] = {0xB3, 0x2000, 0x200, 0x400, 0, 0, 0, 0x40000040};
    image.replace(table + 40, 5, ".rsrc");
    for (std::size_t i = 0; i < 8; ++i) {
        Put(image, table + 8 + 4 * i, 4, text[i]);
        Put(image, table + 48 + 4 * i, 4, rsrc[i]);
    }
    // The resource directory, offsets from the start of .rsrc.
    const std::pair<std::uint32_t, std::uint32_t> directory[] = {
        {0x0C, 2u << 16},  // root: two ids
        {0x10, 5},
        {0x14, kSub | 0x20},  // RT_DIALOG
        {0x18, 14},
        {0x1C, kSub | 0x38},  // RT_GROUP_ICON
        {0x2C, 1u << 16},
        {0x30, 1001},
        {0x34, kSub | 0x50},  // dialog 1001
        {0x44, 1},
        {0x48, kSub | 0xA0},
        {0x4C, kSub | 0x68},  // icon "A"
        {0x5C, 1u << 16},
        {0x60, 1033},
        {0x64, 0x80},
        {0x74, 1u << 16},
        {0x78, 1033},
        {0x7C, 0x90},
        {0x80, 0x20A8},
        {0x84, 5},
        {0x88, 0},  // "hello"
        {0x90, 0x20B0},
        {0x94, 3},
        {0x98, 1252},             // "ico"
        {0xA0, 0x41u << 16 | 1},  // "A"
    };
    for (const auto& [at, value] : directory) {
        Put(image, kRsrc + at, 4, value);
    }
    image.replace(kRsrc + 0xA8, 5, "hello");
    image.replace(kRsrc + 0xB0, 3, "ico");
    image.replace(0x600, 16, "symbols, strings");
    return image;
}

}  // namespace brivel::testing
