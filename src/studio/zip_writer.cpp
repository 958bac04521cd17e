#include "studio/zip_writer.h"

#include <array>

namespace brivel {

namespace {

std::uint32_t Crc32(const std::string& data) {
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
    for (const char c : data) {
        crc = table[(crc ^ static_cast<std::uint8_t>(c)) & 0xFFu] ^ (crc >> 8);
    }
    return crc ^ 0xFFFFFFFFu;
}

void Put16(std::string& out, std::uint32_t value) {
    out += static_cast<char>(value & 0xFFu);
    out += static_cast<char>((value >> 8) & 0xFFu);
}

void Put32(std::string& out, std::uint32_t value) {
    Put16(out, value & 0xFFFFu);
    Put16(out, value >> 16);
}

// 1980-01-01 00:00: a fixed date, so that one quiz gives one archive.
constexpr std::uint32_t kDosDate = (0u << 9) | (1u << 5) | 1u;
// Bit 11: the names are UTF-8.
constexpr std::uint32_t kUtf8Names = 1u << 11;

}  // namespace

void ZipWriter::Add(const std::string& name, const std::string& data) {
    const std::uint32_t crc = Crc32(data);
    const auto offset = static_cast<std::uint32_t>(body_.size());
    const auto size = static_cast<std::uint32_t>(data.size());
    std::string common;
    Put16(common, kUtf8Names);
    Put16(common, 0);  // stored
    Put16(common, 0);  // time
    Put16(common, kDosDate);
    Put32(common, crc);
    Put32(common, size);
    Put32(common, size);
    Put16(common, static_cast<std::uint32_t>(name.size()));
    Put16(common, 0);  // extra field

    Put32(body_, 0x04034B50u);
    Put16(body_, 20);
    body_ += common + name + data;

    Put32(directory_, 0x02014B50u);
    Put16(directory_, 20);
    Put16(directory_, 20);
    directory_ += common;
    Put16(directory_, 0);  // comment
    Put16(directory_, 0);  // disk
    Put16(directory_, 0);  // internal attributes
    Put32(directory_, 0);  // external attributes
    Put32(directory_, offset);
    directory_ += name;
    ++count_;
}

std::string ZipWriter::Finish() {
    std::string out = body_ + directory_;
    Put32(out, 0x06054B50u);
    Put16(out, 0);
    Put16(out, 0);
    Put16(out, count_);
    Put16(out, count_);
    Put32(out, static_cast<std::uint32_t>(directory_.size()));
    Put32(out, static_cast<std::uint32_t>(body_.size()));
    Put16(out, 0);
    *this = ZipWriter();
    return out;
}

}  // namespace brivel
