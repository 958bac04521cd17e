// LzwDecode(LzwEncode(x)) == x. Texts near the decoder's limit need far more
// bytes than a fuzzer input holds, so the input may also be tiled out to a
// length it chooses.

#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "fuzz_support.h"
#include "quiz/lzw.h"

using namespace brivel;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider provider(data, size);
    const std::uint8_t mode = provider.ConsumeIntegral<std::uint8_t>();
    std::vector<std::uint8_t> text;
    if ((mode & 1) == 0) {
        text = provider.ConsumeRemainingBytes<std::uint8_t>();
    } else {
        // Mostly up to 8 KiB, enough for the dictionary to fill and reset;
        // for one mode in eight within 300 bytes of the limit, either side
        // (rarely, as such a text takes milliseconds).
        const std::uint16_t pick = provider.ConsumeIntegral<std::uint16_t>();
        const std::size_t length =
            (mode & 0x0E) == 0x0E ? kLzwMaxDecodedSize - 300 + pick % 601 : pick % 8192;
        const std::vector<std::uint8_t> tile = provider.ConsumeRemainingBytes<std::uint8_t>();
        if (tile.empty()) {
            return 0;
        }
        // Each copy changed a little, or the dictionary only ever grows one string.
        const std::uint8_t twist = static_cast<std::uint8_t>(mode >> 4);
        text.resize(length);
        for (std::size_t i = 0; i < length; ++i) {
            const std::size_t copy = i / tile.size();
            text[i] = static_cast<std::uint8_t>(tile[i % tile.size()] ^ (copy * twist));
        }
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
    if (text.size() <= kLzwMaxDecodedSize) {
        FUZZ_CHECK(unpacked.status == DecodeStatus::Ok);
        FUZZ_CHECK(unpacked.bytes == text);
    } else {
        // Refused, having given only a true prefix of the text.
        FUZZ_CHECK(unpacked.status == DecodeStatus::InvalidCode);
        FUZZ_CHECK(unpacked.bytes.size() <= kLzwMaxDecodedSize);
        FUZZ_CHECK(std::equal(unpacked.bytes.begin(), unpacked.bytes.end(), text.begin()));
    }
    return 0;
}
