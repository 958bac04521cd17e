#include "io/input_file.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <new>

#include "services/picture_memory.h"

namespace brivel {

InputFile::InputFile(const std::string& path) : file_(std::fopen(path.c_str(), "rb")) {
    if (file_ == nullptr) {
        Fail();
    }
}

InputFile::~InputFile() {
    if (file_ != nullptr) {
        std::fclose(file_);
    }
}

void InputFile::Fail() {
    // A folder opens for reading on POSIX systems and only fails at the first read.
    reason_ = errno == EISDIR ? "is a folder, not a file"
              : errno != 0    ? std::strerror(errno)
                              : "cannot be read";
}

std::optional<std::uint64_t> InputFile::Size() {
    // The standard seek takes a long: 2 GiB on 32-bit systems, more than any
    // quiz or picture needs.
    if (!ok() || std::fseek(file_, 0, SEEK_END) != 0) {
        return std::nullopt;
    }
    const long size = std::ftell(file_);
    std::rewind(file_);
    if (size < 0) {
        return std::nullopt;
    }
    return static_cast<std::uint64_t>(size);
}

bool InputFile::ReadAt(std::uint64_t offset, std::uint8_t* out, std::size_t count) {
    if (!ok()) {
        return false;
    }
    errno = 0;
    if (offset > static_cast<std::uint64_t>(LONG_MAX) ||
        std::fseek(file_, static_cast<long>(offset), SEEK_SET) != 0 ||
        std::fread(out, 1, count, file_) != count) {
        Fail();
        return false;
    }
    return true;
}

std::size_t InputFile::ReadHead(std::uint8_t* out, std::size_t count) {
    if (!ok() || std::fseek(file_, 0, SEEK_SET) != 0) {
        return 0;
    }
    return std::fread(out, 1, count, file_);
}

std::optional<std::vector<std::uint8_t>> InputFile::ReadRest() {
    if (!ok()) {
        return std::nullopt;
    }
    std::vector<std::uint8_t> bytes;
    std::uint8_t chunk[65536];
    errno = 0;
    std::size_t got = std::fread(chunk, 1, sizeof chunk, file_);
    if (got == sizeof chunk) {
        // Room for the whole file at once: growing by chunks copies a phone
        // photo several times over into fresh pages. Capped, so that a huge
        // file is read (and fails) as before, not at the reserve. Asked only
        // now, since a folder's size means nothing.
        const long here = std::ftell(file_);
        if (here >= 0 && std::fseek(file_, 0, SEEK_END) == 0) {
            const long end = std::ftell(file_);
            if (std::fseek(file_, here, SEEK_SET) != 0) {
                Fail();
                return std::nullopt;
            }
            if (end > 0) {
                bytes.reserve(static_cast<std::size_t>(std::min(end, 1L << 30)));
                // Its fresh pages cost a fault each: a third of packing photos.
                AdviseHugePages(bytes.data(), bytes.capacity());
            }
        }
    }
    while (got > 0) {
        bytes.insert(bytes.end(), chunk, chunk + got);
        got = std::fread(chunk, 1, sizeof chunk, file_);
    }
    if (std::ferror(file_) != 0) {
        Fail();
        return std::nullopt;
    }
    return bytes;
}

std::optional<std::vector<std::uint8_t>> ReadWholeFile(const std::string& path,
                                                       std::string* reason) {
    InputFile file(path);
    std::optional<std::vector<std::uint8_t>> bytes = file.ReadRest();
    if (!bytes && reason != nullptr) {
        *reason = file.reason();
    }
    return bytes;
}

}  // namespace brivel
