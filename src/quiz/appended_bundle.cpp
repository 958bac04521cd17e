#include "quiz/appended_bundle.h"

#include <cstring>
#include <optional>

#include "io/input_file.h"

namespace brivel {

namespace {

// A quiz bundle holds 21 pictures of a few hundred kilobytes at most; anything
// claiming more is a damaged trailer, not a reason to allocate gigabytes.
constexpr std::uint64_t kMaxBundleSize = 1ull << 30;

std::uint64_t ReadLittleEndian64(const std::uint8_t* bytes) {
    std::uint64_t value = 0;
    for (int i = 7; i >= 0; --i) {
        value = (value << 8) | bytes[i];
    }
    return value;
}

bool HasMagic(const std::uint8_t* trailer) {
    return std::memcmp(trailer + 8, kBundleMagic, 8) == 0;
}

// Where the bundle starts, given the trailer and the bytes before it.
BundleStatus Locate(const std::uint8_t* trailer, std::uint64_t bytesBeforeTrailer,
                    std::uint64_t& offset, std::uint64_t& length) {
    if (!HasMagic(trailer)) {
        return BundleStatus::NoBundle;
    }
    length = ReadLittleEndian64(trailer);
    if (length > bytesBeforeTrailer || length > kMaxBundleSize) {
        return BundleStatus::BadSize;
    }
    offset = bytesBeforeTrailer - length;
    return BundleStatus::Ok;
}

}  // namespace

const char* BundleStatusName(BundleStatus status) {
    switch (status) {
        case BundleStatus::Ok:
            return "ok";
        case BundleStatus::NoBundle:
            return "no quiz bundle at the end of the file";
        case BundleStatus::BadSize:
            return "the bundle's trailer gives a size larger than the file";
        case BundleStatus::ReadError:
            return "the file cannot be read";
    }
    return "unknown status";
}

BundleStatus LocateBundle(const std::uint8_t* bytes, std::size_t size, std::size_t& offset,
                          std::size_t& length) {
    if (size < kBundleTrailerSize) {
        return BundleStatus::NoBundle;
    }
    std::uint64_t start = 0;
    std::uint64_t count = 0;
    const BundleStatus status =
        Locate(bytes + size - kBundleTrailerSize, size - kBundleTrailerSize, start, count);
    if (status == BundleStatus::Ok) {
        offset = static_cast<std::size_t>(start);
        length = static_cast<std::size_t>(count);
    }
    return status;
}

BundleStatus ReadAppendedBundle(const std::string& path, std::vector<std::uint8_t>& bundle) {
    InputFile in(path);
    const std::optional<std::uint64_t> size = in.Size();
    if (!size) {
        return BundleStatus::ReadError;
    }
    if (*size < kBundleTrailerSize) {
        return BundleStatus::NoBundle;
    }
    std::uint8_t trailer[kBundleTrailerSize];
    if (!in.ReadAt(*size - kBundleTrailerSize, trailer, sizeof trailer)) {
        return BundleStatus::ReadError;
    }
    std::uint64_t offset = 0;
    std::uint64_t length = 0;
    const BundleStatus status = Locate(trailer, *size - kBundleTrailerSize, offset, length);
    if (status != BundleStatus::Ok) {
        return status;
    }
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(length));
    if (!in.ReadAt(offset, bytes.data(), bytes.size())) {
        return BundleStatus::ReadError;
    }
    bundle = std::move(bytes);
    return BundleStatus::Ok;
}

}  // namespace brivel
