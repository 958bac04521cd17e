#include "pictures/inflate.h"

#include <algorithm>
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
//   bits 0-4   bits the whole item takes: the code and its extra bits (a
//              subtable pointer: the first-level width)
//   bits 8-11  bits of the code alone (a subtable pointer: the subtable's
//              index width)
//   bit 12     literal, bit 13 subtable pointer, bit 14 special
//   bits 16-31 literal byte, base length or distance, code-length symbol,
//              subtable offset, or the special's kind
// Entries with no flag are lengths (literal/length table), distances or
// code-length symbols.
constexpr std::uint32_t kItemBitsMask = 0x1F;
constexpr std::uint32_t kLiteral = 1u << 12;
constexpr std::uint32_t kSubtable = 1u << 13;
constexpr std::uint32_t kSpecial = 1u << 14;
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
    return value << 16 | flags | codeBits << 8 | (codeBits + extraBits);
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
// was before the item was dropped.
std::uint32_t ExtraValue(std::uint64_t itemBits, std::uint32_t entry) {
    return static_cast<std::uint32_t>((itemBits & LowBits(entry & kItemBitsMask)) >>
                                      CodeBits(entry));
}

unsigned Reverse(unsigned code, unsigned bits) {
    unsigned reversed = 0;
    for (unsigned i = 0; i < bits; ++i) {
        reversed = reversed << 1 | (code >> i & 1);
    }
    return reversed;
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

    const std::size_t tableSize = std::size_t{1} << tableBits;
    std::fill(table, table + tableSize, kGapEntry);

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
                const std::uint32_t entry = makeEntry(symbol, length);
                for (std::size_t index = Reverse(code, length); index < tableSize;
                     index += std::size_t{1} << length) {
                    table[index] = entry;
                }
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

// Copies a match whose source starts distance bytes back, in 8-byte words.
// The caller leaves at least 16 bytes of room past the match start and 8 past
// its end: the words may run over the end.
inline void CopyMatchWide(std::uint8_t* out, std::size_t distance, unsigned length) {
    std::uint8_t* const end = out + length;
    const std::uint8_t* from = out - distance;
    if (distance >= 8) {
        // Most matches are short: two words without a test cover them.
        std::memcpy(out, from, 8);
        std::memcpy(out + 8, from + 8, 8);
        out += 16;
        from += 16;
        while (out < end) {
            std::memcpy(out, from, 8);
            out += 8;
            from += 8;
        }
        return;
    }
    // A short distance repeats a pattern of that period; a word of it may be
    // stored at any multiple of the period, so each store advances by the
    // largest multiple that fits in a word.
    std::uint8_t pattern[8];
    for (unsigned i = 0; i < 8; ++i) {
        pattern[i] = from[i % distance];
    }
    const std::size_t step = 8 - 8 % distance;
    do {
        std::memcpy(out, pattern, 8);
        out += step;
    } while (out < end);
}

// Room the fast loop needs: input for one unchecked 8-byte load; output for
// the longest match plus the overrun of its last word.
constexpr std::ptrdiff_t kFastInputRoom = 8;
constexpr std::ptrdiff_t kFastOutputRoom = 258 + 16;

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
        std::uint32_t entry = 0;
        const InflateStatus status = DecodeSymbol(codeLengthTable_, kCodeLengthBits, 7, entry);
        if (status != InflateStatus::Ok) {
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
    const std::uint8_t* in = in_;
    const std::uint8_t* const inEnd = inEnd_;
    std::uint64_t bits = bits_;
    unsigned bitCount = bitCount_;
    std::uint8_t* out = out_;
    std::uint8_t* const outStart = outStart_;
    std::uint8_t* const outEnd = outEnd_;
    const std::uint32_t* const litLen = litLenTable_;
    const std::uint32_t* const dist = distTable_;
    bool over = false;

    // Tops the buffer up to 56 bits or more with one unaligned load; the bits
    // above the count then hold a copy of the next byte's, which the next load
    // puts back in the same place.
    const auto refill = [&] {
        bits |= LoadLittleEndian64(in) << bitCount;
        in += (63 - bitCount) >> 3;
        bitCount |= 56;
    };
    const auto drop = [&](std::uint32_t entry) {
        bits >>= entry & kItemBitsMask;
        bitCount -= entry & kItemBitsMask;
    };

    // 56 bits hold a length code with its extra bits (20) and a distance code
    // with its extra bits (28), or two literals and the lookup of a third.
    // The literal/length entry of the next item is looked up ahead and
    // carried over the refill, which leaves the bits under the count alone.
    refill();
    std::uint32_t entry = litLen[bits & LowBits(kLitLenBits)];
    for (;;) {
        if ((entry & kSubtable) != 0) {
            bits >>= kLitLenBits;
            bitCount -= kLitLenBits;
            entry = litLen[(entry >> 16) + (bits & LowBits(CodeBits(entry)))];
        }
        std::uint64_t itemBits = bits;
        drop(entry);
        if ((entry & kLiteral) != 0) {
            *out++ = static_cast<std::uint8_t>(entry >> 16);
            entry = litLen[bits & LowBits(kLitLenBits)];
            if ((entry & kLiteral) != 0) {
                drop(entry);
                *out++ = static_cast<std::uint8_t>(entry >> 16);
                entry = litLen[bits & LowBits(kLitLenBits)];
            }
            if (inEnd - in < kFastInputRoom || outEnd - out < kFastOutputRoom) {
                break;
            }
            refill();
            continue;
        }
        if ((entry & kSpecial) != 0) {
            const std::uint32_t kind = entry >> 16;
            status = kind == kEndOfBlock  ? InflateStatus::Ok
                     : kind == kBadSymbol ? InflateStatus::BadSymbol
                                          : InflateStatus::NoSymbol;
            over = true;
            break;
        }
        const unsigned length = (entry >> 16) + ExtraValue(itemBits, entry);

        entry = dist[bits & LowBits(kDistBits)];
        if ((entry & kSubtable) != 0) {
            bits >>= kDistBits;
            bitCount -= kDistBits;
            entry = dist[(entry >> 16) + (bits & LowBits(CodeBits(entry)))];
        }
        itemBits = bits;
        drop(entry);
        if ((entry & kSpecial) != 0) {
            status =
                (entry >> 16) == kBadSymbol ? InflateStatus::BadSymbol : InflateStatus::NoSymbol;
            over = true;
            break;
        }
        const std::size_t distance = (entry >> 16) + ExtraValue(itemBits, entry);
        if (distance > static_cast<std::size_t>(out - outStart)) {
            status = InflateStatus::DistanceTooFar;
            over = true;
            break;
        }
        // The next lookup overlaps the copy.
        const bool inputLeft = inEnd - in >= kFastInputRoom;
        if (inputLeft) {
            refill();
            entry = litLen[bits & LowBits(kLitLenBits)];
        }
        CopyMatchWide(out, distance, length);
        out += length;
        if (!inputLeft || outEnd - out < kFastOutputRoom) {
            break;
        }
    }

    in_ = in;
    bits_ = bits;
    bitCount_ = bitCount;
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
