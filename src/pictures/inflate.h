#pragma once

// The zlib stream (RFC 1950 around RFC 1951 deflate data) of a PNG's image
// data, decoded straight into the caller's buffer. Allocates nothing.

#include <cstddef>
#include <cstdint>

namespace brivel {

// The compressed bytes as a series of contiguous spans: the data of
// consecutive IDAT chunks read in place, or one plain buffer.
class IdatReader {
public:
    // The chunks of a PNG file from the one that starts (length field) at
    // firstIdat: IDAT chunks (case bit of the fourth letter ignored) follow
    // each other, zero-length ones included; any other chunk type, or a chunk
    // that would reach past the end of the file, ends the data. The first
    // chunk's type is not looked at: the caller found it. CRCs are never read.
    static IdatReader OverChunks(const std::uint8_t* file, std::size_t fileSize,
                                 std::size_t firstIdat);
    // One buffer holding the whole zlib stream.
    static IdatReader OverBuffer(const std::uint8_t* data, std::size_t size);

    // The next non-empty span; false at the end of the data.
    bool NextSpan(const std::uint8_t*& data, std::size_t& size);

private:
    IdatReader() = default;

    const std::uint8_t* file_ = nullptr;
    std::size_t fileSize_ = 0;
    std::size_t next_ = 0;  // offset of the next chunk header
    bool chunked_ = false;
    bool started_ = false;  // the first chunk, whatever its type, was taken
    bool done_ = false;
};

// Why a stream was refused. Every failure leaves the output unusable: the
// caller throws it away.
//
// Code sets are taken as they come, as a decoder that matches codes bit by
// bit against per-length limits in canonical order takes them: an incomplete
// set fails only when the data uses one of its missing codes (NoSymbol), and
// the codes of an over-subscribed set past the last one that fits in its
// length are never matched, so its remaining codes decode normally.
enum class InflateStatus : int {
    // The final block was decoded. The Adler-32 trailer and anything after it
    // are not read: a wrong or missing checksum does not matter.
    Ok = 0,
    // The compression method is not 8, the window size code is above 7, or
    // the stream asks for a preset dictionary. The header check is not tested.
    BadHeader = 1,
    // A block of the reserved type 3.
    BadBlockType = 2,
    // A stored block whose NLEN is not the one's complement of LEN.
    StoredLengthMismatch = 3,
    // The input ends before the final block has ended, the zlib header
    // included.
    InputEnded = 4,
    // A Huffman code that matches no symbol within the alphabet's longest
    // code: 7 bits for code lengths, 15 for literal/length and distance
    // codes (9 for the fixed literal/length code).
    NoSymbol = 5,
    // A literal/length symbol 286 or 287, or a distance symbol 30 or 31.
    BadSymbol = 6,
    // Code-length repeat 16 with no previous length, or a repeat (16, 17 or
    // 18) running past HLIT + HDIST lengths.
    BadRepeat = 7,
    // A back-reference to before the first byte of the output.
    DistanceTooFar = 8,
    // The stream holds more bytes than the output.
    OutputFull = 9,
};

struct InflateResult {
    InflateStatus status;
    // Bytes written to the output: on Ok the decoded length, which may be
    // below outSize; on a failure how far decoding got.
    std::size_t written;
};

// Decodes the zlib stream into out, which holds outSize bytes. Bytes of out
// past `written` may have been used as scratch space and hold garbage.
InflateResult Inflate(IdatReader& input, std::uint8_t* out, std::size_t outSize);

// A short English meaning of the status.
const char* InflateStatusName(InflateStatus status);

}  // namespace brivel
