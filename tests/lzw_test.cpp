#include "quiz/lzw.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <map>
#include <new>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "fakes.h"

// Allocation failures on demand: while armed, every allocation of at least
// the threshold's size fails. Small ones (message texts) still succeed. This
// replaces the allocator of the whole test program, unarmed a plain malloc;
// the whole family goes so that no block crosses allocators.
// GCC takes free() in a replacement operator delete for a mismatch.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"

namespace {
std::size_t g_failAllocationsFrom = static_cast<std::size_t>(-1);

void* Allocate(std::size_t size) noexcept {
    return size >= g_failAllocationsFrom ? nullptr : std::malloc(size == 0 ? 1 : size);
}
}  // namespace

void* operator new(std::size_t size) {
    if (void* block = Allocate(size)) {
        return block;
    }
    throw std::bad_alloc();
}
void* operator new[](std::size_t size) {
    return operator new(size);
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    return Allocate(size);
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
    return Allocate(size);
}
void operator delete(void* block) noexcept {
    std::free(block);
}
void operator delete[](void* block) noexcept {
    std::free(block);
}
void operator delete(void* block, std::size_t) noexcept {
    std::free(block);
}
void operator delete[](void* block, std::size_t) noexcept {
    std::free(block);
}
void operator delete(void* block, const std::nothrow_t&) noexcept {
    std::free(block);
}
void operator delete[](void* block, const std::nothrow_t&) noexcept {
    std::free(block);
}

namespace brivel {
namespace {

using Bytes = std::vector<std::uint8_t>;
using testing::RecordingSink;

class FailAllocationsFrom {
public:
    explicit FailAllocationsFrom(std::size_t size) { g_failAllocationsFrom = size; }
    ~FailAllocationsFrom() { g_failAllocationsFrom = static_cast<std::size_t>(-1); }
    FailAllocationsFrom(const FailAllocationsFrom&) = delete;
    FailAllocationsFrom& operator=(const FailAllocationsFrom&) = delete;
};

Bytes ToBytes(std::string_view text) {
    return Bytes(text.begin(), text.end());
}

CodecResult Encode(const Bytes& input) {
    RecordingSink sink;
    CodecResult result = LzwEncode(input.data(), input.size(), sink);
    EXPECT_TRUE(sink.messages.empty());
    return result;
}

CodecResult Decode(const Bytes& input) {
    RecordingSink sink;
    CodecResult result = LzwDecode(input.data(), input.size(), sink);
    EXPECT_TRUE(sink.messages.empty());
    return result;
}

// Builds code streams by hand, one bit at a time, with the width under the
// test's control.
class StreamBuilder {
public:
    // A code at the current width, whether it fits or not.
    StreamBuilder& Code(std::uint32_t code) {
        for (unsigned bit = width_; bit-- > 0;) {
            bits_.push_back(((static_cast<std::uint64_t>(code) >> bit) & 1) != 0);
        }
        return *this;
    }
    // A code preceded by the 257s that make it fit.
    StreamBuilder& Data(std::uint32_t code) {
        while ((code >> width_) != 0) {
            Widen();
        }
        return Code(code);
    }
    StreamBuilder& Widen() {
        Code(257);
        ++width_;
        return *this;
    }
    StreamBuilder& Reset() {
        Code(258);
        width_ = 9;
        return *this;
    }
    StreamBuilder& End() { return Code(256); }

