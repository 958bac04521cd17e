#pragma once

// Reading files, for the players and the tool alike: a whole file, or the
// parts of one. A reason is always in words a user can act on.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

namespace brivel {

// A file open for reading; closed with the object.
class InputFile {
public:
    explicit InputFile(const std::string& path);
    ~InputFile();
    InputFile(const InputFile&) = delete;
    InputFile& operator=(const InputFile&) = delete;

    // False once opening or a read failed; reason() then says why.
    bool ok() const { return file_ != nullptr && reason_.empty(); }
    const std::string& reason() const { return reason_; }

    // The size in bytes; nothing when it cannot be told.
    std::optional<std::uint64_t> Size();
    // Exactly count bytes from offset into out.
    bool ReadAt(std::uint64_t offset, std::uint8_t* out, std::size_t count);
    // Up to count bytes from the start into out: fewer when the file is
    // shorter or a read fails, none when it did not open.
    std::size_t ReadHead(std::uint8_t* out, std::size_t count);
    // Everything from the current position to the end.
    std::optional<std::vector<std::uint8_t>> ReadRest();

private:
    void Fail();

    std::FILE* file_ = nullptr;
    std::string reason_;
};

// The whole file, or nothing when it cannot be read; reason then says why
// ("is a folder, not a file", or the system's reason).
std::optional<std::vector<std::uint8_t>> ReadWholeFile(const std::string& path,
                                                       std::string* reason = nullptr);

}  // namespace brivel
