// Inflate on raw deflate streams behind a fixed zlib header, into an output
// of a size the input picks. The same stream cut into IDAT-like chunks of
// sizes the input picks must decode exactly as the single buffer does.
//
// Input: 3 bytes of output size (little-endian, modulo 1 MiB + 1), 1 byte
// seeding the chunk sizes (0: no chunked decode), then the deflate data.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "fuzz_support.h"
#include "pictures/inflate.h"

using namespace brivel;

namespace {

void PutBigEndian32(std::vector<std::uint8_t>& out, std::uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8) {
        out.push_back(static_cast<std::uint8_t>(value >> shift));
    }
}

// The stream as the chunks of a PNG file from the first IDAT on: empty
// chunks included, a lower-case fourth letter now and then, and a chunk of
// another type at the end that must stop the reader.
std::vector<std::uint8_t> AsChunks(const std::uint8_t* stream, std::size_t size,
                                   std::uint8_t seed) {
    std::vector<std::uint8_t> file;
    std::uint32_t state = seed * 2654435761u + 1;
    std::size_t at = 0;
    while (at < size) {
        state = state * 1103515245u + 12345u;
        const std::size_t length = std::min<std::size_t>((state >> 16) % (seed + 1u), size - at);
        PutBigEndian32(file, static_cast<std::uint32_t>(length));
        const char* type = (state & 0x100) != 0 ? "IDAt" : "IDAT";
        file.insert(file.end(), type, type + 4);
        file.insert(file.end(), stream + at, stream + at + length);
        PutBigEndian32(file, state);  // never read
        at += length;
    }
    const std::uint8_t end[] = {0, 0, 0, 4, 'I', 'D', 'A', 'X', 'J', 'U', 'N', 'K', 0, 0, 0, 0};
    file.insert(file.end(), std::begin(end), std::end(end));
    return file;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 4) {
        return 0;
    }
    const std::size_t outSize = fuzz::OutputRoom(data);
    const std::uint8_t seed = data[3];
    // 0x78 0x01: deflate, 32 KiB window, no dictionary.
    std::vector<std::uint8_t> stream = {0x78, 0x01};
    stream.insert(stream.end(), data + 4, data + size);

    // Exactly outSize bytes, so ASan sees any write past the end.
    std::unique_ptr<std::uint8_t[]> out(new std::uint8_t[outSize]);
    IdatReader whole = IdatReader::OverBuffer(stream.data(), stream.size());
    const InflateResult result = Inflate(whole, out.get(), outSize);
    FUZZ_CHECK(result.written <= outSize);
    FUZZ_CHECK(result.status != InflateStatus::BadHeader);
    FUZZ_CHECK(InflateStatusName(result.status) != nullptr);

    if (seed != 0) {
        const std::vector<std::uint8_t> file = AsChunks(stream.data(), stream.size(), seed);
        std::unique_ptr<std::uint8_t[]> chunkedOut(new std::uint8_t[outSize]);
        IdatReader chunks = IdatReader::OverChunks(file.data(), file.size(), 0);
        const InflateResult chunked = Inflate(chunks, chunkedOut.get(), outSize);
        FUZZ_CHECK(chunked.status == result.status);
        FUZZ_CHECK(chunked.written == result.written);
        FUZZ_CHECK(std::memcmp(chunkedOut.get(), out.get(), result.written) == 0);
    }
    return 0;
}
