#pragma once

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <system_error>

namespace brivel::testing {

// A fresh folder for one test, under $BRIVEL_TEST_TMP or the system's
// temporary folder; it goes, with all it holds, when the object goes.
class ScratchFolder {
public:
    explicit ScratchFolder(const std::string& prefix) {
        namespace fs = std::filesystem;
        const char* root = std::getenv("BRIVEL_TEST_TMP");
        const fs::path base =
            root != nullptr && *root != '\0' ? fs::path(root) : fs::temp_directory_path();
        fs::create_directories(base);
        std::random_device random;
        while (path_.empty()) {
            const fs::path candidate = base / (prefix + "-" + std::to_string(random()));
            if (fs::create_directory(candidate)) {
                path_ = candidate;
            }
        }
    }
    ~ScratchFolder() {
        namespace fs = std::filesystem;
        std::error_code ignored;
        // A test may have made it read-only.
        fs::permissions(path_, fs::perms::owner_all, fs::perm_options::add, ignored);
        fs::remove_all(path_, ignored);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};

// A file's bytes, as a std::string or a vector of bytes; empty when it cannot be read.
template <typename Bytes = std::string>
Bytes FileBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace brivel::testing
