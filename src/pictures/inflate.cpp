#include "pictures/inflate.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <iterator>

#include "pictures/big_endian.h"

namespace brivel {
namespace {

// "IDAT" or "IDAt": only the fourth letter's case bit is ignored.
bool IsIdatType(const std::uint8_t* type) {
    return type[0] == 'I' && type[1] == 'D' && type[2] == 'A' && (type[3] & 0xDF) == 'T';
}

}  // namespace

IdatReader IdatReader::OverChunks(const std::uint8_t* file, std::size_t fileSize,
                                  std::size_t firstIdat) {
    IdatReader reader;
    reader.file_ = file;
    reader.fileSize_ = fileSize;
    reader.next_ = firstIdat;
    reader.chunked_ = true;
    return reader;
}

IdatReader IdatReader::OverBuffer(const std::uint8_t* data, std::size_t size) {
    IdatReader reader;
    reader.file_ = data;
    reader.fileSize_ = size;
    return reader;
}

bool IdatReader::NextSpan(const std::uint8_t*& data, std::size_t& size) {
    if (!chunked_) {
        if (done_ || fileSize_ == 0) {
            done_ = true;
            return false;
        }
        done_ = true;
        data = file_;
        size = fileSize_;
        return true;
    }
    while (!done_) {
        if (next_ > fileSize_ || fileSize_ - next_ < 8) {
            break;
        }
        const std::uint8_t* header = file_ + next_;
        if (started_ && !IsIdatType(header + 4)) {
            break;
        }
        started_ = true;
        const std::size_t length = ReadBigEndian32(header);
        const std::size_t dataStart = next_ + 8;
        if (length > fileSize_ - dataStart) {
            break;
        }
        const std::size_t dataEnd = dataStart + length;
        // Without room for the CRC no further chunk header can follow.
        if (fileSize_ - dataEnd < 4) {
            done_ = true;
        } else {
            next_ = dataEnd + 4;
        }
        if (length > 0) {
            data = file_ + dataStart;
            size = length;
            return true;
        }
    }
    done_ = true;
    return false;
}

#if defined(__GNUC__)
#define BRIVEL_ALWAYS_INLINE inline __attribute__((always_inline))
#else
#define BRIVEL_ALWAYS_INLINE inline
#endif
// x86-64 processors from 2013 on shift by a register in one instruction;
// the fast loop is built for them too, and picked at run time.
#if defined(__x86_64__) && defined(__GNUC__)
#define BRIVEL_INFLATE_BMI2 1
#else
#define BRIVEL_INFLATE_BMI2 0
#endif

namespace {

constexpr unsigned kMaxCodeLength = 15;
constexpr unsigned kLitLenSymbols = 288;  // HLIT can name 286 and 287, which must not occur
constexpr unsigned kDistSymbols = 32;     // HDIST can name 30 and 31, likewise
constexpr unsigned kCodeLengthSymbols = 19;

// First-level index widths. Longer codes go through a subtable indexed by
// their remaining bits.
constexpr unsigned kLitLenBits = 11;
constexpr unsigned kDistBits = 8;
constexpr unsigned kCodeLengthBits = 7;  // every code-length code fits

// Worst case: each code longer than the first level opens its own subtable
// sized for the longest length (incomplete sets allow it).
constexpr std::size_t kLitLenTableSize =
    (std::size_t{1} << kLitLenBits) +
    kLitLenSymbols * (std::size_t{1} << (kMaxCodeLength - kLitLenBits));
constexpr std::size_t kDistTableSize =
    (std::size_t{1} << kDistBits) + kDistSymbols * (std::size_t{1} << (kMaxCodeLength - kDistBits));

// A table entry:
//   bits 0-5   bits the item takes: the code and its extra bits (a subtable
//              pointer: the first-level width)
//   bits 8-11  bits of the code alone (a subtable pointer: the subtable's
//              index width)
//   bit 12     literal, bit 13 subtable pointer, bit 14 special, bit 15 a
//              length or distance with extra bits to read
//   bits 16-31 literal byte, length or distance (its base when extra bits
//              follow), code-length symbol, subtable offset, or the special's
//              kind
// Entries with no flag are lengths (literal/length table), distances or
// code-length symbols. Bits 6-7 stay clear, so that the low byte of a bit
// count stays exact when a whole entry is subtracted from it.
constexpr std::uint32_t kItemBitsMask = 0x3F;
constexpr std::uint32_t kLiteral = 1u << 12;
constexpr std::uint32_t kSubtable = 1u << 13;
constexpr std::uint32_t kSpecial = 1u << 14;
constexpr std::uint32_t kExtraBits = 1u << 15;
constexpr std::uint32_t kEndOfBlock = 0;
constexpr std::uint32_t kBadSymbol = 1;
constexpr std::uint32_t kNoCode = 2;
// No code of the set starts with these bits.
constexpr std::uint32_t kGapEntry = kNoCode << 16 | kSpecial;

constexpr std::uint16_t kLengthBase[29] = {3,  4,  5,  6,   7,   8,   9,   10,  11, 13,
                                           15, 17, 19, 23,  27,  31,  35,  43,  51, 59,
                                           67, 83, 99, 115, 131, 163, 195, 227, 258};
constexpr std::uint8_t kLengthExtra[29] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                           2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
constexpr std::uint16_t kDistanceBase[30] = {
    1,   2,   3,   4,   5,   7,    9,    13,   17,   25,   33,   49,   65,    97,    129,
    193, 257, 385, 513, 769, 1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577};
constexpr std::uint8_t kDistanceExtra[30] = {0, 0, 0, 0, 1, 1, 2, 2,  3,  3,  4,  4,  5,  5,  6,
                                             6, 7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13};
constexpr std::uint8_t kCodeLengthOrder[kCodeLengthSymbols] = {16, 17, 18, 0, 8,  7, 9,  6, 10, 5,
                                                               11, 4,  12, 3, 13, 2, 14, 1, 15};

constexpr unsigned kStoredLengthBits = 16;

constexpr std::uint64_t LowBits(unsigned count) {
    return (std::uint64_t{1} << count) - 1;
}

std::uint64_t LoadLittleEndian64(const std::uint8_t* bytes) {
    std::uint64_t value;
    std::memcpy(&value, bytes, sizeof value);
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
    value = __builtin_bswap64(value);
#endif
    return value;
}

constexpr std::uint32_t Entry(std::uint32_t value, std::uint32_t flags, unsigned codeBits,
                              unsigned extraBits = 0) {
    return value << 16 | flags | (extraBits != 0 ? kExtraBits : 0) | codeBits << 8 |
           (codeBits + extraBits);
}

std::uint32_t LitLenEntry(unsigned symbol, unsigned codeBits) {
    if (symbol < 256) {
        return Entry(symbol, kLiteral, codeBits);
    }
    if (symbol == 256) {
        return Entry(kEndOfBlock, kSpecial, codeBits);
    }
    if (symbol <= 285) {
        return Entry(kLengthBase[symbol - 257], 0, codeBits, kLengthExtra[symbol - 257]);
    }
    return Entry(kBadSymbol, kSpecial, codeBits);
}

std::uint32_t DistanceEntry(unsigned symbol, unsigned codeBits) {
    if (symbol < 30) {
        return Entry(kDistanceBase[symbol], 0, codeBits, kDistanceExtra[symbol]);
    }
    return Entry(kBadSymbol, kSpecial, codeBits);
}

std::uint32_t CodeLengthEntry(unsigned symbol, unsigned codeBits) {
    return Entry(symbol, 0, codeBits);
}

unsigned CodeBits(std::uint32_t entry) {
    return entry >> 8 & 0xF;
}

// The extra bits of a length or distance entry, from the bit buffer as it
// was before the item was dropped. Bits 12-13 of a length or distance entry
// are clear, so the shift takes bits 8-13 as they are.
std::uint32_t ExtraValue(std::uint64_t itemBits, std::uint32_t entry) {
    return static_cast<std::uint32_t>((itemBits & ~(~std::uint64_t{0} << (entry & 0xFF))) >>
                                      (entry >> 8 & 0x3F));
}

// Bytes with their bits in the opposite order.
constexpr std::array<std::uint8_t, 256> kReversedBytes = [] {
    std::array<std::uint8_t, 256> reversed{};
    for (unsigned byte = 0; byte < 256; ++byte) {
        for (unsigned bit = 0; bit < 8; ++bit) {
            reversed[byte] |= static_cast<std::uint8_t>((byte >> bit & 1) << (7 - bit));
        }
    }
    return reversed;
}();

// The low `bits` bits of code (at most 16) in the opposite order.
unsigned Reverse(unsigned code, unsigned bits) {
    return (unsigned{kReversedBytes[code & 0xFF]} << 8 | kReversedBytes[code >> 8 & 0xFF]) >>
           (16 - bits);
}

// Puts the entry of a first-level code at every index that starts with its
// bits. A length whose extra bits fit in the index as well gets one entry
// for each of their values, the item whole.
void PlaceEntry(std::uint32_t* table, unsigned tableBits, std::size_t reversedCode,
                std::uint32_t entry) {
    const unsigned codeBits = CodeBits(entry);
    const unsigned itemBits = entry & kItemBitsMask;
    const std::size_t tableSize = std::size_t{1} << tableBits;
    if ((entry & (kExtraBits | kLiteral)) != kExtraBits || itemBits > tableBits) {
        for (std::size_t index = reversedCode; index < tableSize;
             index += std::size_t{1} << codeBits) {
            table[index] = entry;
        }
        return;
    }
    const std::uint32_t whole = (entry & 0xFFFF0000) | itemBits << 8 | itemBits;
    for (std::size_t extra = 0; extra < (std::size_t{1} << (itemBits - codeBits)); ++extra) {
        const std::uint32_t resolved = whole + (static_cast<std::uint32_t>(extra) << 16);
        for (std::size_t index = reversedCode | extra << codeBits; index < tableSize;
             index += std::size_t{1} << itemBits) {
            table[index] = resolved;
        }
    }
}

// Fills table with first-level width tableBits for the code lengths of count
// symbols, numbering the codes canonically: the first code of length L is
// (first code of L-1 + count of L-1) x 2, and the symbols of one length take
// consecutive codes in symbol order. A code value that no longer fits in its
// length (an over-subscribed set) is never reachable and is dropped, with
// every longer code; bit strings that start no code are gap entries. Codes
// enter the bit stream most significant bit first, so entries sit at the
// code's bit-reversed index and repeat for every value of the bits beyond it.
void BuildTable(const std::uint8_t* lengths, unsigned count, unsigned tableBits,
                std::uint32_t* table, std::uint32_t (*makeEntry)(unsigned, unsigned)) {
    std::uint16_t lengthCount[kMaxCodeLength + 1] = {};
    for (unsigned symbol = 0; symbol < count; ++symbol) {
        ++lengthCount[lengths[symbol]];
    }
    lengthCount[0] = 0;
    std::uint16_t offset[kMaxCodeLength + 2] = {};
    for (unsigned length = 1; length <= kMaxCodeLength; ++length) {
        offset[length + 1] = static_cast<std::uint16_t>(offset[length] + lengthCount[length]);
    }
    std::uint16_t sorted[kLitLenSymbols + kDistSymbols];
    {
        std::uint16_t next[kMaxCodeLength + 2];
        std::copy(std::begin(offset), std::end(offset), next);
        for (unsigned symbol = 0; symbol < count; ++symbol) {
            if (lengths[symbol] != 0) {
                sorted[next[lengths[symbol]]++] = static_cast<std::uint16_t>(symbol);
            }
        }
    }

    // A complete set writes every first-level entry; any other leaves gaps.
    std::uint32_t kraft = 0;
    for (unsigned length = 1; length <= kMaxCodeLength; ++length) {
        kraft += std::uint32_t{lengthCount[length]} << (kMaxCodeLength - length);
    }
    const std::size_t tableSize = std::size_t{1} << tableBits;
    if (kraft != std::uint32_t{1} << kMaxCodeLength) {
        std::fill(table, table + tableSize, kGapEntry);
    }

    struct LongCode {
        std::uint16_t symbol;
        std::uint16_t code;
        std::uint8_t length;
    };
    LongCode longCodes[kLitLenSymbols];
    unsigned longCount = 0;

    std::uint32_t first = 0;
    for (unsigned length = 1; length <= kMaxCodeLength; ++length) {
        first = (first + lengthCount[length - 1]) << 1;
        const std::uint32_t lengthEnd = std::uint32_t{1} << length;
        if (first >= lengthEnd) {
            break;  // every later first code is out of reach too
        }
        const std::uint32_t last = std::min(first + lengthCount[length], lengthEnd);
        for (std::uint32_t code = first; code < last; ++code) {
            const unsigned symbol = sorted[offset[length] + (code - first)];
            if (length <= tableBits) {
                PlaceEntry(table, tableBits, Reverse(code, length), makeEntry(symbol, length));
            } else {
                longCodes[longCount++] = {static_cast<std::uint16_t>(symbol),
                                          static_cast<std::uint16_t>(code),
                                          static_cast<std::uint8_t>(length)};
            }
        }
    }

    // Codes come in increasing order of their left-aligned value, so the
    // codes that share first-level bits are neighbours, the longest last.
    std::size_t nextSubtable = tableSize;
    for (unsigned i = 0; i < longCount;) {
        const auto prefixOf = [tableBits](const LongCode& code) {
            return static_cast<unsigned>(code.code) >> (code.length - tableBits);
        };
        const unsigned prefix = prefixOf(longCodes[i]);
        unsigned end = i + 1;
        while (end < longCount && prefixOf(longCodes[end]) == prefix) {
            ++end;
        }
        const unsigned subtableBits = longCodes[end - 1].length - tableBits;
        const std::size_t subtableSize = std::size_t{1} << subtableBits;
        std::uint32_t* subtable = table + nextSubtable;
        std::fill(subtable, subtable + subtableSize, kGapEntry);
        table[Reverse(prefix, tableBits)] = static_cast<std::uint32_t>(nextSubtable) << 16 |
                                            kSubtable | subtableBits << 8 | tableBits;
        for (; i < end; ++i) {
            const unsigned restBits = longCodes[i].length - tableBits;
            const std::uint32_t entry = makeEntry(longCodes[i].symbol, restBits);
            const unsigned rest = longCodes[i].code & static_cast<unsigned>(LowBits(restBits));
            for (std::size_t index = Reverse(rest, restBits); index < subtableSize;
                 index += std::size_t{1} << restBits) {
                subtable[index] = entry;
            }
        }
        nextSubtable += subtableSize;
    }
}

void StoreLittleEndian64(std::uint8_t* bytes, std::uint64_t value) {
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
    value = __builtin_bswap64(value);
#endif
    std::memcpy(bytes, &value, sizeof value);
}

// Copies length bytes from at least 16 bytes back in 16-byte blocks, 64
// bytes at a time: most matches are shorter, and take no test. Up to 63
// bytes past the end are written.
constexpr std::size_t kFarCopyBlock = 64;
alignas(16) constexpr std::uint8_t kNowhere[kFarCopyBlock] = {};
inline void CopyFar(std::uint8_t* out, const std::uint8_t* from, unsigned length) {
    std::uint8_t* const end = out + length;
    do {
        std::memcpy(out, from, 16);
        std::memcpy(out + 16, from + 16, 16);
        std::memcpy(out + 32, from + 32, 16);
        std::memcpy(out + 48, from + 48, 16);
        out += kFarCopyBlock;
        from += kFarCopyBlock;
    } while (out < end);
}

// Copies a match whose source starts distance bytes back, in whole words.
// The caller leaves room for the longest match past the start and 64 bytes
// more: the words may run that far past the match's end.
inline void CopyMatchWide(std::uint8_t* out, std::size_t distance, unsigned length) {
    std::uint8_t* const end = out + length;
    const std::uint8_t* from = out - distance;
    if (distance >= 16) {
        CopyFar(out, from, length);
        return;
    }
    if (distance >= 8) {
        do {
            std::memcpy(out, from, 8);
            std::memcpy(out + 8, from + 8, 8);
            out += 16;
            from += 16;
        } while (out < end);
        return;
    }
    // A short distance repeats a pattern of that period; a word of it may be
    // stored at any multiple of the period, so each store advances by the
    // largest multiple that fits in a word. The period is read a byte at a
    // time: a wider load over bytes written by several recent stores would
    // wait for them all to reach the cache. Its copies are laid side by side
    // by one multiplication.
    static constexpr std::uint64_t kRepeat[8] = {0,
                                                 0x0101010101010101,
                                                 0x0001000100010001,
                                                 0x0001000001000001,
                                                 0x0000000100000001,
                                                 0x0000010000000001,
                                                 0x0001000000000001,
                                                 0x0100000000000001};
    static constexpr std::uint8_t kStep[8] = {0, 8, 8, 6, 8, 5, 6, 7};
    std::uint64_t period = from[0];
    for (std::size_t i = 1; i < distance; ++i) {
        period |= std::uint64_t{from[i]} << (8 * i);
    }
    const std::uint64_t pattern = period * kRepeat[distance];
    const std::size_t step = kStep[distance];
    if (step == 8) {
        // The period divides 8: 16-byte blocks of the pattern line up too.
        std::uint8_t block[16];
        StoreLittleEndian64(block, pattern);
        StoreLittleEndian64(block + 8, pattern);
        do {
            std::memcpy(out, block, 16);
            std::memcpy(out + 16, block, 16);
            out += 32;
        } while (out < end);
        return;
    }
    do {
        StoreLittleEndian64(out, pattern);
        StoreLittleEndian64(out + step, pattern);
        StoreLittleEndian64(out + 2 * step, pattern);
        StoreLittleEndian64(out + 3 * step, pattern);
        out += 4 * step;
    } while (out < end);
}

// Room the fast loop needs for each item: input for an unchecked 8-byte
// load, which moves on at most 7 bytes; output for the longest match plus
// the overrun of its last words (four literal entries write less). The
// loop starts with one load more.
constexpr std::ptrdiff_t kLoadBytes = 8;
constexpr std::ptrdiff_t kLoadStep = 7;
constexpr std::ptrdiff_t kLongestMatch = 258;
constexpr std::ptrdiff_t kFastInputRoom = kLoadBytes + kLoadStep + 1;
constexpr std::ptrdiff_t kFastOutputRoom = kLongestMatch + std::ptrdiff_t{kFarCopyBlock};

// One inflate call's state and tables. It lives on the caller's stack.
class Decoder {
public:
    Decoder(IdatReader& input, std::uint8_t* out, std::size_t outSize)
        : input_(input), outStart_(out), out_(out), outEnd_(out + outSize) {}
    Decoder(const Decoder&) = delete;
    Decoder& operator=(const Decoder&) = delete;

