// A quiz folder's .zip: ReadZipFolder on any bytes, and the folder it reads,
// written again as the studio writes its download, reads back the same.

#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz_support.h"
#include "maker/zip_archive.h"

using namespace brivel;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const ZipFolder read = ReadZipFolder(data, size);
    FUZZ_CHECK(ZipStatusName(read.status) != nullptr);
    if (read.status != ZipStatus::Ok) {
        FUZZ_CHECK(read.files.empty());
        return 0;
    }
    FUZZ_CHECK(read.folder.empty() || read.folder.back() == '/');
    std::size_t total = 0;
    ZipWriter writer;
    for (const FolderFile& file : read.files) {
        FUZZ_CHECK(!file.name.empty() && file.name.back() != '/');
        total += file.bytes.size();
        // A name in the DOS code page grows in UTF-8, past what an entry holds.
        if (!writer.Add(file.name, std::string(file.bytes.begin(), file.bytes.end()))) {
            FUZZ_CHECK(file.name.size() > 0xFFFF);
            return 0;
        }
    }
    FUZZ_CHECK(total <= kZipLimit);

    // Its quiz.toml is now at the top: the folder is the whole archive.
    const std::string written = writer.Finish();
    const ZipFolder again =
        ReadZipFolder(reinterpret_cast<const std::uint8_t*>(written.data()), written.size());
    FUZZ_CHECK(again.status == ZipStatus::Ok);
    FUZZ_CHECK(again.folder.empty());
    FUZZ_CHECK(again.files.size() == read.files.size());
    for (std::size_t i = 0; i < again.files.size(); ++i) {
        FUZZ_CHECK(again.files[i].name == read.files[i].name);
        FUZZ_CHECK(again.files[i].bytes == read.files[i].bytes);
    }
    return 0;
}
