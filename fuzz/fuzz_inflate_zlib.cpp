// Our Inflate against zlib's raw inflate on the same deflate data and the same
// output size; and the same stream cut into IDAT-like chunks of sizes the
// input picks must decode exactly as the single buffer does.
//
// Input: 3 bytes of output size (little-endian, modulo 1 MiB + 1), 1 byte
// seeding the chunk sizes (0: no chunked decode), then the deflate data.
//
// zlib runs with one byte more room than we have: if it fills that byte, the
// stream holds more than our output, and we must say OutputFull. Otherwise
// zlib's outcome is the stream's whole story and ours must match it. Where
// our decoder is lenient by design (inflate.h: code sets taken as they come,
// HLIT and HDIST up to 288 and 32), zlib refuses a block header that we read
// on; then only the output before that block must agree.

#include <zlib.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string_view>
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
std::vector<std::uint8_t> AsChunks(const std::vector<std::uint8_t>& stream, std::uint8_t seed) {
    std::vector<std::uint8_t> file;
    std::uint32_t state = seed * 2654435761u + 1;
    for (std::size_t at = 0; at < stream.size();) {
        state = state * 1103515245u + 12345u;
        const std::size_t length =
            std::min<std::size_t>((state >> 16) % (seed + 1u), stream.size() - at);
        PutBigEndian32(file, static_cast<std::uint32_t>(length));
        const char* type = (state & 0x100) != 0 ? "IDAt" : "IDAT";
        file.insert(file.end(), type, type + 4);
        file.insert(file.end(), stream.begin() + at, stream.begin() + at + length);
        PutBigEndian32(file, state);  // never read
        at += length;
    }
    const std::uint8_t end[] = {0, 0, 0, 4, 'I', 'D', 'A', 'X', 'J', 'U', 'N', 'K', 0, 0, 0, 0};
    file.insert(file.end(), std::begin(end), std::end(end));
    return file;
}

enum class ZlibEnd { StreamEnd, DataError, InputEnded, OutputFull };

struct ZlibRun {
    ZlibEnd end;
    std::size_t written;
    std::string_view message;  // on DataError
    std::size_t inputLeft;     // bytes zlib had not taken
};

bool ZlibInflate(const std::uint8_t* data, std::size_t size, std::uint8_t* out, std::size_t outSize,
                 ZlibRun& run) {
    z_stream stream{};
    if (inflateInit2(&stream, -15) != Z_OK) {
        return false;
    }
    stream.next_in = const_cast<Bytef*>(data);
    stream.avail_in = static_cast<uInt>(size);
    stream.next_out = out;
    stream.avail_out = static_cast<uInt>(outSize);
    const int status = inflate(&stream, Z_FINISH);
    run.written = outSize - stream.avail_out;
    run.inputLeft = stream.avail_in;
    run.message = stream.msg != nullptr ? stream.msg : "";
    inflateEnd(&stream);
    if (status == Z_STREAM_END) {
        run.end = ZlibEnd::StreamEnd;
    } else if (status == Z_DATA_ERROR) {
        run.end = ZlibEnd::DataError;
    } else if (status == Z_BUF_ERROR || status == Z_OK) {
        run.end = run.written == outSize ? ZlibEnd::OutputFull : ZlibEnd::InputEnded;
    } else {
        return false;  // out of memory: nothing to compare
    }
    return true;
}

// Whether the block zlib was in when the input ran out has a dynamic header
// whose code-length code has no codes at all. zlib then reads every code
// length as a 1-bit 0 (and refuses the block only once all are read, for its
// missing end-of-block code), where we find no symbol at once.
bool EndsInEmptyCodeLengthCode(const std::uint8_t* data, std::size_t size) {
    z_stream stream{};
    if (inflateInit2(&stream, -15) != Z_OK) {
        return false;
    }
    std::vector<std::uint8_t> scratch(1 << 16);
    stream.next_in = const_cast<Bytef*>(data);
    stream.avail_in = static_cast<uInt>(size);
    std::size_t blockStart = 0;  // in bits
    for (;;) {
        stream.next_out = scratch.data();
        stream.avail_out = static_cast<uInt>(scratch.size());
        if (inflate(&stream, Z_BLOCK) != Z_OK) {
            break;
        }
        // Stopped just after an end-of-block code, before the next block.
        if ((stream.data_type & 128) != 0) {
            blockStart = stream.total_in * 8 - (stream.data_type & 63);
        }
    }
    inflateEnd(&stream);

    std::size_t at = blockStart;
    const auto take = [&](unsigned count, std::uint32_t& value) {
        if (at + count > size * 8) {
            return false;
        }
        value = 0;
        for (unsigned i = 0; i < count; ++i, ++at) {
            value |= std::uint32_t{(data[at / 8] >> (at % 8)) & 1u} << i;
        }
        return true;
    };
    std::uint32_t header = 0;
    std::uint32_t counts = 0;
    if (!take(3, header) || (header >> 1) != 2 || !take(14, counts)) {
        return false;
    }
    for (std::uint32_t i = 0; i < (counts >> 10) + 4; ++i) {
        std::uint32_t length = 0;
        if (!take(3, length) || length != 0) {
            return false;
        }
    }
    return true;
}

