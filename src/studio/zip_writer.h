#pragma once

// The quiz folder as one .zip for the browser's single download: entries
// stored, not deflated, since JPEG pictures do not shrink.

#include <cstdint>
#include <string>

namespace brivel {

class ZipWriter {
public:
    void Add(const std::string& name, const std::string& data);
    // The whole archive; the writer is empty again.
    std::string Finish();

private:
    std::string body_;
    std::string directory_;
    std::uint16_t count_ = 0;
};

}  // namespace brivel
