#include "quiz/lzw.h"

#include <algorithm>
#include <cstring>
#include <iterator>
#include <limits>
#include <memory>
#include <new>
#include <stdexcept>

namespace brivel {
namespace {

constexpr std::uint32_t kEndCode = 256;
constexpr std::uint32_t kWidenCode = 257;
constexpr std::uint32_t kResetCode = 258;
constexpr std::uint32_t kFirstFreeCode = 259;
// Codes 0 to 4095; a full dictionary makes the encoder reset.
constexpr std::uint32_t kCodeSlots = 4096;
constexpr unsigned kStartWidth = 9;
constexpr unsigned kMaxWidth = 32;

constexpr char kNoMemoryText[] = "Impossible d'allouer la memoire";
constexpr char kNoMemoryCaption[] = "information";

// Sizes out to size bytes, all at once; the user is told when it fails.
bool SizeOutput(std::vector<std::uint8_t>& out, std::size_t size, MessageSink& sink) {
    try {
        out.resize(size);
        return true;
    } catch (const std::bad_alloc&) {
    } catch (const std::length_error&) {
    }
    sink.ShowMessage(kNoMemoryText, kNoMemoryCaption, MessageIcon::None);
    return false;
}

CodecResult Failure(DecodeStatus status) {
    return {status, {}};
}

// Codes packed most significant bit first; a code may straddle bytes.
class BitReader {
public:
    BitReader(const std::uint8_t* input, std::size_t count) : input_(input), count_(count) {}

    // False when the input ends inside the code. width is at most kMaxWidth.
    bool Read(unsigned width, std::uint32_t& code) {
        if (pendingBits_ < width) {
            if (count_ - position_ >= 4) {
                pending_ = pending_ << 32 | std::uint32_t{input_[position_]} << 24 |
                           std::uint32_t{input_[position_ + 1]} << 16 |
                           std::uint32_t{input_[position_ + 2]} << 8 | input_[position_ + 3];
                position_ += 4;
                pendingBits_ += 32;
            } else {
                while (pendingBits_ < width && position_ < count_) {
                    pending_ = pending_ << 8 | input_[position_++];
                    pendingBits_ += 8;
                }
                if (pendingBits_ < width) {
                    return false;
                }
            }
        }
        pendingBits_ -= width;
        code = static_cast<std::uint32_t>(pending_ >> pendingBits_ &
                                          ((std::uint64_t{1} << width) - 1));
        return true;
    }

private:
    const std::uint8_t* input_;
    std::size_t count_;
    std::size_t position_ = 0;  // next byte to read
    // The low pendingBits_ bits (fewer than 32) are read from the
    // input but not yet taken; the bits above them are spent.
    std::uint64_t pending_ = 0;
    unsigned pendingBits_ = 0;
};

// A decoded string. Every dictionary string was written out contiguously
// once, so it is kept as a stretch of the output instead of a copy. Dictionary
// strings are at least two bytes long; a single byte keeps its value in offset.
struct Stretch {
    std::size_t offset;
    std::size_t length;
};

// The most a stream of count bytes can decode to within the player's limit.
// The k-th data code names a string of at most k bytes (a new string is one
// byte longer than an older one), and a code takes at least 9 bits.
std::size_t DecodedSizeBound(std::size_t count) {
    const std::size_t codes = count / kStartWidth * 8 + (count % kStartWidth) * 8 / kStartWidth;
    if (codes >= (std::size_t{1} << 20)) {
        return kLzwMaxDecodedSize;
    }
    return std::min(kLzwMaxDecodedSize, codes * (codes + 1) / 2);
}

class Decoder {
public:
    Decoder(std::uint8_t* out, std::size_t capacity) : out_(out), capacity_(capacity) {}

    // Allocates the dictionary; false when it cannot.
    bool Init() {
        try {
            dictionary_ = std::make_unique<Stretch[]>(kCodeSlots - kFirstFreeCode);
            return true;
        } catch (const std::bad_alloc&) {
            return false;
        }
    }

    // Bytes written to the output so far.
    std::size_t Written() const { return written_; }

