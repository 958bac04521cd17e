#include "quiz/lzw.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <map>
#include <random>
#include <string>
#include <string_view>
#include <tuple>
#include <utility>
#include <vector>

#include "alloc_hooks.h"
#include "fakes.h"

namespace brivel {
namespace {

using Bytes = std::vector<std::uint8_t>;
using testing::FailAllocationsFrom;
using testing::RecordingSink;

Bytes ToBytes(std::string_view text) {
    return Bytes(text.begin(), text.end());
}

template <CodecResult (*codec)(const std::uint8_t*, std::size_t, MessageSink&)>
CodecResult Quiet(const Bytes& input) {
    RecordingSink sink;
    CodecResult result = codec(input.data(), input.size(), sink);
    EXPECT_TRUE(sink.messages.empty());
    return result;
}
constexpr auto Encode = Quiet<LzwEncode>;
constexpr auto Decode = Quiet<LzwDecode>;

// Code streams bit by bit, with the width under the caller's control.
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
    StreamBuilder& Widen(int times = 1) {
        for (int i = 0; i < times; ++i, ++width_) {
            Code(257);
        }
        return *this;
    }
    StreamBuilder& Reset() {
        Code(258);
        width_ = 9;
        return *this;
    }
    StreamBuilder& End() { return Code(256); }
    StreamBuilder& Literals(const Bytes& bytes) {
        for (const std::uint8_t byte : bytes) {
            Code(byte);
        }
        return *this;
    }

    operator Bytes() const { return Build(); }  // a table row takes the stream as built
    Bytes Build() const {
        Bytes out((bits_.size() + 7) / 8, 0);
        for (std::size_t i = 0; i < bits_.size(); ++i) {
            out[i / 8] |= static_cast<std::uint8_t>(bits_[i] ? 0x80 >> (i % 8) : 0);
        }
        return out;
    }

private:
    std::vector<bool> bits_;
    unsigned width_ = 9;
};

// Streams worked out by hand, which pin the bit order of everything here: the
// reference encoder gives them, and the encoder and decoder follow it.
const Bytes kAbc = {0x30, 0x98, 0x8C, 0x70, 0x00};
const Bytes kAaaa = {0x30, 0xC0, 0xCC, 0x30, 0x00};

// The encoder as the format describes it, with a dictionary of whole strings.
Bytes ReferenceEncode(const Bytes& input) {
    std::map<std::string, std::uint32_t> codes;
    std::uint32_t next = 259;
    StreamBuilder out;
    auto codeOf = [&](const std::string& w) {
        return w.size() == 1 ? static_cast<std::uint8_t>(w[0]) : codes.at(w);
    };
    std::string w(1, static_cast<char>(input[0]));
    for (std::size_t i = 1; i < input.size(); ++i) {
        const std::string e = w + static_cast<char>(input[i]);
        if (codes.count(e) != 0) {
            w = e;
            continue;
        }
        codes[e] = next++;
        out.Data(codeOf(w));
        w = std::string(1, static_cast<char>(input[i]));
        if (next == 4096) {  // the string that filled the dictionary comes back as 259
            out.Reset();
            codes = {{e, 259}};
            next = 260;
        }
    }
    return out.Data(codeOf(w)).End().Build();
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
    std::uniform_int_distribution<int> value(0, 255), length(1, longestRun);
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
        const std::size_t pair = out.back() * 256u + static_cast<unsigned>(next);
        if (!used[pair]) {
            used[pair] = true;
            out.push_back(static_cast<std::uint8_t>(next));
        }
    }
    out.insert(out.end(), {out[3836], out[3837], '.'});
    return out;
}

// Quiz-like French text with some variety, so strings repeat with changes.
Bytes QuizText(std::size_t count) {
    std::string text;
    for (int i = 0; text.size() < count; ++i) {
        text += "Image n\xB0" + std::to_string(i) + " : r\xE9ponse " +
                std::to_string(i * 7919 % 1000) + " \xE9t\xE9\r\n";
    }
    return ToBytes(text.substr(0, count));
}