    Bytes Build() const {
        Bytes out((bits_.size() + 7) / 8, 0);
        for (std::size_t i = 0; i < bits_.size(); ++i) {
            if (bits_[i]) {
                out[i / 8] |= static_cast<std::uint8_t>(0x80 >> (i % 8));
            }
        }
        return out;
    }

private:
    std::vector<bool> bits_;
    unsigned width_ = 9;
};

// Every code of a stream up to its end code, following the widths it sets.
std::vector<std::uint32_t> ReadCodes(const Bytes& stream) {
    std::vector<std::uint32_t> codes;
    std::size_t bit = 0;
    unsigned width = 9;
    while (bit + width <= stream.size() * 8) {
        std::uint32_t code = 0;
        for (unsigned i = 0; i < width; ++i, ++bit) {
            code = code << 1 | ((stream[bit / 8] >> (7 - bit % 8)) & 1);
        }
        codes.push_back(code);
        if (code == 256) {
            break;
        }
        width = code == 257 ? width + 1 : code == 258 ? 9 : width;
    }
    return codes;
}

// The encoder exactly as the format is described: whole strings per slot, a
// per-length index searched in the order codes were added, a bit writer.
Bytes ReferenceEncode(const Bytes& input) {
    std::vector<std::string> slots(4096);
    std::map<std::size_t, std::vector<int>> byLength;
    int next = 259;
    unsigned width = 9;
    std::vector<bool> bits;
    auto put = [&](std::uint32_t code) {
        for (unsigned bit = width; bit-- > 0;) {
            bits.push_back(((code >> bit) & 1) != 0);
        }
    };
    auto add = [&](const std::string& text) {
        slots[static_cast<std::size_t>(next)] = text;
        byLength[text.size()].push_back(next);
        ++next;
    };
    auto find = [&](const std::string& text) {
        for (int code : byLength[text.size()]) {
            if (slots[static_cast<std::size_t>(code)] == text) {
                return code;
            }
        }
        return -1;
    };
    auto codeOf = [&](const std::string& text) {
        return text.size() == 1 ? static_cast<std::uint8_t>(text[0]) : find(text);
    };
    auto putWithWidening = [&](int code) {
        unsigned significant = 0;
        for (auto rest = static_cast<std::uint32_t>(code) >> width; rest != 0; rest >>= 1) {
            ++significant;
        }
        for (unsigned i = 0; i < significant; ++i) {
            put(257);
            ++width;
        }
        put(static_cast<std::uint32_t>(code));
    };

    std::string w(1, static_cast<char>(input[0]));
    for (std::size_t i = 1; i < input.size(); ++i) {
        const std::string e = w + static_cast<char>(input[i]);
        if (find(e) >= 0) {
            w = e;
            continue;
        }
        add(e);
        putWithWidening(codeOf(w));
        w = std::string(1, static_cast<char>(input[i]));
        if (next == 4096) {
            put(258);
            next = 259;
            byLength.clear();
            add(e);
            width = 9;
        }
    }
    putWithWidening(codeOf(w));
    put(256);
    Bytes out((bits.size() + 7) / 8, 0);
    for (std::size_t i = 0; i < bits.size(); ++i) {
        if (bits[i]) {
            out[i / 8] |= static_cast<std::uint8_t>(0x80 >> (i % 8));
        }
    }
    return out;
}

Bytes RandomBytes(std::size_t count, int alphabet, std::uint32_t seed) {
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> pick(0, alphabet - 1);
    Bytes out(count);
    for (auto& byte : out) {
        byte = static_cast<std::uint8_t>('a' + pick(random));
    }
    return out;
}

Bytes RandomRuns(std::size_t count, int longestRun, std::uint32_t seed) {
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> value(0, 255);
    std::uniform_int_distribution<int> length(1, longestRun);
    Bytes out;
    while (out.size() < count) {
        out.insert(out.end(), static_cast<std::size_t>(length(random)),
                   static_cast<std::uint8_t>(value(random)));
    }
    out.resize(count);
    return out;
}

// No two neighbours repeat a pair, so every byte is its own code and the
// dictionary fills after 3838 bytes with the last pair as the string that
// did not fit. That pair follows at once, so 259 is the first string found.
Bytes PairsThenTheLastPairAgain(std::uint32_t seed) {
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> value(0, 255);
    std::vector<bool> used(256 * 256);
    Bytes out{static_cast<std::uint8_t>(value(random))};
    while (out.size() < 3838) {
        const int next = value(random);
        const std::size_t pair = std::size_t{out.back()} * 256 + static_cast<std::size_t>(next);
        if (!used[pair]) {
            used[pair] = true;
            out.push_back(static_cast<std::uint8_t>(next));
        }
    }
    out.push_back(out[3836]);
    out.push_back(out[3837]);
    out.push_back('.');
    return out;
}

Bytes Repeated(std::string_view unit, std::size_t count) {
    Bytes out;
    while (out.size() < count) {
        out.insert(out.end(), unit.begin(), unit.end());
    }
    out.resize(count);
    return out;
}

// Quiz-like French text with some variety, so strings repeat with changes.
Bytes QuizText(std::size_t count) {
    Bytes out;
    for (int i = 0; out.size() < count; ++i) {
        const std::string line = "Image n\xB0" + std::to_string(i) + " : r\xE9ponse " +
                                 std::to_string(i * 7919 % 1000) + " \xE9t\xE9\r\n";
        out.insert(out.end(), line.begin(), line.end());
    }
    out.resize(count);
    return out;
}

struct NamedInput {
    const char* name;
    std::function<Bytes()> make;
};

// Varied inputs: several of them fill the dictionary many times over.
std::vector<NamedInput> VariedInputs() {
    return {
        {"one byte", [] { return ToBytes("x"); }},
        {"two equal bytes", [] { return ToBytes("zz"); }},
        {"all byte values",
         [] {
             Bytes out;
             for (int i = 0; i < 512; ++i) {
                 out.push_back(static_cast<std::uint8_t>(i * 37));
             }
             return out;
         }},
        {"random 256 values, 14000", [] { return RandomBytes(14000, 256, 1); }},
        {"two letters, 60000", [] { return RandomBytes(60000, 2, 2); }},
        {"four letters, 40000", [] { return RandomBytes(40000, 4, 3); }},
        {"runs up to 40, 50000", [] { return RandomRuns(50000, 40, 4); }},
        {"runs up to 3, 20000", [] { return RandomRuns(20000, 3, 5); }},
        {"one byte repeated, 100000", [] { return Bytes(100000, 'a'); }},
        {"abc repeated, 70000", [] { return Repeated("abc", 70000); }},
        {"quiz text, 60000", [] { return QuizText(60000); }},
        {"two-byte string kept over the reset", [] { return PairsThenTheLastPairAgain(6); }},
    };
}

TEST(LzwTest, KnownStreamsEncodeAndDecode) {
    const struct {
        const char* text;
        Bytes stream;
    } cases[] = {
        {"abc", {0x30, 0x98, 0x8C, 0x70, 0x00}},
        {"aaaa", {0x30, 0xC0, 0xCC, 0x30, 0x00}},
        {"aaaa", StreamBuilder().Code(97).Code(259).Code(97).End().Build()},
        {"A", StreamBuilder().Code(65).End().Build()},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        const CodecResult encoded = Encode(ToBytes(c.text));
        EXPECT_EQ(encoded.status, DecodeStatus::Ok);
        EXPECT_EQ(encoded.bytes, c.stream);
        const CodecResult decoded = Decode(c.stream);
        EXPECT_EQ(decoded.status, DecodeStatus::Ok);
        EXPECT_EQ(decoded.bytes, ToBytes(c.text));
    }
}

TEST(LzwEncodeTest, EmptyInputIsTruncated) {
    const CodecResult result = Encode({});
    EXPECT_EQ(result.status, DecodeStatus::Truncated);
    EXPECT_TRUE(result.bytes.empty());
}

TEST(LzwDecodeTest, HandBuiltStreams) {
    auto widened23 = [] {
        StreamBuilder builder;
        builder.Code('a');
        for (int i = 0; i < 23; ++i) {
            builder.Widen();
        }
        return builder.End().Build();
    };
    auto widened24 = [] {
        StreamBuilder builder;
        builder.Code('a');
        for (int i = 0; i < 24; ++i) {
            builder.Widen();
        }
        return builder.Code(0).Build();
    };
    const Bytes abc = {0x30, 0x98, 0x8C, 0x70, 0x00};
    const struct {
        const char* name;
        Bytes stream;
        DecodeStatus status;
        const char* output;
    } cases[] = {
        {"a literal and the end code", StreamBuilder().Code('A').End().Build(), DecodeStatus::Ok,
         "A"},
        {"first code keeps its low 8 bits", StreamBuilder().Code(0x141).End().Build(),
         DecodeStatus::Ok, "A"},
        {"code equal to the next free code", StreamBuilder().Code('a').Code(259).End().Build(),
         DecodeStatus::Ok, "aaa"},
        {"next free code after one string",
         StreamBuilder().Code('a').Code('b').Code(260).End().Build(), DecodeStatus::Ok, "abbb"},
        {"code above the next free code",
         StreamBuilder().Code('a').Code('b').Code(261).End().Build(), DecodeStatus::InvalidCode,
         "a"},
        {"reset brings the next free code back to 259",
         StreamBuilder().Code('a').Code('b').Reset().Code(260).End().Build(),
         DecodeStatus::InvalidCode, "a"},
        {"W survives a reset and 259 extends it",
         StreamBuilder().Code('a').Code('b').Reset().Code('c').Code(259).End().Build(),
         DecodeStatus::Ok, "abcbc"},
        {"each 257 widens the following codes",
         StreamBuilder().Code('a').Widen().Code('b').Widen().Code('c').End().Build(),
         DecodeStatus::Ok, "abc"},
        {"258 narrows back to 9 bits",
         StreamBuilder().Code('a').Widen().Widen().Reset().Code('b').End().Build(),
         DecodeStatus::Ok, "ab"},
        {"23 widenings reach 32 bits", widened23(), DecodeStatus::Ok, "a"},
        {"24 widenings pass 32 bits", widened24(), DecodeStatus::InvalidCode, ""},
        {"empty input", {}, DecodeStatus::Truncated, ""},
        {"input ends inside the first code", {0x30}, DecodeStatus::Truncated, ""},
        {"input ends inside a later code", Bytes(abc.begin(), abc.begin() + 3),
         DecodeStatus::InvalidCode, "a"},
        {"input ends before the end code", Bytes(abc.begin(), abc.begin() + 4),
         DecodeStatus::InvalidCode, "ab"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const CodecResult result = Decode(c.stream);
        EXPECT_EQ(result.status, c.status);
        EXPECT_EQ(result.bytes, ToBytes(c.output));
    }
}

TEST(LzwDecodeTest, NoStringIsAddedPastSlot4095) {
    // Literals cycling through the alphabet, each starting again at 'a'.
    auto letters = [](int count) {
        Bytes out;
        for (int i = 0; i < count; ++i) {
            out.push_back(static_cast<std::uint8_t>('a' + i % 26));
        }
        return out;
    };
    auto stream = [&](int before, int after) {
        StreamBuilder builder;
        for (std::uint8_t byte : letters(before)) {
            builder.Code(byte);
        }
        if (after > 0) {
            builder.Reset();
            for (std::uint8_t byte : letters(after)) {
                builder.Code(byte);
            }
        }
        return builder.End().Build();
    };
    auto concat = [](Bytes first, const Bytes& second) {
        first.insert(first.end(), second.begin(), second.end());
        return first;
    };
    // Every literal but the very first adds a string, the first one after a
    // reset included: 3837 of them take 259..4095.
    const struct {
        int before;
        int after;
        DecodeStatus status;
        Bytes output;
    } cases[] = {
        {3838, 0, DecodeStatus::Ok, letters(3838)},
        {3839, 0, DecodeStatus::InvalidCode, letters(3837)},
        {3838, 3837, DecodeStatus::Ok, concat(letters(3838), letters(3837))},
        {3838, 3838, DecodeStatus::InvalidCode, concat(letters(3838), letters(3836))},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.before) + " then " + std::to_string(c.after));
        const CodecResult result = Decode(stream(c.before, c.after));
        EXPECT_EQ(result.status, c.status);
        EXPECT_TRUE(result.bytes == c.output);
    }
}

TEST(LzwDecodeTest, OutputOver120000BytesIsRefused) {
    const struct {
        std::size_t size;
        DecodeStatus status;
    } cases[] = {
        {120000, DecodeStatus::Ok},
        {120001, DecodeStatus::InvalidCode},
        {130000, DecodeStatus::InvalidCode},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.size);
        const Bytes text = RandomBytes(c.size, 256, 7);
        const CodecResult encoded = Encode(text);
        ASSERT_EQ(encoded.status, DecodeStatus::Ok);
        const CodecResult decoded = Decode(encoded.bytes);
        EXPECT_EQ(decoded.status, c.status);
        if (c.status == DecodeStatus::Ok) {
            EXPECT_EQ(decoded.bytes, text);
            continue;
        }
        // Every whole string that fitted, and nothing past the limit.
        ASSERT_LE(decoded.bytes.size(), 120000u);
        EXPECT_GT(decoded.bytes.size(), 120000u - 4096u);
        EXPECT_TRUE(std::equal(decoded.bytes.begin(), decoded.bytes.end(), text.begin()));
    }
}

