#include "files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "io/file_replace.h"

namespace brivel::tool {

namespace {

bool IsFolder(const std::string& path) {
    struct stat status {};
    return ::stat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode);
}

constexpr const char* kFolderReason = "is a folder, not a file";

bool WriteAll(int fd, const std::string& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t wrote = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (wrote < 0 && errno == EINTR) {
            continue;
        }
        if (wrote <= 0) {
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

}  // namespace

bool IsSafeOutput(const char* command, const std::string& out,
                  const std::vector<std::string>& inputs) {
    struct stat target {};
    if (::stat(out.c_str(), &target) != 0) {
        return true;  // nothing there yet (or unreachable: writing will say why)
    }
    if (S_ISDIR(target.st_mode)) {
        std::fprintf(stderr, "brivel %s: %s: is a folder; name a file to write\n", command,
                     out.c_str());
        return false;
    }
    for (const std::string& input : inputs) {
        struct stat status {};
        if (::stat(input.c_str(), &status) == 0 && status.st_dev == target.st_dev &&
            status.st_ino == target.st_ino) {
            const std::string what =
                input == out ? "is one of the files " + std::string(command) + " reads"
                             : "is the same file as " + input + ", which " + command + " reads";
            std::fprintf(stderr, "brivel %s: %s: %s; name another file to write\n", command,
                         out.c_str(), what.c_str());
            return false;
        }
    }
    return true;
}

bool WriteAtomically(const char* command, const std::string& path, const std::string& bytes,
                     bool executable) {
    if (IsFolder(path)) {
        std::fprintf(stderr, "brivel %s: %s: %s\n", command, path.c_str(), kFolderReason);
        return false;
    }
    // Hidden and unique beside the target, so the rename stays on one file
    // system and can never replace a file someone else put there.
    const std::string::size_type slash = path.rfind('/');
    const std::string folder =
        slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    std::string temporary = folder + "." + name + ".XXXXXX";
    const int fd = ::mkstemp(temporary.data());
    if (fd < 0) {
        std::fprintf(stderr, "brivel %s: %s: cannot write beside it: %s\n", command, path.c_str(),
                     std::strerror(errno));
        return false;
    }
    const mode_t mode = (executable ? 0777 : 0666) & ~CurrentUmask();
    bool ok = WriteAll(fd, bytes) && ::fchmod(fd, mode) == 0;
    int cause = ok ? 0 : errno;
    if (::close(fd) != 0 && ok) {
        ok = false;
        cause = errno;
    }
    if (ok && !ReplaceFileAtomically(temporary, path)) {
        ok = false;
        cause = errno;
    }
    if (!ok) {
        std::fprintf(stderr, "brivel %s: %s: cannot write the file: %s\n", command, path.c_str(),
                     std::strerror(cause));
        ::unlink(temporary.c_str());
    }
    return ok;
}

}  // namespace brivel::tool