TEST(LzwDecodeTest, HandBuiltStreams) {
    using S = DecodeStatus;
    using SB = StreamBuilder;
    const std::tuple<const char*, Bytes, DecodeStatus, const char*> cases[] = {
        {"a literal and the end code", SB().Code('A').End(), S::Ok, "A"},
        {"first code keeps its low 8 bits", SB().Code(0x141).End(), S::Ok, "A"},
        {"code equal to the next free code", SB().Code('a').Code(259).End(), S::Ok, "aaa"},
        {"next free code after one string", SB().Code('a').Code('b').Code(260).End(), S::Ok,
         "abbb"},
        {"code above the next free code", SB().Code('a').Code('b').Code(261).End(), S::InvalidCode,
         "a"},
        {"reset brings the next free code back to 259",
         SB().Code('a').Code('b').Reset().Code(260).End(), S::InvalidCode, "a"},
        {"W survives a reset and 259 extends it",
         SB().Code('a').Code('b').Reset().Code('c').Code(259).End(), S::Ok, "abcbc"},
        {"each 257 widens the following codes",
         SB().Code('a').Widen().Code('b').Widen().Code('c').End(), S::Ok, "abc"},
        {"258 narrows back to 9 bits", SB().Code('a').Widen().Widen().Reset().Code('b').End(),
         S::Ok, "ab"},
        {"23 widenings reach 32 bits", SB().Code('a').Widen(23).End(), S::Ok, "a"},
        {"24 widenings pass 32 bits", SB().Code('a').Widen(24).Code(0), S::InvalidCode, ""},
        {"empty input", {}, S::Truncated, ""},
        {"input ends inside the first code", {0x30}, S::Truncated, ""},
        {"input ends inside a later code", Bytes(kAbc.begin(), kAbc.begin() + 3), S::InvalidCode,
         "a"},
        {"input ends before the end code", Bytes(kAbc.begin(), kAbc.begin() + 4), S::InvalidCode,
         "ab"},
    };
    for (const auto& [name, stream, status, output] : cases) {
        SCOPED_TRACE(name);
        const CodecResult result = Decode(stream);
        EXPECT_EQ(result.status, status);
        EXPECT_EQ(result.bytes, ToBytes(output));
    }
}

TEST(LzwDecodeTest, NoStringIsAddedPastSlot4095) {
    // Literals cycling through the alphabet, each starting again at 'a', after out.
    auto letters = [](int count, Bytes out = {}) {
        for (int i = 0; i < count; ++i) {
            out.push_back(static_cast<std::uint8_t>('a' + i % 26));
        }
        return out;
    };
    // Every literal but the very first adds a string, the first one after a
    // reset included: 3837 of them take 259..4095. Literals before and after a reset:
    const std::tuple<int, int, DecodeStatus, Bytes> cases[] = {
        {3838, 0, DecodeStatus::Ok, letters(3838)},
        {3839, 0, DecodeStatus::InvalidCode, letters(3837)},
        {3838, 3837, DecodeStatus::Ok, letters(3837, letters(3838))},
        {3838, 3838, DecodeStatus::InvalidCode, letters(3836, letters(3838))},
    };
    for (const auto& [before, after, status, output] : cases) {
        SCOPED_TRACE(std::to_string(before) + " then " + std::to_string(after));
        StreamBuilder stream;
        stream.Literals(letters(before));
        if (after > 0) {
            stream.Reset().Literals(letters(after));
        }
        const CodecResult result = Decode(stream.End().Build());
        EXPECT_EQ(result.status, status);
        EXPECT_TRUE(result.bytes == output);
    }
}

TEST(LzwDecodeTest, OutputOver120000BytesIsRefused) {
    const Bytes text = RandomBytes(120001, 256, 7);
    const CodecResult encoded = Encode(text);
    ASSERT_EQ(encoded.status, DecodeStatus::Ok);
    const CodecResult decoded = Decode(encoded.bytes);
    EXPECT_EQ(decoded.status, DecodeStatus::InvalidCode);
    // Every whole string that fitted, and nothing past the limit.
    ASSERT_LE(decoded.bytes.size(), 120000u);
    EXPECT_GT(decoded.bytes.size(), 120000u - 4096u);
    EXPECT_TRUE(std::equal(decoded.bytes.begin(), decoded.bytes.end(), text.begin()));
}