// zlib refusals of a whole block header that our decoder, by design, does not make.
bool IsLenientRefusal(std::string_view message) {
    return message == "invalid code lengths set" || message == "invalid literal/lengths set" ||
           message == "invalid distances set" || message == "too many length or distance symbols" ||
           message == "invalid code -- missing end-of-block";
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 4) {
        return 0;
    }
    constexpr std::size_t kMaxOutput = std::size_t{1} << 20;
    const std::size_t outSize =
        (std::size_t{data[0]} | std::size_t{data[1]} << 8 | std::size_t{data[2]} << 16) %
        (kMaxOutput + 1);
    const std::uint8_t* deflate = data + 4;
    const std::size_t deflateSize = size - 4;

    std::unique_ptr<std::uint8_t[]> theirs(new std::uint8_t[outSize + 1]);
    ZlibRun zlib{};
    if (!ZlibInflate(deflate, deflateSize, theirs.get(), outSize + 1, zlib)) {
        return 0;
    }

    std::vector<std::uint8_t> stream = {0x78, 0x01};
    stream.insert(stream.end(), deflate, deflate + deflateSize);
    std::unique_ptr<std::uint8_t[]> ours(new std::uint8_t[outSize]);
    IdatReader input = IdatReader::OverBuffer(stream.data(), stream.size());
    const InflateResult result = Inflate(input, ours.get(), outSize);
    FUZZ_CHECK(result.written <= outSize);
    const auto sameOutput = [&](std::size_t count) {
        return std::memcmp(ours.get(), theirs.get(), count) == 0;
    };
    if (const std::uint8_t seed = data[3]; seed != 0) {
        const std::vector<std::uint8_t> file = AsChunks(stream, seed);
        std::unique_ptr<std::uint8_t[]> chunkedOut(new std::uint8_t[outSize]);
        IdatReader chunks = IdatReader::OverChunks(file.data(), file.size(), 0);
        const InflateResult chunked = Inflate(chunks, chunkedOut.get(), outSize);
        FUZZ_CHECK(chunked.status == result.status);
        FUZZ_CHECK(chunked.written == result.written);
        FUZZ_CHECK(std::memcmp(chunkedOut.get(), ours.get(), result.written) == 0);
    }

    if (zlib.written > outSize) {
        FUZZ_CHECK(result.status == InflateStatus::OutputFull);
        FUZZ_CHECK(sameOutput(result.written));
        return 0;
    }
    switch (zlib.end) {
        case ZlibEnd::StreamEnd:
            FUZZ_CHECK(result.status == InflateStatus::Ok);
            FUZZ_CHECK(result.written == zlib.written);
            break;
        case ZlibEnd::InputEnded:
            // zlib reads the two extra bits of a repeat 16 before it sees that
            // no length precedes it; we refuse the repeat at once.
            FUZZ_CHECK(result.status == InflateStatus::InputEnded ||
                       result.status == InflateStatus::BadRepeat ||
                       (result.status == InflateStatus::NoSymbol &&
                        EndsInEmptyCodeLengthCode(deflate, deflateSize)));
            FUZZ_CHECK(result.written == zlib.written);
            break;
        case ZlibEnd::OutputFull:
            FUZZ_FAIL("zlib filled less than its output");
        case ZlibEnd::DataError:
            if (IsLenientRefusal(zlib.message)) {
                // Everything before the refused block was decoded; a block
                // without an end-of-block code can never end.
                FUZZ_CHECK(result.written >= zlib.written);
                FUZZ_CHECK(sameOutput(zlib.written));
                if (zlib.message == "invalid code -- missing end-of-block") {
                    FUZZ_CHECK(result.status != InflateStatus::Ok);
                }
                return 0;
            }
            FUZZ_CHECK(result.written == zlib.written);
            if (zlib.message == "invalid block type") {
                FUZZ_CHECK(result.status == InflateStatus::BadBlockType);
            } else if (zlib.message == "invalid stored block lengths") {
                FUZZ_CHECK(result.status == InflateStatus::StoredLengthMismatch);
            } else if (zlib.message == "invalid bit length repeat") {
                FUZZ_CHECK(result.status == InflateStatus::BadRepeat);
            } else if (zlib.message == "invalid distance too far back") {
                FUZZ_CHECK(result.status == InflateStatus::DistanceTooFar);
            } else if (zlib.message == "invalid literal/length code" ||
                       zlib.message == "invalid distance code") {
                // zlib knows a one-code set's missing code after one bit; we
                // read up to 15 bits first, which may be more than are left.
                FUZZ_CHECK(result.status == InflateStatus::BadSymbol ||
                           result.status == InflateStatus::NoSymbol ||
                           (result.status == InflateStatus::InputEnded && zlib.inputLeft <= 1));
            } else {
                std::fprintf(stderr, "zlib: %.*s\n", static_cast<int>(zlib.message.size()),
                             zlib.message.data());
                FUZZ_FAIL("a zlib refusal this target does not know");
            }
            break;
    }
    FUZZ_CHECK(sameOutput(result.written));
    return 0;
}