TEST(LzwTest, RoundTripsVariedInputs) {
    std::vector<NamedInput> inputs = VariedInputs();
    for (std::size_t size : {1u, 2u, 3u, 255u, 4096u, 65535u, 65536u, 100000u}) {
        inputs.push_back({"random bytes", [size] { return RandomBytes(size, 256, 11); }});
        inputs.push_back({"runs up to 500", [size] { return RandomRuns(size, 500, 12); }});
    }
    inputs.push_back({"zeros, 119999", [] { return Bytes(119999, 0); }});
    inputs.push_back({"two letters, 120000", [] { return RandomBytes(120000, 2, 13); }});
    for (const auto& input : inputs) {
        const Bytes text = input.make();
        SCOPED_TRACE(std::string(input.name) + ", " + std::to_string(text.size()) + " bytes");
        const CodecResult encoded = Encode(text);
        ASSERT_EQ(encoded.status, DecodeStatus::Ok);
        const CodecResult decoded = Decode(encoded.bytes);
        EXPECT_EQ(decoded.status, DecodeStatus::Ok);
        EXPECT_TRUE(decoded.bytes == text);
    }
}

TEST(LzwEncodeTest, FullDictionaryEmitsReset) {
    const Bytes text = RandomBytes(20000, 256, 21);
    const CodecResult encoded = Encode(text);
    ASSERT_EQ(encoded.status, DecodeStatus::Ok);
    const std::vector<std::uint32_t> codes = ReadCodes(encoded.bytes);
    ASSERT_FALSE(codes.empty());
    EXPECT_EQ(codes.back(), 256u);

    // Each data code but the last adds a string: 3837 fill 259..4095, and
    // after a reset 259 is taken at once, so 3836 fill 260..4095.
    std::vector<int> dataCodesBetweenResets;
    int dataCodes = 0;
    unsigned width = 9;
    for (std::uint32_t code : codes) {
        EXPECT_LE(code, 4095u);
        if (code == 258) {
            dataCodesBetweenResets.push_back(dataCodes);
            dataCodes = 0;
            width = 9;
        } else if (code == 257) {
            ++width;
        } else if (code != 256) {
            ++dataCodes;
        }
        EXPECT_LE(width, 12u);
    }
    ASSERT_GE(dataCodesBetweenResets.size(), 3u);
    EXPECT_EQ(dataCodesBetweenResets[0], 3837);
    for (std::size_t i = 1; i < dataCodesBetweenResets.size(); ++i) {
        EXPECT_EQ(dataCodesBetweenResets[i], 3836) << "cycle " << i;
    }

    const CodecResult decoded = Decode(encoded.bytes);
    EXPECT_EQ(decoded.status, DecodeStatus::Ok);
    EXPECT_TRUE(decoded.bytes == text);
}

