#include "files.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "app/file_replace.h"

namespace brivel::tool {

std::optional<std::vector<std::uint8_t>> ReadWholeFile(const std::string& path) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) {
        return std::nullopt;
    }
    std::vector<std::uint8_t> bytes;
    std::uint8_t chunk[65536];
    std::size_t got = 0;
    while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0) {
        bytes.insert(bytes.end(), chunk, chunk + got);
    }
    const bool ok = std::ferror(file) == 0;
    std::fclose(file);
    if (!ok) {
        return std::nullopt;
    }
    return bytes;
}

bool WriteAtomically(const std::string& path, const std::string& bytes, bool executable) {
    const std::string temporary = path + ".tmp";
    std::FILE* file = std::fopen(temporary.c_str(), "wb");
    if (file == nullptr) {
        std::fprintf(stderr, "%s: %s\n", temporary.c_str(), std::strerror(errno));
        return false;
    }
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    std::error_code error;
    if (executable) {
        namespace fs = std::filesystem;
        fs::permissions(temporary,
                        fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                            fs::perms::others_read | fs::perms::others_exec,
                        error);
    }
    if (std::fclose(file) != 0 || !written || error || !ReplaceFileAtomically(temporary, path)) {
        std::fprintf(stderr, "%s: cannot write the file\n", path.c_str());
        std::remove(temporary.c_str());
        return false;
    }
    return true;
}

}  // namespace brivel::tool