    DecodeStatus Decode(const std::uint8_t* input, std::size_t count) {
        BitReader reader(input, count);
        unsigned width = kStartWidth;
        std::uint32_t code = 0;
        if (!reader.Read(width, code)) {
            return DecodeStatus::Truncated;
        }
        Stretch current{code & 0xFF, 1};  // W
        std::uint32_t nextCode = kFirstFreeCode;
        for (;;) {
            if (!reader.Read(width, code)) {
                return DecodeStatus::InvalidCode;
            }
            if (code - kEndCode < kFirstFreeCode - kEndCode) {
                if (code == kEndCode) {
                    return Append(current);
                }
                if (code == kWidenCode) {
                    if (++width > kMaxWidth) {
                        return DecodeStatus::InvalidCode;
                    }
                    continue;
                }
                // The reset. W survives it: the next code extends it as 259.
                nextCode = kFirstFreeCode;
                width = kStartWidth;
                continue;
            }
            if (code > nextCode) {
                return DecodeStatus::InvalidCode;
            }
            // The encoder resets once slot 4095 is taken; adding past it
            // means a forged stream.
            if (nextCode == kCodeSlots) {
                return DecodeStatus::InvalidCode;
            }
            // The new string is W followed by the first byte of the next
            // string: exactly what the output holds once both are written.
            // Storing it before the lookup also covers code == nextCode.
            dictionary_[nextCode - kFirstFreeCode] = {written_, current.length + 1};
            ++nextCode;
            const DecodeStatus appended = Append(current);
            if (appended != DecodeStatus::Ok) {
                return appended;
            }
            current = code < kEndCode ? Stretch{code, 1} : dictionary_[code - kFirstFreeCode];
        }
    }

private:
    DecodeStatus Append(const Stretch& text) {
        // The player's buffer holds no more; a longer text is not a quiz text.
        // (A smaller capacity is all that the input can decode to.)
        if (text.length > capacity_ - written_) {
            return DecodeStatus::InvalidCode;
        }
        std::uint8_t* const to = out_ + written_;
        written_ += text.length;
        if (text.length == 1) {
            *to = static_cast<std::uint8_t>(text.offset);
            return DecodeStatus::Ok;
        }
        // A string made by code == nextCode starts where its copy lands one
        // byte later than its end: copied in pieces no longer than the gap,
        // each piece reads bytes already written.
        const std::uint8_t* from = out_ + text.offset;
        const std::size_t gap = static_cast<std::size_t>(to - from);
        if (gap >= text.length) {
            std::memcpy(to, from, text.length);
            return DecodeStatus::Ok;
        }
        for (std::size_t done = 0; done < text.length;) {
            const std::size_t piece = std::min(gap, text.length - done);
            std::memcpy(to + done, from + done, piece);
            done += piece;
        }
        return DecodeStatus::Ok;
    }

    std::uint8_t* const out_;
    const std::size_t capacity_;  // at most kLzwMaxDecodedSize
    std::size_t written_ = 0;
    std::unique_ptr<Stretch[]> dictionary_;  // slots 259 to 4095
};

// The codes of an encoding go straight into its output, sized beforehand
// for the most codes the input can make. Codes stay within 12 bits.
class BitWriter {
public:
    explicit BitWriter(std::uint8_t* out) : out_(out) {}

    void Put(std::uint32_t code, unsigned width) {
        pending_ = pending_ << width | code;
        pendingBits_ += width;
        if (pendingBits_ >= 32) {
            pendingBits_ -= 32;
            const auto word = static_cast<std::uint32_t>(pending_ >> pendingBits_);
            out_[written_] = static_cast<std::uint8_t>(word >> 24);
            out_[written_ + 1] = static_cast<std::uint8_t>(word >> 16);
            out_[written_ + 2] = static_cast<std::uint8_t>(word >> 8);
            out_[written_ + 3] = static_cast<std::uint8_t>(word);
            written_ += 4;
        }
    }