    InflateStatus Run();
    std::size_t Written() const { return static_cast<std::size_t>(out_ - outStart_); }

private:
    bool NextSpan();
    // Fills the bit buffer to at least 56 bits unless the input ends first.
    void Refill();
    bool Need(unsigned count) {
        if (bitCount_ < count) {
            Refill();
        }
        return bitCount_ >= count;
    }
    std::uint32_t Take(unsigned count) {
        const auto value = static_cast<std::uint32_t>(bits_ & LowBits(count));
        bits_ >>= count;
        bitCount_ -= count;
        return value;
    }

    InflateStatus StoredBlock();
    void BuildFixedTables();
    InflateStatus ReadDynamicTables();
    InflateStatus HuffmanBlock();
    // The fast loop, while input and output have room for a whole symbol
    // without checks. True when the block is over (status says how).
    bool FastSymbols(InflateStatus& status);
    // kMixed: literals and matches come mixed in the block, and the next
    // item's kind is a coin toss; else they come in runs.
    template <bool kMixed>
    BRIVEL_ALWAYS_INLINE bool FastSymbolsBody(InflateStatus& status);
    template <bool kMixed>
    bool FastSymbolsPlain(InflateStatus& status);
#if BRIVEL_INFLATE_BMI2
    // The same, where shifts and masks by a register take one instruction.
    template <bool kMixed>
    __attribute__((target("bmi2"))) bool FastSymbolsBmi2(InflateStatus& status);
    const bool bmi2_ = __builtin_cpu_supports("bmi2");
#endif
    // Picks the loop for the next block from how the items came so far.
    void NoteMix();
    InflateStatus DecodeSymbol(const std::uint32_t* table, unsigned tableBits, unsigned maxLength,
                               std::uint32_t& entry);

