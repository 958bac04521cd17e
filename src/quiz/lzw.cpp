#include "quiz/lzw.h"

#include <algorithm>
#include <cstring>
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

// Makes room for `needed` bytes in out, doubling so appends stay amortised
// but never reserving past ceiling. The user is told when it fails.
bool GrowOutput(std::vector<std::uint8_t>& out, std::size_t needed, std::size_t ceiling,
                MessageSink& sink) {
    if (needed <= out.capacity()) {
        return true;
    }
    ceiling = std::min(ceiling, out.max_size());
    const std::size_t doubled =
        out.capacity() > ceiling / 2 ? ceiling : std::max<std::size_t>(out.capacity() * 2, 64);
    try {
        out.reserve(std::max(needed, std::min(doubled, ceiling)));
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
        const std::size_t usedBits = bitOffset_ + width;
        const std::size_t bytes = (usedBits + 7) / 8;
        if (count_ - position_ < bytes) {
            return false;
        }
        std::uint64_t bits = 0;
        for (std::size_t i = 0; i < bytes; ++i) {
            bits = (bits << 8) | input_[position_ + i];
        }
        bits >>= bytes * 8 - usedBits;
        code = static_cast<std::uint32_t>(bits & ((std::uint64_t{1} << width) - 1));
        position_ += usedBits / 8;
        bitOffset_ = usedBits % 8;
        return true;
    }

private:
    const std::uint8_t* input_;
    std::size_t count_;
    std::size_t position_ = 0;   // byte holding the next unread bit
    std::size_t bitOffset_ = 0;  // bits of that byte already read
};

// A decoded string. Every dictionary string was written out contiguously
// once, so it is kept as a stretch of the output instead of a copy. Dictionary
// strings are at least two bytes long; a single byte keeps its value in offset.
struct Stretch {
    std::size_t offset;
    std::size_t length;
};

class Decoder {
public:
    Decoder(std::vector<std::uint8_t>& out, MessageSink& sink) : out_(out), sink_(sink) {}

    // Allocates the dictionary; false when it cannot.
    bool Init() {
        try {
            dictionary_ = std::make_unique<Stretch[]>(kCodeSlots - kFirstFreeCode);
            return true;
        } catch (const std::bad_alloc&) {
            return false;
        }
    }

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
            if (width > kMaxWidth || !reader.Read(width, code)) {
                return DecodeStatus::InvalidCode;
            }
            if (code == kEndCode) {
                return Append(current);
            }
            if (code == kWidenCode) {
                ++width;
                continue;
            }
            if (code == kResetCode) {
                // W survives the reset: the next code extends it as code 259.
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
            dictionary_[nextCode - kFirstFreeCode] = {out_.size(), current.length + 1};
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
        const std::size_t at = out_.size();
        // The player's buffer holds no more; a longer text is not a quiz text.
        if (text.length > kLzwMaxDecodedSize - at) {
            return DecodeStatus::InvalidCode;
        }
        if (!GrowOutput(out_, at + text.length, kLzwMaxDecodedSize, sink_)) {
            return DecodeStatus::OutOfMemory;
        }
        if (text.length == 1) {
            out_.push_back(static_cast<std::uint8_t>(text.offset));
            return DecodeStatus::Ok;
        }
        out_.resize(at + text.length);
        // Forward, byte by byte: a string made by code == nextCode overlaps
        // its own copy and reads bytes this loop has just written.
        std::uint8_t* data = out_.data();
        for (std::size_t i = 0; i < text.length; ++i) {
            data[at + i] = data[text.offset + i];
        }
        return DecodeStatus::Ok;
    }

    std::vector<std::uint8_t>& out_;
    MessageSink& sink_;
    std::unique_ptr<Stretch[]> dictionary_;  // slots 259 to 4095
};

class BitWriter {
public:
    BitWriter(std::vector<std::uint8_t>& out, MessageSink& sink) : out_(out), sink_(sink) {}

    DecodeStatus Put(std::uint32_t code, unsigned width) {
        if (width > kMaxWidth) {
            return DecodeStatus::CodeRefused;
        }
        pending_ = (pending_ << width) | (code & ((std::uint64_t{1} << width) - 1));
        pendingBits_ += width;
        while (pendingBits_ >= 8) {
            pendingBits_ -= 8;
            if (!PutByte(static_cast<std::uint8_t>(pending_ >> pendingBits_))) {
                return DecodeStatus::OutOfMemory;
            }
        }
        pending_ &= (std::uint64_t{1} << pendingBits_) - 1;
        return DecodeStatus::Ok;
    }

    // Writes the partly filled byte, its unused low bits 0.
    DecodeStatus Flush() {
        if (pendingBits_ == 0) {
            return DecodeStatus::Ok;
        }
        const auto last = static_cast<std::uint8_t>(pending_ << (8 - pendingBits_));
        pending_ = 0;
        pendingBits_ = 0;
        return PutByte(last) ? DecodeStatus::Ok : DecodeStatus::OutOfMemory;
    }

private:
    bool PutByte(std::uint8_t byte) {
        if (!GrowOutput(out_, out_.size() + 1, out_.max_size(), sink_)) {
            return false;
        }
        out_.push_back(byte);
        return true;
    }

    std::vector<std::uint8_t>& out_;
    MessageSink& sink_;
    std::uint64_t pending_ = 0;  // fewer than 8 bits between calls
    unsigned pendingBits_ = 0;
};

// The encoder's dictionary as a map (code of W, next byte) -> code of W+byte,
// open addressing. One cycle holds at most 3838 keys, under half the slots.
class CodeTable {
public:
    static constexpr std::uint32_t kAbsent = 0;  // no dictionary code is 0

    CodeTable() : slots_(std::make_unique<Slot[]>(kSlotCount)) { Clear(); }

