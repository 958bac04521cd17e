#include "files.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "io/file_replace.h"
#include "io/folders.h"

namespace brivel::tool {

bool IsSafeOutput(const char* command, const std::string& out,
                  const std::vector<std::string>& inputs) {
    if (IsFolder(out)) {
        std::fprintf(stderr, "brivel %s: %s: is a folder; name a file to write\n", command,
                     out.c_str());
        return false;
    }
    for (const std::string& input : inputs) {
        if (SameFile(input, out)) {
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
    const ReplaceResult result =
        ReplaceFileWith(path, bytes, executable ? FileUse::Program : FileUse::Data);
    if (result.status == ReplaceStatus::IsFolder) {
        std::fprintf(stderr, "brivel %s: %s: %s\n", command, path.c_str(),
                     ReplaceStatusName(result.status));
    } else if (!result.ok()) {
        std::fprintf(stderr, "brivel %s: %s: %s: %s\n", command, path.c_str(),
                     ReplaceStatusName(result.status), std::strerror(result.error));
    }
    return result.ok();
}

}  // namespace brivel::tool