    IdatReader& input_;
    const std::uint8_t* in_ = nullptr;
    const std::uint8_t* inEnd_ = nullptr;
    bool inputDone_ = false;
    // Bits above bitCount_ may hold a copy of bytes not yet consumed from in_.
    std::uint64_t bits_ = 0;
    unsigned bitCount_ = 0;

    std::uint8_t* const outStart_;
    std::uint8_t* out_;
    std::uint8_t* const outEnd_;

    bool fixedTables_ = false;
    // The fast loop's count of items, and of those not of the kind before
    // them, since the last choice of loop.
    std::uint32_t items_ = 0;
    std::uint32_t switches_ = 0;
    bool mixed_ = false;
    unsigned litLenMaxLength_ = kMaxCodeLength;
    unsigned distMaxLength_ = kMaxCodeLength;
    std::uint8_t lengths_[kLitLenSymbols + kDistSymbols];
    std::uint32_t codeLengthTable_[std::size_t{1} << kCodeLengthBits];
    std::uint32_t litLenTable_[kLitLenTableSize];
    std::uint32_t distTable_[kDistTableSize];
};

bool Decoder::NextSpan() {
    if (inputDone_) {
        return false;
    }
    const std::uint8_t* data = nullptr;
    std::size_t size = 0;
    if (!input_.NextSpan(data, size)) {
        inputDone_ = true;
        return false;
    }
    in_ = data;
    inEnd_ = data + size;
    return true;
}

void Decoder::Refill() {
    bits_ &= LowBits(bitCount_);
    while (bitCount_ < 56) {
        if (in_ == inEnd_ && !NextSpan()) {
            return;
        }
        bits_ |= std::uint64_t{*in_++} << bitCount_;
        bitCount_ += 8;
    }
}

InflateStatus Decoder::Run() {
    if (!Need(16)) {
        return InflateStatus::InputEnded;
    }
    const std::uint32_t method = Take(8);
    const std::uint32_t flags = Take(8);
    if ((method & 0x0F) != 8 || (method >> 4) > 7 || (flags & 0x20) != 0) {
        return InflateStatus::BadHeader;
    }
    for (;;) {
        if (!Need(3)) {
            return InflateStatus::InputEnded;
        }
        const bool final = Take(1) != 0;
        InflateStatus status = InflateStatus::Ok;
        switch (Take(2)) {
            case 0:
                status = StoredBlock();
                break;
            case 1:
                if (!fixedTables_) {
                    BuildFixedTables();
                }
                status = HuffmanBlock();
                break;
            case 2:
                status = ReadDynamicTables();
                if (status == InflateStatus::Ok) {
                    status = HuffmanBlock();
                }
                break;
            default:
                return InflateStatus::BadBlockType;
        }
        if (status != InflateStatus::Ok || final) {
            return status;
        }
    }
}

InflateStatus Decoder::StoredBlock() {
    // Whole bytes leave the bit buffer first; in_ moves past the copy of the
    // next byte that may sit above bitCount_ only once the buffer is empty,
    // and the Refill that must then follow clears that copy.
    Take(bitCount_ % 8);
    if (!Need(2 * kStoredLengthBits)) {
        return InflateStatus::InputEnded;
    }
    std::size_t length = Take(kStoredLengthBits);
    const std::uint32_t complement = Take(kStoredLengthBits);
    if (length != (~complement & 0xFFFF)) {
        return InflateStatus::StoredLengthMismatch;
    }
    // A byte is read before it is written: when input and output both run
    // short, whichever runs out first names the failure.
    for (; length > 0 && bitCount_ >= 8; --length) {
        if (out_ == outEnd_) {
            return InflateStatus::OutputFull;
        }
        *out_++ = static_cast<std::uint8_t>(Take(8));
    }
    while (length > 0) {
        if (in_ == inEnd_ && !NextSpan()) {
            return InflateStatus::InputEnded;
        }
        if (out_ == outEnd_) {
            return InflateStatus::OutputFull;
        }
        const std::size_t count = std::min({length, static_cast<std::size_t>(inEnd_ - in_),
                                            static_cast<std::size_t>(outEnd_ - out_)});
        std::memcpy(out_, in_, count);
        out_ += count;
        in_ += count;
        length -= count;
    }
    return InflateStatus::Ok;
}

void Decoder::BuildFixedTables() {
    std::fill(lengths_, lengths_ + 144, std::uint8_t{8});
    std::fill(lengths_ + 144, lengths_ + 256, std::uint8_t{9});
    std::fill(lengths_ + 256, lengths_ + 280, std::uint8_t{7});
    std::fill(lengths_ + 280, lengths_ + kLitLenSymbols, std::uint8_t{8});
    BuildTable(lengths_, kLitLenSymbols, kLitLenBits, litLenTable_, LitLenEntry);
    NoteMix();
    // Fixed distances are plain 5-bit numbers: a complete code of 32 symbols.
    std::fill(lengths_, lengths_ + kDistSymbols, std::uint8_t{5});
    BuildTable(lengths_, kDistSymbols, kDistBits, distTable_, DistanceEntry);
    litLenMaxLength_ = 9;
    distMaxLength_ = 5;
    fixedTables_ = true;
}

InflateStatus Decoder::ReadDynamicTables() {
    if (!Need(14)) {
        return InflateStatus::InputEnded;
    }
    const unsigned litLenCount = Take(5) + 257;
    const unsigned distCount = Take(5) + 1;
    const unsigned codeLengthCount = Take(4) + 4;
    std::uint8_t codeLengthLengths[kCodeLengthSymbols] = {};
    for (unsigned i = 0; i < codeLengthCount; ++i) {
        if (!Need(3)) {
            return InflateStatus::InputEnded;
        }
        codeLengthLengths[kCodeLengthOrder[i]] = static_cast<std::uint8_t>(Take(3));
    }
    BuildTable(codeLengthLengths, kCodeLengthSymbols, kCodeLengthBits, codeLengthTable_,
               CodeLengthEntry);

    const unsigned total = litLenCount + distCount;
    for (unsigned filled = 0; filled < total;) {
        // A code and its repeat bits take at most 14 bits: with that many at
        // hand, the table's entry is final unless it is a gap.
        if (bitCount_ < 14) {
            Refill();
        }
        std::uint32_t entry = codeLengthTable_[bits_ & LowBits(kCodeLengthBits)];
        if (bitCount_ >= 14 && entry != kGapEntry) {
            Take(CodeBits(entry));
        } else if (const InflateStatus status =
                       DecodeSymbol(codeLengthTable_, kCodeLengthBits, 7, entry);
                   status != InflateStatus::Ok) {
            return status;
        }
        const unsigned symbol = entry >> 16;
        if (symbol < 16) {
            lengths_[filled++] = static_cast<std::uint8_t>(symbol);
            continue;
        }
        std::uint8_t value = 0;
        unsigned repeat = 0;
        if (symbol == 16) {
            if (filled == 0) {
                return InflateStatus::BadRepeat;
            }
            if (!Need(2)) {
                return InflateStatus::InputEnded;
            }
            value = lengths_[filled - 1];
            repeat = 3 + Take(2);
        } else if (symbol == 17) {
            if (!Need(3)) {
                return InflateStatus::InputEnded;
            }
            repeat = 3 + Take(3);
        } else {
            if (!Need(7)) {
                return InflateStatus::InputEnded;
            }
            repeat = 11 + Take(7);
        }
        if (repeat > total - filled) {
            return InflateStatus::BadRepeat;
        }
        std::fill(lengths_ + filled, lengths_ + filled + repeat, value);
        filled += repeat;
    }
    BuildTable(lengths_, litLenCount, kLitLenBits, litLenTable_, LitLenEntry);
    NoteMix();
    BuildTable(lengths_ + litLenCount, distCount, kDistBits, distTable_, DistanceEntry);
    litLenMaxLength_ = kMaxCodeLength;
    distMaxLength_ = kMaxCodeLength;
    fixedTables_ = false;
    return InflateStatus::Ok;
}

// The careful decode of one code, near the end of the input. A bit-by-bit
// decoder would read up to maxLength bits before giving up on a gap, so a
// gap with fewer bits left means the input ended first.
InflateStatus Decoder::DecodeSymbol(const std::uint32_t* table, unsigned tableBits,
                                    unsigned maxLength, std::uint32_t& entry) {
    if (bitCount_ < kMaxCodeLength) {
        Refill();
    }
    std::uint32_t found = table[bits_ & LowBits(tableBits)];
    unsigned codeBits = 0;
    if ((found & kSubtable) != 0) {
        codeBits = tableBits;
        found = table[(found >> 16) + ((bits_ >> tableBits) & LowBits(CodeBits(found)))];
    }
    if (found == kGapEntry) {
        return bitCount_ >= maxLength ? InflateStatus::NoSymbol : InflateStatus::InputEnded;
    }
    codeBits += CodeBits(found);
    if (codeBits > bitCount_) {
        return InflateStatus::InputEnded;
    }
    Take(codeBits);
    entry = found;
    return InflateStatus::Ok;
}

bool Decoder::FastSymbols(InflateStatus& status) {
#if BRIVEL_INFLATE_BMI2
    if (bmi2_) {
        return mixed_ ? FastSymbolsBmi2<true>(status) : FastSymbolsBmi2<false>(status);
    }
#endif
    return mixed_ ? FastSymbolsPlain<true>(status) : FastSymbolsPlain<false>(status);
}

template <bool kMixed>
bool Decoder::FastSymbolsPlain(InflateStatus& status) {
    return FastSymbolsBody<kMixed>(status);
}

#if BRIVEL_INFLATE_BMI2
template <bool kMixed>
bool Decoder::FastSymbolsBmi2(InflateStatus& status) {
    return FastSymbolsBody<kMixed>(status);
}
#endif

void Decoder::NoteMix() {
    // With an item in 3.3 to 1.8 of another kind than the one before, the
    // next item's kind is about a coin toss. With fewer switches, items come
    // in long runs of one kind; with more, literals and matches alternate as
    // a pattern does. In both, branches guess it. A stream's blocks are
    // alike; its first one, or one with too few items to tell, keeps the
    // choice before it.
    constexpr std::uint32_t kEnoughItems = 1024;
    if (items_ < kEnoughItems) {
        return;
    }
    mixed_ = switches_ * 10 >= items_ * 3 && switches_ * 20 <= items_ * 11;
    items_ = 0;
    switches_ = 0;
}

template <bool kMixed>
bool Decoder::FastSymbolsBody(InflateStatus& status) {
    const std::uint8_t* in = in_;
    const std::uint8_t* const inEnd = inEnd_;
    std::uint64_t bits = bits_;
    // Only the low byte counts: whole entries are subtracted from it.
    std::uint32_t bitCount = bitCount_;
    std::uint8_t* out = out_;
    std::uint8_t* const outStart = outStart_;
    std::uint8_t* const outEnd = outEnd_;
    const std::uint32_t* const litLen = litLenTable_;
    const std::uint32_t* const dist = distTable_;
    bool over = false;
    alignas(16) std::uint8_t scratch[kFarCopyBlock];
    std::uint32_t items = 0;
    std::uint32_t switches = 0;
    std::uint32_t afterMatch = 0;

    // Tops the buffer up to 56 bits or more with one unaligned load; the bits
    // above the count then hold a copy of the next bytes', which the next load
    // puts back in the same place.
    const auto refill = [&] {
        bits |= LoadLittleEndian64(in) << (bitCount & 63);
        in += 7 - (bitCount >> 3 & 7);
        bitCount |= 56;
    };
    const auto drop = [&](std::uint32_t entry) {
        bits >>= entry & kItemBitsMask;
        bitCount -= entry;
    };
    const auto putLiteral = [&](std::uint32_t entry) {
        ++items;
        drop(entry);
        *out++ = static_cast<std::uint8_t>(entry >> 16);
    };
    // How many more items surely have room, counted down rather than
    // checked after each one; at least one the first time, as the caller saw
    // the room. Each item refills once, then counts itself.
    const auto itemsWithRoom = [&]() -> std::size_t {
        const std::ptrdiff_t inRoom = inEnd - in - kLoadBytes;
        const std::ptrdiff_t outRoom = outEnd - out - kFastOutputRoom;
        if (inRoom < 0 || outRoom < 0) {
            return 0;
        }
        return static_cast<std::size_t>(std::min(inRoom / kLoadStep, outRoom / kLongestMatch)) + 1;
    };
    std::size_t itemsLeft = 0;
    const auto roomLeft = [&] { return --itemsLeft != 0 || (itemsLeft = itemsWithRoom()) != 0; };

    // 56 bits hold a length code with its extra bits (20) and a distance code
    // with its extra bits (28), or four first-level literal entries and the
    // lookup of a fifth. The entry of the next item is looked up ahead and
    // carried over the refill, which leaves the bits under the count alone.
    static_assert(4 * kLitLenBits + kLitLenBits <= 56, "four literal entries per refill");
    refill();
    itemsLeft = itemsWithRoom();
    std::uint32_t entry = litLen[bits & LowBits(kLitLenBits)];
    for (;;) {
        if constexpr (kMixed) {
            // A first-level literal and a whole length go the same way,
            // without a test of which it is: a literal takes no distance
            // bits and, once written, copies 64 bytes from nowhere to a
            // scratch area.
            const std::uint32_t isMatch = (entry & kLiteral) == 0;
            const std::uint32_t lengthMask = 0 - isMatch;
            if ((entry & (kSubtable | kSpecial | (kExtraBits & lengthMask))) == 0) {
                ++items;
                switches += afterMatch ^ isMatch;
                afterMatch = isMatch;
                drop(entry);
                std::uint32_t distEntry = dist[bits & LowBits(kDistBits)];
                if ((distEntry & (kSubtable | kSpecial) & lengthMask) != 0) {
                    if ((distEntry & kSubtable) != 0) {
                        bits >>= kDistBits;
                        bitCount -= kDistBits;
                        distEntry = dist[(distEntry >> 16) + (bits & LowBits(CodeBits(distEntry)))];
                    }
                    if ((distEntry & kSpecial) != 0) {
                        status = (distEntry >> 16) == kBadSymbol ? InflateStatus::BadSymbol
                                                                 : InflateStatus::NoSymbol;
                        over = true;
                        break;
                    }
                }
                distEntry &= lengthMask;
                const std::size_t distance = (distEntry >> 16) + ExtraValue(bits, distEntry);
                drop(distEntry);
                const unsigned length = isMatch != 0 ? entry >> 16 : 1;
                if (distance > static_cast<std::size_t>(out - outStart)) {
                    status = InflateStatus::DistanceTooFar;
                    over = true;
                    break;
                }
                *out = static_cast<std::uint8_t>(entry >> 16);
                entry = litLen[bits & LowBits(kLitLenBits)];
                refill();
                if ((distance | (~lengthMask & 16)) < 16) {
                    CopyMatchWide(out, distance, length);
                } else {
                    // Chosen by masks: a compiler may well make a jump of a ?:.
                    const std::uintptr_t pick = 0 - std::uintptr_t{isMatch};
                    const auto choose = [pick](auto* match, auto* literal) {
                        return reinterpret_cast<decltype(match)>(
                            (reinterpret_cast<std::uintptr_t>(match) & pick) |
                            (reinterpret_cast<std::uintptr_t>(literal) & ~pick));
                    };
                    CopyFar(choose(out, scratch), choose(out - distance, kNowhere), length);
                }
                out += length;
                if (!roomLeft()) {
                    break;
                }
                continue;
            }
        } else if ((entry & kLiteral) != 0) {
            switches += afterMatch;
            afterMatch = 0;
            putLiteral(entry);
            entry = litLen[bits & LowBits(kLitLenBits)];
            if ((entry & kLiteral) != 0) {
                putLiteral(entry);
                entry = litLen[bits & LowBits(kLitLenBits)];
                if ((entry & kLiteral) != 0) {
                    putLiteral(entry);
                    entry = litLen[bits & LowBits(kLitLenBits)];
                    if ((entry & kLiteral) != 0) {
                        putLiteral(entry);
                        entry = litLen[bits & LowBits(kLitLenBits)];
                    }
                }
            }
            refill();
            if (!roomLeft()) {
                break;
            }
            continue;
        }
        if ((entry & (kSubtable | kSpecial)) != 0) {
            if ((entry & kSubtable) != 0) {
                bits >>= kLitLenBits;
                bitCount -= kLitLenBits;
                entry = litLen[(entry >> 16) + (bits & LowBits(CodeBits(entry)))];
            }
            if ((entry & kLiteral) != 0) {
                drop(entry);
                *out++ = static_cast<std::uint8_t>(entry >> 16);
                entry = litLen[bits & LowBits(kLitLenBits)];
                refill();
                if (!roomLeft()) {
                    break;
                }
                continue;
            }
            if ((entry & kSpecial) != 0) {
                drop(entry);
                const std::uint32_t kind = entry >> 16;
                status = kind == kEndOfBlock  ? InflateStatus::Ok
                         : kind == kBadSymbol ? InflateStatus::BadSymbol
                                              : InflateStatus::NoSymbol;
                over = true;
                break;
            }
        }
        std::uint64_t itemBits = bits;
        drop(entry);
        unsigned length = entry >> 16;
        if ((entry & kExtraBits) != 0) {
            length += ExtraValue(itemBits, entry);
        }

        entry = dist[bits & LowBits(kDistBits)];
        if ((entry & (kSubtable | kSpecial)) != 0) {
            if ((entry & kSubtable) != 0) {
                bits >>= kDistBits;
                bitCount -= kDistBits;
                entry = dist[(entry >> 16) + (bits & LowBits(CodeBits(entry)))];
            }
            if ((entry & kSpecial) != 0) {
                status = (entry >> 16) == kBadSymbol ? InflateStatus::BadSymbol
                                                     : InflateStatus::NoSymbol;
                over = true;
                break;
            }
        }
        itemBits = bits;
        drop(entry);
        const std::size_t distance = (entry >> 16) + ExtraValue(itemBits, entry);
        if (distance > static_cast<std::size_t>(out - outStart)) {
            status = InflateStatus::DistanceTooFar;
            over = true;
            break;
        }
        // The next lookup overlaps the refill and the copy: a length and a
        // distance take at most 48 of the buffer's 64 bits, all of them
        // input bits since the last refill.
        ++items;
        switches += afterMatch ^ 1;
        afterMatch = 1;
        entry = litLen[bits & LowBits(kLitLenBits)];
        refill();
        CopyMatchWide(out, distance, length);
        out += length;
        if (!roomLeft()) {
            break;
        }
    }

    items_ += items;
    switches_ += switches;
    in_ = in;
    bits_ = bits;
    bitCount_ = bitCount & 0xFF;
    out_ = out;
    return over;
}

InflateStatus Decoder::HuffmanBlock() {
    for (;;) {
        if (inEnd_ - in_ >= kFastInputRoom && outEnd_ - out_ >= kFastOutputRoom) {
            InflateStatus status = InflateStatus::Ok;
            if (FastSymbols(status)) {
                return status;
            }
        }
        // One symbol with every check: the input or the output is near its end.
        std::uint32_t entry = 0;
        InflateStatus status = DecodeSymbol(litLenTable_, kLitLenBits, litLenMaxLength_, entry);
        if (status != InflateStatus::Ok) {
            return status;
        }
        if ((entry & kLiteral) != 0) {
            if (out_ == outEnd_) {
                return InflateStatus::OutputFull;
            }
            *out_++ = static_cast<std::uint8_t>(entry >> 16);
            continue;
        }
        if ((entry & kSpecial) != 0) {
            return (entry >> 16) == kEndOfBlock ? InflateStatus::Ok : InflateStatus::BadSymbol;
        }
        unsigned extra = (entry & kItemBitsMask) - CodeBits(entry);
        if (!Need(extra)) {
            return InflateStatus::InputEnded;
        }
        const unsigned length = (entry >> 16) + Take(extra);

        status = DecodeSymbol(distTable_, kDistBits, distMaxLength_, entry);
        if (status != InflateStatus::Ok) {
            return status;
        }
        if ((entry & kSpecial) != 0) {
            return InflateStatus::BadSymbol;
        }
        extra = (entry & kItemBitsMask) - CodeBits(entry);
        if (!Need(extra)) {
            return InflateStatus::InputEnded;
        }
        const std::size_t distance = (entry >> 16) + std::size_t{Take(extra)};
        if (distance > Written()) {
            return InflateStatus::DistanceTooFar;
        }
        if (length > static_cast<std::size_t>(outEnd_ - out_)) {
            return InflateStatus::OutputFull;
        }
        const std::uint8_t* from = out_ - distance;
        for (unsigned i = 0; i < length; ++i) {
            out_[i] = from[i];
        }
        out_ += length;
    }
}

}  // namespace

InflateResult Inflate(IdatReader& input, std::uint8_t* out, std::size_t outSize) {
    Decoder decoder(input, out, outSize);
    const InflateStatus status = decoder.Run();
    return {status, decoder.Written()};
}

const char* InflateStatusName(InflateStatus status) {
    switch (status) {
        case InflateStatus::Ok:
            return "ok";
        case InflateStatus::BadHeader:
            return "bad zlib header";
        case InflateStatus::BadBlockType:
            return "block type 3";
        case InflateStatus::StoredLengthMismatch:
            return "stored block length mismatch";
        case InflateStatus::InputEnded:
            return "input ended before the final block";
        case InflateStatus::NoSymbol:
            return "code matches no symbol";
        case InflateStatus::BadSymbol:
            return "length symbol 286/287 or distance symbol 30/31";
        case InflateStatus::BadRepeat:
            return "bad code length repeat";
        case InflateStatus::DistanceTooFar:
            return "distance before the output start";
        case InflateStatus::OutputFull:
            return "output larger than its buffer";
    }
    return "unknown inflate status";
}

}  // namespace brivel