    static std::uint32_t Key(std::uint32_t code, std::uint8_t byte) { return code << 8 | byte; }

    void Clear() { std::fill(slots_.get(), slots_.get() + kSlotCount, Slot{kEmpty, 0}); }

    std::uint32_t Find(std::uint32_t key) const {
        for (std::size_t i = Home(key);; i = (i + 1) & (kSlotCount - 1)) {
            if (slots_[i].key == key) {
                return slots_[i].code;
            }
            if (slots_[i].key == kEmpty) {
                return kAbsent;
            }
        }
    }

    void Insert(std::uint32_t key, std::uint32_t code) {
        std::size_t i = Home(key);
        while (slots_[i].key != kEmpty) {
            i = (i + 1) & (kSlotCount - 1);
        }
        slots_[i] = {key, code};
    }

private:
    struct Slot {
        std::uint32_t key;
        std::uint32_t code;
    };
    static constexpr std::size_t kSlotBits = 13;
    static constexpr std::size_t kSlotCount = std::size_t{1} << kSlotBits;
    static constexpr std::uint32_t kEmpty = 0xFFFFFFFF;

    static std::size_t Home(std::uint32_t key) {
        return static_cast<std::uint32_t>(key * 2654435761u) >> (32 - kSlotBits);
    }

    std::unique_ptr<Slot[]> slots_;
};

class Encoder {
public:
    Encoder(const std::uint8_t* input, std::size_t count, BitWriter& writer)
        : input_(input), count_(count), writer_(writer) {}

    DecodeStatus Encode() {
        std::size_t wStart = 0;
        std::uint32_t wCode = input_[0];
        for (std::size_t i = 1; i < count_; ++i) {
            const std::uint8_t byte = input_[i];
            const std::uint32_t key = CodeTable::Key(wCode, byte);
            const std::uint32_t found = table_.Find(key);
            if (found != CodeTable::kAbsent) {
                wCode = found;
                continue;
            }
            Add(key, wStart, i + 1 - wStart);
            DecodeStatus status = PutWidened(wCode);
            if (status != DecodeStatus::Ok) {
                return status;
            }
            if (nextCode_ == kCodeSlots) {
                status = writer_.Put(kResetCode, width_);
                if (status != DecodeStatus::Ok) {
                    return status;
                }
                Restart(wStart, i + 1 - wStart);
            }
            wStart = i;
            wCode = byte;
        }
        const DecodeStatus status = PutWidened(wCode);
        if (status != DecodeStatus::Ok) {
            return status;
        }
        const DecodeStatus ended = writer_.Put(kEndCode, width_);
        return ended != DecodeStatus::Ok ? ended : writer_.Flush();
    }

private:
    // A string whose prefix has no code of the current cycle: the one that
    // filled the dictionary, kept as code 259 after the reset.
    struct Orphan {
        bool waiting = false;
        std::size_t prefixStart = 0;
        std::size_t prefixLength = 0;
        std::uint8_t last = 0;
    };

    // input[start, start + length) is W followed by the byte of key.
    void Add(std::uint32_t key, std::size_t start, std::size_t length) {
        table_.Insert(key, nextCode_);
        // Strings are unique within a cycle, so once the orphan's prefix gets
        // a code, (that code, last byte) finds the orphan like any other.
        if (orphan_.waiting && length == orphan_.prefixLength &&
            std::memcmp(input_ + start, input_ + orphan_.prefixStart, length) == 0) {
            table_.Insert(CodeTable::Key(nextCode_, orphan_.last), kFirstFreeCode);
            orphan_.waiting = false;
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
            orphan_ = {true, start, length - 1, last};
        }
        nextCode_ = kFirstFreeCode + 1;
    }

    // The decoder only widens when told to, so each code too wide for the
    // current width is preceded by as many 257s as it needs extra bits.
    DecodeStatus PutWidened(std::uint32_t code) {
        while (width_ < kMaxWidth && (code >> width_) != 0) {
            const DecodeStatus status = writer_.Put(kWidenCode, width_);
            if (status != DecodeStatus::Ok) {
                return status;
            }
            ++width_;
        }
        return writer_.Put(code, width_);
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
    // Room for typical text packed 2 to 3 times; more is grown on demand.
    const std::size_t initial = count < kLzwMaxDecodedSize / 8 ? count * 4 + 64 : count;
    if (!GrowOutput(result.bytes, std::min(initial, kLzwMaxDecodedSize), kLzwMaxDecodedSize,
                    sink)) {
        return Failure(DecodeStatus::OutOfMemory);
    }
    Decoder decoder(result.bytes, sink);
    if (!decoder.Init()) {
        return Failure(DecodeStatus::OutOfMemory);
    }
    result.status = decoder.Decode(input, count);
    if (result.status == DecodeStatus::OutOfMemory) {
        return Failure(DecodeStatus::OutOfMemory);
    }
    return result;
}

CodecResult LzwEncode(const std::uint8_t* input, std::size_t count, MessageSink& sink) {
    CodecResult result{DecodeStatus::Ok, {}};
    if (!GrowOutput(result.bytes, count / 2 + 16, result.bytes.max_size(), sink)) {
        return Failure(DecodeStatus::OutOfMemory);
    }
    if (count == 0) {
        return Failure(DecodeStatus::Truncated);
    }
    BitWriter writer(result.bytes, sink);
    std::unique_ptr<Encoder> encoder;
    try {
        encoder = std::make_unique<Encoder>(input, count, writer);
    } catch (const std::bad_alloc&) {
        return Failure(DecodeStatus::OutOfMemory);
    }
    result.status = encoder->Encode();
    if (result.status != DecodeStatus::Ok) {
        return Failure(result.status);
    }
    return result;
}

}  // namespace brivel
