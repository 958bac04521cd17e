#pragma once

// Where a quiz being written goes, a piece at a time: a file, so that a quiz
// of large pictures is never held whole, or bytes in memory.

#include <cstddef>
#include <cstdint>
#include <string>

namespace brivel {

class ByteSink {
public:
    virtual ~ByteSink() = default;

    // Appends size bytes; false when they cannot be taken (the sink knows why).
    virtual bool Write(const void* data, std::size_t size) = 0;

    // Writes over bytes already written, offset bytes from the start: a
    // header whose checksum covers what follows it.
    virtual bool Overwrite(std::uint64_t offset, const void* data, std::size_t size) = 0;

    bool Write(const std::string& bytes) { return Write(bytes.data(), bytes.size()); }
};

// Every byte kept in a string.
class StringSink final : public ByteSink {
public:
    using ByteSink::Write;

    bool Write(const void* data, std::size_t size) override {
        bytes.append(static_cast<const char*>(data), size);
        return true;
    }

    bool Overwrite(std::uint64_t offset, const void* data, std::size_t size) override {
        if (offset > bytes.size() || size > bytes.size() - offset) {
            return false;
        }
        bytes.replace(static_cast<std::size_t>(offset), size, static_cast<const char*>(data), size);
        return true;
    }

    std::string bytes;
};

}  // namespace brivel
