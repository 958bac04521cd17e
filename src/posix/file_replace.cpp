#include "io/file_replace.h"

#include <fcntl.h>
#include <sys/stat.h>
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

bool WriteAll(int fd, std::string_view bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t wrote = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (wrote < 0 && errno == EINTR) {
            continue;
        }
        if (wrote <= 0) {
            if (wrote == 0) {
                errno = ENOSPC;
            }
            return false;
        }
        done += static_cast<std::size_t>(wrote);
    }
    return true;
}

mode_t CurrentUmask() {
    const mode_t mask = ::umask(022);
    ::umask(mask);
    return mask;
}

// Without this the rename itself may not survive a power cut. Failing here
// changes nothing for the caller: the new file is already in place.
void SyncFolder(const std::string& folder) {
    const int fd =
        ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        SyncDescriptor(fd);
        ::close(fd);
    }
}

ReplaceResult Failed(ReplaceStatus status, int error) {
    return {status, error};
}

class DescriptorWriter final : public FileWriter {
public:
    explicit DescriptorWriter(int fd) : fd_(fd) {}

    bool Write(std::string_view bytes) override { return Keep(WriteAll(fd_, bytes)); }

    bool WriteAt(std::uint64_t offset, std::string_view bytes) override {
        const off_t end = ::lseek(fd_, 0, SEEK_CUR);
        return Keep(end >= 0 && ::lseek(fd_, static_cast<off_t>(offset), SEEK_SET) >= 0 &&
                    WriteAll(fd_, bytes) && ::lseek(fd_, end, SEEK_SET) == end);
    }

    int error() const { return error_; }

private:
    bool Keep(bool written) {
        if (!written && error_ == 0) {
            error_ = errno;
        }
        return written;
    }

    int fd_;
    int error_ = 0;  // of the first write that failed
};

}  // namespace

ReplaceResult ReplaceFileWith(const std::string& path, const std::function<bool(FileWriter&)>& fill,
                              FileUse use) noexcept {
    struct stat target {};
    if (::stat(path.c_str(), &target) == 0 && S_ISDIR(target.st_mode)) {
        return Failed(ReplaceStatus::IsFolder, EISDIR);
    }
    try {
        // Hidden beside the target, so that the rename stays on one file system.
        const std::string::size_type slash = path.rfind('/');
        const std::string folder =
            slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
        std::string temporary = folder + "." + path.substr(folder.size()) + ".XXXXXX";
        const int fd = ::mkstemp(temporary.data());
        if (fd < 0) {
            return Failed(ReplaceStatus::NoTemporary, errno);
        }
        const mode_t mode = (use == FileUse::Program ? 0777 : 0666) & ~CurrentUmask();
        DescriptorWriter writer(fd);
        bool filled = false;
        int fillError = 0;
        try {
            filled = fill(writer);
            fillError = writer.error();
        } catch (const std::exception&) {
            fillError = ENOMEM;  // only memory can run out
        }
        // EINVAL only says this file system has nothing to sync; a real write
        // error must keep the old file.
        bool written =
            filled && ::fchmod(fd, mode) == 0 && (SyncDescriptor(fd) == 0 || errno == EINVAL);
        int error = written ? 0 : filled ? errno : fillError;
        if (::close(fd) != 0 && written) {
            written = false;
            error = errno;
        }
        ReplaceResult result;
        if (!written) {
            result = Failed(ReplaceStatus::WriteFailed, error);
        } else if (std::rename(temporary.c_str(), path.c_str()) != 0) {
            result = Failed(ReplaceStatus::MoveFailed, errno);
        } else {
            SyncFolder(folder);
            return result;
        }
        ::unlink(temporary.c_str());
        return result;
    } catch (const std::exception&) {
        // Only memory can run out, before any file is made.
        return Failed(ReplaceStatus::NoTemporary, ENOMEM);
    }
}

}  // namespace brivel
