// The description's Unicode services in the browser (maker/text_compose.h):
// composing and folding are the page's String.prototype.normalize and case
// mapping, whose tables the browser already carries; utf8proc's would add some
// 300 KB to the page.

#include <algorithm>
#include <cstdint>
#include <vector>

#include "maker/text_compose.h"
#include "studio/studio_imports.h"

namespace brivel {

namespace {

// What the page makes of utf8 through make, or nothing when utf8 is not UTF-8.
template <typename Make>
std::optional<std::string> Made(std::string_view utf8, const Make& make) {
    if (FirstNonUtf8(utf8) != std::string_view::npos) {
        return std::nullopt;
    }
    // Folding may lengthen a text ("ß" as "ss"): the second call has the room.
    std::vector<char> room(utf8.size() + 16);
    for (int attempt = 0; attempt < 2; ++attempt) {
        const int length = make(room);
        if (length < 0) {
            return std::nullopt;
        }
        if (static_cast<std::size_t>(length) <= room.size()) {
            return std::string(room.data(), static_cast<std::size_t>(length));
        }
        room.resize(static_cast<std::size_t>(length));
    }
    return std::nullopt;
}

}  // namespace

std::optional<std::string> Composed(std::string_view utf8) {
    // Below U+0300 no character decomposes or combines: such a text (most
    // French is) is composed already, and the check composes each text at
    // every keystroke.
    if (FirstNonUtf8(utf8) == std::string_view::npos &&
        std::none_of(utf8.begin(), utf8.end(),
                     [](char c) { return static_cast<std::uint8_t>(c) >= 0xCC; })) {
        return std::string(utf8);
    }
    return Made(utf8, [utf8](std::vector<char>& room) {
        return brivel_studio_compose(utf8.data(), static_cast<int>(utf8.size()), room.data(),
                                     static_cast<int>(room.size()));
    });
}

std::string Folded(std::string_view utf8, bool marks) {
    return Made(utf8,
                [utf8, marks](std::vector<char>& room) {
                    return brivel_studio_fold(utf8.data(), static_cast<int>(utf8.size()),
                                              room.data(), static_cast<int>(room.size()),
                                              marks ? 1 : 0);
                })
        .value_or(std::string(utf8));
}

// Strict UTF-8, as utf8proc reads it natively: no overlong forms, no
// surrogates, nothing past U+10FFFF.
std::size_t FirstNonUtf8(std::string_view text) {
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(text.data());
    const std::size_t size = text.size();
    for (std::size_t at = 0; at < size;) {
        const std::uint8_t lead = bytes[at];
        std::size_t length = 1;
        std::uint32_t code = lead;
        std::uint32_t least = 0;
        if (lead >= 0xF0 && lead <= 0xF4) {
            length = 4;
            code = lead & 0x07u;
            least = 0x10000;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            length = 3;
            code = lead & 0x0Fu;
            least = 0x800;
        } else if (lead >= 0xC2 && lead <= 0xDF) {
            length = 2;
            code = lead & 0x1Fu;
            least = 0x80;
        } else if (lead >= 0x80) {
            return at;
        }
        if (length > size - at) {
            return at;
        }
        for (std::size_t k = 1; k < length; ++k) {
            if ((bytes[at + k] & 0xC0u) != 0x80u) {
                return at;
            }
            code = code << 6 | (bytes[at + k] & 0x3Fu);
        }
        if (code < least || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) {
            return at;
        }
        at += length;
    }
    return std::string_view::npos;
}

}  // namespace brivel
