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
    struct stat made {};
    return ::stat(folder.c_str(), &made) == 0 && S_ISDIR(made.st_mode);
}

}  // namespace brivel
