// A Linux quiz's file: LocateBundle (the bundle found is fuzz_res_file's).
// ReadAppendedBundle, which reads the same from a file, must agree, and
// appending a bundle must give one that LocateBundle finds again.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "fuzz_support.h"
#include "maker/appended_bundle_writer.h"
#include "quiz/appended_bundle.h"

using namespace brivel;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::size_t offset = 0;
    std::size_t length = 0;
    const BundleStatus status = LocateBundle(data, size, offset, length);
    FUZZ_CHECK(status != BundleStatus::ReadError);
    if (status == BundleStatus::Ok) {
        FUZZ_CHECK(size >= kBundleTrailerSize);
        FUZZ_CHECK(offset + length == size - kBundleTrailerSize);
        FUZZ_CHECK(BareSize(data, size) == offset);
    } else {
        FUZZ_CHECK(BareSize(data, size) == size);
    }

    // The same bytes as the player's own file.
    const std::string path = fuzz::ScratchDir() + "/quiz";
    {
        FILE* file = std::fopen(path.c_str(), "wb");
        FUZZ_CHECK(file != nullptr);
        FUZZ_CHECK(std::fwrite(data, 1, size, file) == size);
        FUZZ_CHECK(std::fclose(file) == 0);
    }
    std::vector<std::uint8_t> read;
    const BundleStatus fromFile = ReadAppendedBundle(path, read);
    FUZZ_CHECK(fromFile == status);
    if (status == BundleStatus::Ok) {
        FUZZ_CHECK(read.size() == length);
        FUZZ_CHECK(length == 0 || std::memcmp(read.data(), data + offset, length) == 0);
    }

    // Re-packing replaces any bundle, so the bare player stays what it was.
    const std::string player(reinterpret_cast<const char*>(data), size);
    const std::string bundle = "quiz";
    const std::string packed = AppendBundle(player, bundle);
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(packed.data());
    FUZZ_CHECK(LocateBundle(bytes, packed.size(), offset, length) == BundleStatus::Ok);
    FUZZ_CHECK(packed.compare(offset, length, bundle) == 0);
    const std::size_t bare = BareSize(data, size);
    FUZZ_CHECK(offset == bare);
    FUZZ_CHECK(packed.compare(0, bare, player, 0, bare) == 0);
    return 0;
}
