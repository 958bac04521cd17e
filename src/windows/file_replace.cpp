#include "io/file_replace.h"

#include <windows.h>

#include <cstdio>
#include <exception>

namespace brivel {

namespace {

ReplaceResult Failed(ReplaceStatus status, DWORD error) {
    return {status, static_cast<int>(error)};
}

bool WriteAll(HANDLE file, std::string_view bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const std::size_t rest = bytes.size() - done;
        const DWORD chunk = rest > 0x40000000u ? 0x40000000u : static_cast<DWORD>(rest);
        DWORD wrote = 0;
        if (!WriteFile(file, bytes.data() + done, chunk, &wrote, nullptr) || wrote == 0) {
            return false;
        }
        done += wrote;
    }
    return true;
}

// A new file of a name no one holds, beside path; CREATE_NEW fails rather than
// open a file that is there already, so the next name is tried.
HANDLE MakeTemporary(const std::string& path, std::string& temporary) {
    const std::string::size_type slash = path.find_last_of("\\/");
    const std::string::size_type start = slash == std::string::npos ? 0 : slash + 1;
    const std::string hidden = path.substr(0, start) + "." + path.substr(start) + ".";
    DWORD seed = GetTickCount() ^ (GetCurrentProcessId() << 16);
    for (int attempt = 0; attempt < 100; ++attempt) {
        seed = seed * 1664525u + 1013904223u;
        char suffix[16];
        std::snprintf(suffix, sizeof suffix, "%08lx", static_cast<unsigned long>(seed));
        temporary = hidden + suffix;
        HANDLE file = CreateFileA(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE || GetLastError() != ERROR_FILE_EXISTS) {
            return file;
        }
    }
    return INVALID_HANDLE_VALUE;
}

class HandleWriter final : public FileWriter {
public:
    explicit HandleWriter(HANDLE file) : file_(file) {}

    bool Write(std::string_view bytes) override { return Keep(WriteAll(file_, bytes)); }

    bool WriteAt(std::uint64_t offset, std::string_view bytes) override {
        LARGE_INTEGER none{};
        LARGE_INTEGER end{};
        LARGE_INTEGER at{};
        at.QuadPart = static_cast<LONGLONG>(offset);
        return Keep(SetFilePointerEx(file_, none, &end, FILE_CURRENT) &&
                    SetFilePointerEx(file_, at, nullptr, FILE_BEGIN) && WriteAll(file_, bytes) &&
                    SetFilePointerEx(file_, end, nullptr, FILE_BEGIN));
    }

    DWORD error() const { return error_; }

private:
    bool Keep(bool written) {
        if (!written && error_ == 0) {
            error_ = GetLastError();
        }
        return written;
    }

    HANDLE file_;
    DWORD error_ = 0;  // of the first write that failed
};

}  // namespace

ReplaceResult ReplaceFileWith(const std::string& path, const std::function<bool(FileWriter&)>& fill,
                              FileUse /*use*/) noexcept {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        return Failed(ReplaceStatus::IsFolder, ERROR_DIRECTORY);
    }
    try {
        std::string temporary;
        HANDLE file = MakeTemporary(path, temporary);
        if (file == INVALID_HANDLE_VALUE) {
            return Failed(ReplaceStatus::NoTemporary, GetLastError());
        }
        HandleWriter writer(file);
        bool filled = false;
        DWORD fillError = 0;
        try {
            filled = fill(writer);
            fillError = writer.error();
        } catch (const std::exception&) {
            fillError = ERROR_NOT_ENOUGH_MEMORY;  // only memory can run out
        }
        bool written = filled && FlushFileBuffers(file);
        DWORD error = written ? 0 : filled ? GetLastError() : fillError;
        if (!CloseHandle(file) && written) {
            written = false;
            error = GetLastError();
        }
        ReplaceResult result;
        // Write-through: the call returns only once the rename is on the disk.
        if (!written) {
            result = Failed(ReplaceStatus::WriteFailed, error);
        } else if (!MoveFileExA(temporary.c_str(), path.c_str(),
                                MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
            result = Failed(ReplaceStatus::MoveFailed, GetLastError());
        } else {
            return result;
        }
        DeleteFileA(temporary.c_str());
        return result;
    } catch (const std::exception&) {
        return Failed(ReplaceStatus::NoTemporary, ERROR_NOT_ENOUGH_MEMORY);
    }
}

}  // namespace brivel
