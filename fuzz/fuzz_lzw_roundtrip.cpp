// LzwDecode(LzwEncode(x)) == x. A dictionary fills after 3837 new strings,
// more bytes than most fuzzer inputs hold, so the input may also be tiled out
// to a length it chooses. Texts near the decoder's limit are the lzw_decode
// target's: a short stream of long strings reaches it, where a text to encode
// costs the whole length at every run, and the fuzzer keeps such inputs.
//
// Input: a mode byte, then the text itself (mode even), or 2 bytes of length
// (little-endian), a byte that changes each copy and the tile (mode odd).

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "fuzz_support.h"
#include "quiz/lzw.h"

using namespace brivel;

namespace {

// Each copy changed a little, or the dictionary only ever grows one string.
// Not traced: the fuzzer learns nothing from the harness's own loop.
__attribute__((no_sanitize("coverage"))) void Tile(std::vector<std::uint8_t>& text,
                                                   const std::uint8_t* tile, std::size_t tileSize,
                                                   std::uint8_t twist) {
    for (std::size_t at = 0, copy = 0; at < text.size(); at += tileSize, ++copy) {
        const auto change = static_cast<std::uint8_t>(copy * twist);
        const std::size_t count = std::min(tileSize, text.size() - at);
        for (std::size_t i = 0; i < count; ++i) {
            text[at + i] = tile[i] ^ change;
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    const std::uint8_t mode = data[0];
    std::vector<std::uint8_t> text;
    if ((mode & 1) == 0) {
        text.assign(data + 1, data + size);
    } else {
        if (size < 5) {
            return 0;
        }
        // Up to 5 KiB: a tile that keeps changing fills the dictionary and
        // resets it.
        const std::size_t length = (data[1] | std::size_t{data[2]} << 8) % 5120;
        text.resize(length);
        Tile(text, data + 4, size - 4, data[3]);
    }

    fuzz::CountingSink sink;
    const CodecResult packed = LzwEncode(text.data(), text.size(), sink);
    if (text.empty()) {
        FUZZ_CHECK(packed.status == DecodeStatus::Truncated);
        return 0;
    }
    FUZZ_CHECK(packed.status == DecodeStatus::Ok);
    const CodecResult unpacked = LzwDecode(packed.bytes.data(), packed.bytes.size(), sink);
    FUZZ_CHECK(sink.count == 0);
    FUZZ_CHECK(unpacked.status == DecodeStatus::Ok);
    FUZZ_CHECK(unpacked.bytes == text);
    return 0;
}
