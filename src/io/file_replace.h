#pragma once

// Writing a whole file so that it is always either the old file or the whole
// new one: the bytes go to a new file of a unique name beside it, made
// exclusively (so no file someone else put there is ever written through),
// made durable, then moved into its place. A kill or a full disk half-way
// leaves the old file as it was; no file but that temporary is ever created
// or removed, and none outlives a failure that the process survives.

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace brivel {

enum class ReplaceStatus {
    Replaced,     // the file holds the new bytes whole
    IsFolder,     // the path names a folder: nothing was written
    NoTemporary,  // no new file could be made beside it (a missing or read-only
                  // folder, no rights): nothing was written
    WriteFailed,  // the new bytes could not all be written and made durable (a
                  // full disk): the old file is as it was
    MoveFailed,   // the finished file could not take the old one's place: the
                  // old file is as it was
};

// What went wrong, in words the tool's messages use after the file's name.
const char* ReplaceStatusName(ReplaceStatus status);

struct ReplaceResult {
    ReplaceStatus status = ReplaceStatus::Replaced;
    int error = 0;  // the system's code for the failure (errno, or GetLastError on Windows)
    bool ok() const { return status == ReplaceStatus::Replaced; }
};

// What the file is for, which decides its permissions where files have them:
// a program gets 0777 less the umask, anything else 0666 less the umask, as a
// plain creation would.
enum class FileUse { Data, Program };

ReplaceResult ReplaceFileWith(const std::string& path, std::string_view bytes,
                              FileUse use = FileUse::Data) noexcept;

// The new file as it is made.
class FileWriter {
public:
    virtual ~FileWriter() = default;
    // Appends the bytes; false when they cannot all be written.
    virtual bool Write(std::string_view bytes) = 0;
    // Writes over bytes already written, offset bytes from the start.
    virtual bool WriteAt(std::uint64_t offset, std::string_view bytes) = 0;
};

// ReplaceFileWith for a file made as it is written, so that a large one is
// never held whole: fill writes it through the writer it is given. When fill
// returns false the old file is left as it was: WriteFailed, with the
// system's code of a write that failed, or 0 when fill gave up of itself.
ReplaceResult ReplaceFileWith(const std::string& path, const std::function<bool(FileWriter&)>& fill,
                              FileUse use = FileUse::Data) noexcept;

}  // namespace brivel