    // Writes the bits left, the last byte's unused low bits 0; returns the
    // stream's length.
    std::size_t Flush() {
        for (; pendingBits_ >= 8; pendingBits_ -= 8) {
            out_[written_++] = static_cast<std::uint8_t>(pending_ >> (pendingBits_ - 8));
        }
        if (pendingBits_ != 0) {
            out_[written_++] = static_cast<std::uint8_t>(pending_ << (8 - pendingBits_));
            pendingBits_ = 0;
        }
        return written_;
    }

private:
    std::uint8_t* const out_;
    std::size_t written_ = 0;
    std::uint64_t pending_ = 0;  // fewer than 32 bits are left between calls
    unsigned pendingBits_ = 0;
};

// The encoder's dictionary as a map (code of W, next byte) -> code of W+byte,
// open addressing. One cycle holds at most 3838 keys, under half the slots.
// A slot holds its 20-bit key above its 12-bit code (codes stay under 4096),
// 0 when free: no dictionary code is 0. The table fits a first-level cache.
class CodeTable {
public:
    static constexpr std::uint32_t kAbsent = 0;

    CodeTable() { Clear(); }

    static std::uint32_t Key(std::uint32_t code, std::uint8_t byte) { return code << 8 | byte; }

    void Clear() { std::fill(std::begin(slots_), std::end(slots_), kFree); }

    // The code of key, or kAbsent with slot set to where key would go.
    std::uint32_t Find(std::uint32_t key, std::size_t& slot) const {
        for (std::size_t i = Home(key);; i = (i + 1) & (kSlotCount - 1)) {
            const std::uint32_t value = slots_[i];
            if (value == kFree) {
                slot = i;
                return kAbsent;
            }
            if (value >> kCodeBits == key) {
                return value & kCodeMask;
            }
        }
    }

    // A key not in the table, into slot as Find left it, or else into the
    // first free slot from its home.
    void Insert(std::uint32_t key, std::uint32_t code, std::size_t slot = kNoSlot) {
        if (slot == kNoSlot) {
            for (slot = Home(key); slots_[slot] != kFree; slot = (slot + 1) & (kSlotCount - 1)) {
            }
        }
        slots_[slot] = key << kCodeBits | code;
    }

    static constexpr std::size_t kNoSlot = ~std::size_t{0};

private:
    static constexpr std::size_t kSlotBits = 13;
    static constexpr std::size_t kSlotCount = std::size_t{1} << kSlotBits;
    static constexpr unsigned kCodeBits = 12;
    static constexpr std::uint32_t kCodeMask = (1u << kCodeBits) - 1;
    static constexpr std::uint32_t kFree = 0;
    static_assert(kCodeSlots == 1u << kCodeBits, "codes fit their slot field");

    static std::size_t Home(std::uint32_t key) {
        return static_cast<std::uint32_t>(key * 2654435761u) >> (32 - kSlotBits);
    }

    std::uint32_t slots_[kSlotCount];
};

// The most bytes an encoding of count bytes takes, or 0 past what a size
// holds: at most one code of 12 bits per input byte, and per dictionary
// cycle (3837 new strings, each after a code) three 257s and a 258, then 256.
std::size_t EncodedSizeBound(std::size_t count) {
    constexpr std::size_t kCycleStrings = kCodeSlots - kFirstFreeCode;
    if (count > std::numeric_limits<std::size_t>::max() / 4) {
        return 0;
    }
    const std::size_t codes = count + 4 * (count / kCycleStrings + 1) + 1;
    return codes + codes / 2 + 1;
}

class Encoder {
public:
    Encoder(const std::uint8_t* input, std::size_t count, BitWriter& writer)
        : input_(input), count_(count), writer_(writer) {}

    void Encode() {
        std::size_t wStart = 0;
        std::uint32_t wCode = input_[0];
        for (std::size_t i = 1; i < count_; ++i) {
            const std::uint8_t byte = input_[i];
            const std::uint32_t key = CodeTable::Key(wCode, byte);
            std::size_t slot = 0;
            const std::uint32_t found = table_.Find(key, slot);
            if (found != CodeTable::kAbsent) {
                wCode = found;
                continue;
            }
            Add(key, slot, wStart, i + 1 - wStart);
            PutWidened(wCode);
            if (nextCode_ == kCodeSlots) {
                writer_.Put(kResetCode, width_);
                Restart(wStart, i + 1 - wStart);
            }
            wStart = i;
            wCode = byte;
        }
        PutWidened(wCode);
        writer_.Put(kEndCode, width_);
    }

private:
    // A string whose prefix has no code of the current cycle: the one that
    // filled the dictionary, kept as code 259 after the reset. No string is
    // waiting while prefixLength is 0.
    struct Orphan {
        std::size_t prefixStart = 0;
        std::size_t prefixLength = 0;
        std::uint8_t last = 0;
    };

