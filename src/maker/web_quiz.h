#pragma once

// A web quiz: the bare web player's page with the quiz's .res bundle written
// into it as base64, in pieces inside the one element the page reads it from.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "maker/byte_sink.h"

namespace brivel::tool {

// Whether the size bytes are a page of the web player (bare or carrying a
// quiz); with whole false, the page's first bytes only, whether they start as
// its page does: what tells it from another page lies further on.
bool IsWebPlayerPage(const std::uint8_t* bytes, std::size_t size, bool whole = true);

// Where the quiz element's content lies in a web player's page: what a quiz
// replaces. Nothing when the page has no quiz element.
struct QuizSlot {
    std::size_t begin = 0;
    std::size_t end = 0;
};
std::optional<QuizSlot> FindQuizSlot(const std::uint8_t* bytes, std::size_t size);

// A bundle written into the quiz element as it comes, as base64 in pieces.
class PiecesSink final : public ByteSink {
public:
    // The base64 characters of a piece: a multiple of 4, so that every piece
    // but the last decodes on its own.
    static constexpr std::size_t kPieceLength = 32768;

    explicit PiecesSink(ByteSink& out);
    using ByteSink::Write;
    bool Write(const void* data, std::size_t size) override;
    // Nothing written as base64 is gone back to.
    bool Overwrite(std::uint64_t, const void*, std::size_t) override { return false; }
    // The last bytes and the end of the pieces, once every byte is written.
    bool Finish();

private:
    // Groups of 3 bytes as base64 into the piece open, opening one if none is.
    void Encode(const std::uint8_t* bytes, std::size_t groups);
    bool Flush();

    ByteSink& out_;
    std::uint8_t group_[3] = {};
    std::size_t grouped_ = 0;
    std::size_t inPiece_ = 0;  // characters in the piece open
    bool open_ = false;
    bool pieces_ = false;  // any piece written
    std::string text_;     // written out a piece at a time
};

// The page with bundle in its quiz element; a page that already carries a
// quiz has it replaced. Nothing when page is not the web player's.
std::optional<std::string> PutBundleInPage(const std::string& page, const std::string& bundle);

// The bundle a page carries: nothing when the page is not the web player's or
// its quiz element is not base64; an empty bundle for the bare page.
std::optional<std::vector<std::uint8_t>> BundleOfPage(const std::vector<std::uint8_t>& page);

}  // namespace brivel::tool
