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

namespace {

// Says what went wrong, unless the one who filled the file gave up and said so.
bool Written(const char* command, const std::string& path, const ReplaceResult& result) {
    if (result.status == ReplaceStatus::IsFolder) {
        std::fprintf(stderr, "brivel %s: %s: %s\n", command, path.c_str(),
                     ReplaceStatusName(result.status));
    } else if (!result.ok() && result.error != 0) {
        std::fprintf(stderr, "brivel %s: %s: %s: %s\n", command, path.c_str(),
                     ReplaceStatusName(result.status), std::strerror(result.error));
    }
    return result.ok();
}

class FileSink final : public ByteSink {
public:
    explicit FileSink(FileWriter& writer) : writer_(writer) {}

    using ByteSink::Write;
    bool Write(const void* data, std::size_t size) override {
        return writer_.Write(std::string_view(static_cast<const char*>(data), size));
    }

    bool Overwrite(std::uint64_t offset, const void* data, std::size_t size) override {
        return writer_.WriteAt(offset, std::string_view(static_cast<const char*>(data), size));
    }

private:
    FileWriter& writer_;
};

}  // namespace

bool WriteAtomically(const char* command, const std::string& path, const std::string& bytes,
                     bool executable) {
    return Written(command, path,
                   ReplaceFileWith(path, bytes, executable ? FileUse::Program : FileUse::Data));
}

bool WriteAtomically(const char* command, const std::string& path,
                     const std::function<bool(ByteSink&)>& fill, bool executable) {
    return Written(command, path,
                   ReplaceFileWith(
                       path,
                       [&fill](FileWriter& writer) {
                           FileSink sink(writer);
                           return fill(sink);
                       },
                       executable ? FileUse::Program : FileUse::Data));
}

}  // namespace brivel::tool
