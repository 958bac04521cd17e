#include "maker/web_quiz.h"

#include <algorithm>
#include <string_view>

namespace brivel::tool {

namespace {

// The element of src/web/player.html that holds the quiz, the page's last; the
// script before it never spells it out, so the first match is the element.
// It holds the bundle's base64 in pieces, one to a script element: Chromium
// parses the sample's 650 KB of base64 in one element in about 20 ms, in
// pieces in about 5, and a start waits for it.
constexpr std::string_view kQuizStart = "<div id=\"brivel-quiz\" hidden>";
constexpr std::string_view kQuizEnd = "</div>";
constexpr std::string_view kPieceStart = "<script type=\"application/octet-stream\">";
constexpr std::string_view kPieceEnd = "</script>";
// Between pieces, as a browser skips them (a page saved with CRLF still plays).
constexpr std::string_view kBlanks = " \t\r\n\f";
constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

std::optional<QuizSlot> FindSlot(std::string_view page) {
    const std::size_t start = page.find(kQuizStart);
    if (start == std::string_view::npos) {
        return std::nullopt;
    }
    const std::size_t begin = start + kQuizStart.size();
    const std::size_t end = page.find(kQuizEnd, begin);
    if (end == std::string_view::npos) {
        return std::nullopt;
    }
    return QuizSlot{begin, end};
}

// The base64 of the piece that rest starts with, taken off rest; nothing when
// rest starts with anything else.
std::optional<std::string_view> NextPiece(std::string_view& rest) {
    rest.remove_prefix(std::min(rest.size(), rest.find_first_not_of(kBlanks)));
    if (rest.substr(0, kPieceStart.size()) != kPieceStart) {
        return std::nullopt;
    }
    rest.remove_prefix(kPieceStart.size());
    const std::size_t end = rest.find(kPieceEnd);
    if (end == std::string_view::npos) {
        return std::nullopt;
    }
    const std::string_view piece = rest.substr(0, end);
    rest.remove_prefix(end + kPieceEnd.size());
    return piece;
}

int Base64Value(char c) {
    const char* at = std::find(kAlphabet, kAlphabet + 64, c);
    return at == kAlphabet + 64 ? -1 : static_cast<int>(at - kAlphabet);
}

std::optional<std::vector<std::uint8_t>> FromBase64(std::string_view text) {
    while (!text.empty() && text.back() == '=') {
        text.remove_suffix(1);
    }
    if (text.size() % 4 == 1) {
        return std::nullopt;
    }
    std::vector<std::uint8_t> bytes;
    bytes.reserve(text.size() / 4 * 3 + 2);
    unsigned group = 0;
    int bits = 0;
    for (const char c : text) {
        const int value = Base64Value(c);
        if (value < 0) {
            return std::nullopt;
        }
        group = (group << 6 | static_cast<unsigned>(value)) & 0xFFFFFF;
        bits += 6;
        if (bits >= 8) {
            bits -= 8;
            bytes.push_back(static_cast<std::uint8_t>(group >> bits));
        }
    }
    return bytes;
}

std::string_view View(const std::vector<std::uint8_t>& bytes) {
    return {reinterpret_cast<const char*>(bytes.data()), bytes.size()};
}

}  // namespace

bool IsWebPlayerPage(const std::uint8_t* bytes, std::size_t size, bool whole) {
    constexpr std::string_view kDoctype = "<!DOCTYPE html>";
    const std::string_view page(reinterpret_cast<const char*>(bytes), size);
    return page.substr(0, kDoctype.size()) == kDoctype && (!whole || FindSlot(page).has_value());
}

std::optional<QuizSlot> FindQuizSlot(const std::uint8_t* bytes, std::size_t size) {
    return FindSlot(std::string_view(reinterpret_cast<const char*>(bytes), size));
}

PiecesSink::PiecesSink(ByteSink& out) : out_(out) {}

bool PiecesSink::Write(const void* data, std::size_t size) {
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    while (size > 0) {
        if (grouped_ > 0 || size < 3) {
            group_[grouped_++] = *bytes++;
            --size;
            if (grouped_ == 3) {
                Encode(group_, 1);
                grouped_ = 0;
            }
            continue;
        }
        // Whole groups straight from the data, up to the end of the piece.
        const std::size_t groups = std::min(size / 3, (kPieceLength - inPiece_) / 4);
        Encode(bytes, groups);
        bytes += 3 * groups;
        size -= 3 * groups;
        if (text_.size() >= kPieceLength && !Flush()) {
            return false;
        }
    }
    return true;
}

bool PiecesSink::Finish() {
    if (grouped_ > 0) {
        const unsigned group = group_[0] << 16 | (grouped_ > 1 ? group_[1] << 8 : 0);
        Encode(nullptr, 0);  // opens the piece the last characters go in
        text_ += kAlphabet[group >> 18 & 63];
        text_ += kAlphabet[group >> 12 & 63];
        text_ += grouped_ > 1 ? kAlphabet[group >> 6 & 63] : '=';
        text_ += '=';
    }
    if (open_) {
        text_ += kPieceEnd;
    }
    if (pieces_) {
        text_ += '\n';
    }
    return Flush();
}

void PiecesSink::Encode(const std::uint8_t* bytes, std::size_t groups) {
    if (!open_) {
        text_ += '\n';
        text_ += kPieceStart;
        open_ = true;
        pieces_ = true;
    }
    const std::size_t at = text_.size();
    text_.resize(at + 4 * groups);
    char* to = &text_[at];
    for (std::size_t i = 0; i < groups; ++i, bytes += 3, to += 4) {
        const unsigned group = bytes[0] << 16 | bytes[1] << 8 | bytes[2];
        to[0] = kAlphabet[group >> 18 & 63];
        to[1] = kAlphabet[group >> 12 & 63];
        to[2] = kAlphabet[group >> 6 & 63];
        to[3] = kAlphabet[group & 63];
    }
    inPiece_ += 4 * groups;
    if (inPiece_ == kPieceLength) {
        text_ += kPieceEnd;
        open_ = false;
        inPiece_ = 0;
    }
}

bool PiecesSink::Flush() {
    const bool written = out_.Write(text_);
    text_.clear();
    return written;
}

std::optional<std::string> PutBundleInPage(const std::string& page, const std::string& bundle) {
    const std::optional<QuizSlot> slot = FindSlot(page);
    if (!slot) {
        return std::nullopt;
    }
    StringSink out;
    out.bytes = page.substr(0, slot->begin);
    PiecesSink pieces(out);
    pieces.Write(bundle);
    pieces.Finish();
    out.bytes.append(page, slot->end);
    return std::move(out.bytes);
}

std::optional<std::vector<std::uint8_t>> BundleOfPage(const std::vector<std::uint8_t>& page) {
    const std::optional<QuizSlot> slot = FindSlot(View(page));
    if (!slot) {
        return std::nullopt;
    }
    std::string_view rest = View(page).substr(slot->begin, slot->end - slot->begin);
    std::string text;
    while (rest.find_first_not_of(kBlanks) != std::string_view::npos) {
        const std::optional<std::string_view> piece = NextPiece(rest);
        if (!piece) {
            return std::nullopt;
        }
        text += *piece;
    }
    return FromBase64(text);
}

}  // namespace brivel::tool