TEST(LzwEncodeTest, MatchesReferenceEncoder) {
    std::vector<NamedInput> inputs = VariedInputs();
    inputs.push_back({"abc", [] { return ToBytes("abc"); }});
    inputs.push_back({"aaaa", [] { return ToBytes("aaaa"); }});
    for (std::uint32_t seed = 100; seed < 103; ++seed) {
        inputs.push_back({"three letters", [seed] { return RandomBytes(25000, 3, seed); }});
    }
    for (const auto& input : inputs) {
        const Bytes text = input.make();
        SCOPED_TRACE(std::string(input.name) + ", " + std::to_string(text.size()) + " bytes");
        const CodecResult encoded = Encode(text);
        ASSERT_EQ(encoded.status, DecodeStatus::Ok);
        EXPECT_TRUE(encoded.bytes == ReferenceEncode(text));
    }
}

TEST(LzwTest, OutputAllocationFailureIsReported) {
    const Bytes manyA(110000, 'a');
    const Bytes packedA = Encode(manyA).bytes;
    const Bytes randomText = RandomBytes(150000, 256, 31);
    const struct {
        const char* name;
        bool decode;
        const Bytes& input;
        std::size_t failFrom;
        DecodeStatus status;
    } cases[] = {
        // Only the output ever needs 100,000 bytes at once.
        {"decode", true, packedA, 100000, DecodeStatus::OutOfMemory},
        {"decode, limit not reached", true, packedA, 200000, DecodeStatus::Ok},
        {"encode", false, randomText, 100000, DecodeStatus::OutOfMemory},
        {"encode, limit not reached", false, randomText, 400000, DecodeStatus::Ok},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        RecordingSink sink;
        CodecResult result{DecodeStatus::Ok, {}};
        {
            FailAllocationsFrom failing(c.failFrom);
            result = c.decode ? LzwDecode(c.input.data(), c.input.size(), sink)
                              : LzwEncode(c.input.data(), c.input.size(), sink);
        }
        EXPECT_EQ(result.status, c.status);
        if (c.status == DecodeStatus::Ok) {
            EXPECT_FALSE(result.bytes.empty());
            EXPECT_TRUE(sink.messages.empty());
            continue;
        }
        EXPECT_TRUE(result.bytes.empty());
        ASSERT_EQ(sink.messages.size(), 1u);
        EXPECT_EQ(sink.messages[0].text, "Impossible d'allouer la memoire");
        EXPECT_EQ(sink.messages[0].caption, "information");
        EXPECT_EQ(sink.messages[0].icon, MessageIcon::None);
    }
}

}  // namespace
}  // namespace brivel
