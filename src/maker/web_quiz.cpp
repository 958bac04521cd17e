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
// A multiple of 4: every piece but the last decodes on its own.
constexpr std::size_t kPieceLength = 32768;
constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

struct Slot {
    std::size_t begin = 0;
    std::size_t end = 0;
};

std::optional<Slot> FindSlot(std::string_view page) {
    const std::size_t start = page.find(kQuizStart);
    if (start == std::string_view::npos) {
        return std::nullopt;
    }
    const std::size_t begin = start + kQuizStart.size();
    const std::size_t end = page.find(kQuizEnd, begin);
    if (end == std::string_view::npos) {
        return std::nullopt;
    }
    return Slot{begin, end};
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

std::string Base64(const std::string& bytes) {
    std::string text;
    text.reserve((bytes.size() + 2) / 3 * 4);
    std::size_t i = 0;
    for (; i + 2 < bytes.size(); i += 3) {
        const unsigned group = static_cast<std::uint8_t>(bytes[i]) << 16 |
                               static_cast<std::uint8_t>(bytes[i + 1]) << 8 |
                               static_cast<std::uint8_t>(bytes[i + 2]);
        for (int shift = 18; shift >= 0; shift -= 6) {
            text += kAlphabet[group >> shift & 63];
        }
    }
    const std::size_t left = bytes.size() - i;
    if (left > 0) {
        unsigned group = static_cast<std::uint8_t>(bytes[i]) << 16;
        if (left == 2) {
            group |= static_cast<std::uint8_t>(bytes[i + 1]) << 8;
        }
        text += kAlphabet[group >> 18 & 63];
        text += kAlphabet[group >> 12 & 63];
        text += left == 2 ? kAlphabet[group >> 6 & 63] : '=';
        text += '=';
    }
    return text;
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

std::optional<std::string> PutBundleInPage(const std::string& page, const std::string& bundle) {
    const std::optional<Slot> slot = FindSlot(page);
    if (!slot) {
        return std::nullopt;
    }
    const std::string text = Base64(bundle);
    std::string pieces;
    for (std::size_t at = 0; at < text.size(); at += kPieceLength) {
        pieces += '\n';
        pieces += kPieceStart;
        pieces.append(text, at, kPieceLength);
        pieces += kPieceEnd;
    }
    if (!pieces.empty()) {
        pieces += '\n';
    }
    return page.substr(0, slot->begin) + pieces + page.substr(slot->end);
}

std::optional<std::vector<std::uint8_t>> BundleOfPage(const std::vector<std::uint8_t>& page) {
    const std::optional<Slot> slot = FindSlot(View(page));
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