// The encoder matches the reference code for code, resets included, and the
// decoder gives the text back. Several inputs fill the dictionary many times over.
TEST(LzwTest, EncodesAsTheReferenceAndDecodesBack) {
    Bytes allValues, abcRepeated;
    for (int i = 0; i < 512; ++i) {
        allValues.push_back(static_cast<std::uint8_t>(i * 37));
    }
    for (int i = 0; i < 70000; ++i) {
        abcRepeated.push_back(static_cast<std::uint8_t>('a' + i % 3));
    }
    std::vector<std::pair<std::string, Bytes>> inputs = {
        {"one byte", ToBytes("x")},
        {"two equal bytes", ToBytes("zz")},
        {"abc", ToBytes("abc")},
        {"aaaa", ToBytes("aaaa")},
        {"all byte values", allValues},
        {"random 256 values", RandomBytes(14000, 256, 1)},
        {"two letters", RandomBytes(60000, 2, 2)},
        {"four letters", RandomBytes(40000, 4, 3)},
        {"runs up to 40", RandomRuns(50000, 40, 4)},
        {"runs up to 3", RandomRuns(20000, 3, 5)},
        {"one byte repeated", Bytes(100000, 'a')},
        {"abc repeated", abcRepeated},
        {"quiz text", QuizText(60000)},
        {"two-byte string kept over the reset", PairsThenTheLastPairAgain(6)},
        {"zeros up to the limit", Bytes(119999, 0)},
        {"two letters at the limit", RandomBytes(120000, 2, 13)},
        {"random bytes at the limit", RandomBytes(120000, 256, 7)},
    };
    for (std::uint32_t seed = 100; seed < 103; ++seed) {
        inputs.push_back({"three letters", RandomBytes(25000, 3, seed)});
    }
    for (std::size_t size : {1u, 2u, 3u, 255u, 4096u, 65535u, 65536u, 100000u}) {
        inputs.push_back({"random bytes", RandomBytes(size, 256, 11)});
        inputs.push_back({"runs up to 500", RandomRuns(size, 500, 12)});
    }
    EXPECT_EQ(ReferenceEncode(ToBytes("abc")), kAbc);
    EXPECT_EQ(ReferenceEncode(ToBytes("aaaa")), kAaaa);
    EXPECT_EQ(Encode({}).status, DecodeStatus::Truncated);
    EXPECT_TRUE(Encode({}).bytes.empty());
    for (const auto& [name, text] : inputs) {
        SCOPED_TRACE(name + ", " + std::to_string(text.size()) + " bytes");
        const CodecResult encoded = Encode(text);
        ASSERT_EQ(encoded.status, DecodeStatus::Ok);
        EXPECT_TRUE(encoded.bytes == ReferenceEncode(text));
        const CodecResult decoded = Decode(encoded.bytes);
        EXPECT_EQ(decoded.status, DecodeStatus::Ok);
        EXPECT_TRUE(decoded.bytes == text);
    }
}

TEST(LzwTest, OutputAllocationFailureIsReported) {
    const Bytes manyA(110000, 'a');
    const Bytes packedA = Encode(manyA).bytes;
    const Bytes randomText = RandomBytes(150000, 256, 31);
    const std::tuple<const char*, bool, const Bytes&, std::size_t, DecodeStatus> cases[] = {
        // Only the output ever needs 100,000 bytes at once.
        {"decode", true, packedA, 100000, DecodeStatus::OutOfMemory},
        {"decode, limit not reached", true, packedA, 200000, DecodeStatus::Ok},
        {"encode", false, randomText, 100000, DecodeStatus::OutOfMemory},
        {"encode, limit not reached", false, randomText, 400000, DecodeStatus::Ok},
    };
    for (const auto& [name, decode, input, failFrom, status] : cases) {
        SCOPED_TRACE(name);
        RecordingSink sink;
        CodecResult result{DecodeStatus::Ok, {}};
        {
            FailAllocationsFrom failing(failFrom);
            result = decode ? LzwDecode(input.data(), input.size(), sink)
                            : LzwEncode(input.data(), input.size(), sink);
        }
        EXPECT_EQ(result.status, status);
        const bool ok = status == DecodeStatus::Ok;
        EXPECT_EQ(result.bytes.empty(), !ok);
        EXPECT_EQ(sink.Said(), ok ? "" : "information: Impossible d'allouer la memoire [0]\n");
    }
}

}  // namespace
}  // namespace brivel
