#include "io/folders.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <exception>

namespace brivel {

bool FolderTakesFiles(const std::string& folder) noexcept {
    // The effective user's rights, as creating the file will be checked.
    const char* path = folder.empty() ? "." : folder.c_str();
    return ::faccessat(AT_FDCWD, path, W_OK | X_OK, AT_EACCESS) == 0;
}

bool MakePrivateFolders(const std::string& folder) noexcept {
    try {
        for (std::string::size_type end = folder.find('/', 1);; end = folder.find('/', end + 1)) {
            const std::string part = folder.substr(0, end);
            if (!part.empty() && ::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) {
                return false;
            }
            if (end == std::string::npos) {
                break;
            }
        }
    } catch (const std::exception&) {
        return false;
    }
    return IsFolder(folder);
}

bool IsFolder(const std::string& path) noexcept {
    struct stat status {};
    return ::stat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode);
}

bool SameFile(const std::string& path, const std::string& other) noexcept {
    struct stat a {};
    struct stat b {};
    return ::stat(path.c_str(), &a) == 0 && ::stat(other.c_str(), &b) == 0 &&
           a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

}  // namespace brivel
