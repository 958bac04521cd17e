#include "io/file_replace.h"

#include <windows.h>

namespace brivel {

bool ReplaceFileAtomically(const std::string& source, const std::string& target) noexcept {
    HANDLE file = CreateFileA(source.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return false;
    }
    const BOOL flushed = FlushFileBuffers(file);
    CloseHandle(file);
    if (!flushed) {
        return false;
    }
    // Write-through: the call returns only once the rename is on the disk.
    return MoveFileExA(source.c_str(), target.c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

}  // namespace brivel
