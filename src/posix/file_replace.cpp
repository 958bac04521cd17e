#include "io/file_replace.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <exception>

namespace brivel {

namespace {

int SyncDescriptor(int fd) {
    int result;
    do {
        result = ::fsync(fd);
    } while (result != 0 && errno == EINTR);
    return result;
}

// Without this the rename itself may not survive a power cut. Failing here
// changes nothing for the caller: the new file is already in place.
void SyncFolderOf(const std::string& path) {
    try {
        const std::string::size_type slash = path.rfind('/');
        const std::string folder = slash == std::string::npos ? std::string(".")
                                   : slash == 0               ? std::string("/")
                                                              : path.substr(0, slash);
        const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd >= 0) {
            SyncDescriptor(fd);
            ::close(fd);
        }
    } catch (const std::exception&) {
    }
}

}  // namespace

bool ReplaceFileAtomically(const std::string& source, const std::string& target) noexcept {
    const int fd = ::open(source.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    // EINVAL only says this file system has nothing to sync; a real write
    // error must keep the old file.
    const bool synced = SyncDescriptor(fd) == 0 || errno == EINVAL;
    ::close(fd);
    if (!synced || std::rename(source.c_str(), target.c_str()) != 0) {
        return false;
    }
    SyncFolderOf(target);
    return true;
}

}  // namespace brivel