    // input[start, start + length) is W followed by the byte of key, which
    // goes in slot.
    void Add(std::uint32_t key, std::size_t slot, std::size_t start, std::size_t length) {
        table_.Insert(key, nextCode_, slot);
        // Strings are unique within a cycle, so once the orphan's prefix gets
        // a code, (that code, last byte) finds the orphan like any other.
        if (length == orphan_.prefixLength &&
            std::memcmp(input_ + start, input_ + orphan_.prefixStart, length) == 0) {
            table_.Insert(CodeTable::Key(nextCode_, orphan_.last), kFirstFreeCode);
            orphan_ = {};
        }
        ++nextCode_;
    }

    // After the reset code the string that did not fit comes back as 259.
    void Restart(std::size_t start, std::size_t length) {
        table_.Clear();
        width_ = kStartWidth;
        const std::uint8_t last = input_[start + length - 1];
        orphan_ = {};
        if (length == 2) {
            table_.Insert(CodeTable::Key(input_[start], last), kFirstFreeCode);
        } else {
            orphan_ = {start, length - 1, last};
        }
        nextCode_ = kFirstFreeCode + 1;
    }

    // The decoder only widens when told to, so each code too wide for the
    // current width is preceded by as many 257s as it needs extra bits.
    void PutWidened(std::uint32_t code) {
        while ((code >> width_) != 0) {
            writer_.Put(kWidenCode, width_);
            ++width_;
        }
        writer_.Put(code, width_);
    }

    const std::uint8_t* input_;
    std::size_t count_;
    BitWriter& writer_;
    CodeTable table_;
    Orphan orphan_;
    std::uint32_t nextCode_ = kFirstFreeCode;
    unsigned width_ = kStartWidth;
};

}  // namespace

const char* DecodeStatusName(DecodeStatus status) {
    switch (status) {
        case DecodeStatus::Ok:
            return "success";
        case DecodeStatus::OutOfMemory:
            return "out of memory";
        case DecodeStatus::Truncated:
            return "empty or truncated input";
        case DecodeStatus::CodeRefused:
            return "code refused";
        case DecodeStatus::InvalidCode:
            return "invalid code";
    }
    return "unknown status";
}

CodecResult LzwDecode(const std::uint8_t* input, std::size_t count, MessageSink& sink) {
    CodecResult result{DecodeStatus::Ok, {}};
    const std::size_t capacity = DecodedSizeBound(count);
    if (!SizeOutput(result.bytes, capacity, sink)) {
        return Failure(DecodeStatus::OutOfMemory);
    }
    Decoder decoder(result.bytes.data(), capacity);
    if (!decoder.Init()) {
        return Failure(DecodeStatus::OutOfMemory);
    }
    result.status = decoder.Decode(input, count);
    result.bytes.resize(decoder.Written());
    return result;
}

CodecResult LzwEncode(const std::uint8_t* input, std::size_t count, MessageSink& sink) {
    if (count == 0) {
        return Failure(DecodeStatus::Truncated);
    }
    const std::size_t bound = EncodedSizeBound(count);
    CodecResult result{DecodeStatus::Ok, {}};
    if (bound == 0) {
        sink.ShowMessage(kNoMemoryText, kNoMemoryCaption, MessageIcon::None);
        return Failure(DecodeStatus::OutOfMemory);
    }
    if (!SizeOutput(result.bytes, bound, sink)) {
        return Failure(DecodeStatus::OutOfMemory);
    }
    BitWriter writer(result.bytes.data());
    std::unique_ptr<Encoder> encoder;
    try {
        encoder = std::make_unique<Encoder>(input, count, writer);
    } catch (const std::bad_alloc&) {
        return Failure(DecodeStatus::OutOfMemory);
    }
    encoder->Encode();
    result.bytes.resize(writer.Flush());
    return result;
}

}  // namespace brivel
