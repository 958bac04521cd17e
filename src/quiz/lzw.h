#pragma once

// The LZW variant that packs the quiz texts into the "PATCH" resources:
// variable-width codes packed most significant bit first, starting at 9 bits,
// with three control codes (256 end, 257 one bit wider, 258 reset).

#include <cstddef>
#include <cstdint>
#include <vector>

#include "services/message_sink.h"

namespace brivel {

enum class DecodeStatus : int {
    // The whole text (decode) or the whole code stream (encode) was produced.
    Ok = 0,
    // A working allocation failed; nothing is handed out.
    OutOfMemory = -4,
    // The input is empty, or ends before the first code is complete.
    Truncated = -5,
    // Not given any more: the encoder's codes never pass 12 bits. Kept so
    // that the number keeps its meaning.
    CodeRefused = -6,
    // Decode only: a code above the next free code, a width above 32, the
    // input ending inside a later code, or a stream past the decoder's limits.
    InvalidCode = -7,
};

// A short English meaning of the status, for the authoring tool.
const char* DecodeStatusName(DecodeStatus status);

struct CodecResult {
    DecodeStatus status;
    // Decode: the text, or on Truncated and InvalidCode what was decoded
    // before the failure. Encode: the code stream on Ok, else empty.
    std::vector<std::uint8_t> bytes;
};

// The player's buffer size: the decoder refuses (InvalidCode) a longer text
// rather than grow. This also bounds every dictionary string: each string is
// one byte longer than one already written out, so a string of L bytes needs
// L(L-1)/2 bytes of output first, and none gets near 4096 bytes.
inline constexpr std::size_t kLzwMaxDecodedSize = 120000;

// Failing to allocate the output shows "Impossible d'allouer la memoire"
// through sink before returning OutOfMemory. Neither function throws.
CodecResult LzwDecode(const std::uint8_t* input, std::size_t count, MessageSink& sink);
CodecResult LzwEncode(const std::uint8_t* input, std::size_t count, MessageSink& sink);

}  // namespace brivel
