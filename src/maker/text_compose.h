#pragma once

// Unicode services the description needs beyond Windows-1252: natively
// utf8proc, in the browser the page's own String.prototype.normalize, which
// spares the page a copy of the Unicode tables it already has.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace brivel {

// A Mac writes an accent apart from its letter (NFD): composed (NFC), "é" is
// the one character that Windows-1252 and the checks know. Nothing when utf8
// is not UTF-8.
std::optional<std::string> Composed(std::string_view utf8);

// What a person compares names by first: case folded and, unless marks, the
// accents taken off ("Été" as "ete"). The bytes themselves when utf8 is not UTF-8.
std::string Folded(std::string_view utf8, bool marks);

// The offset of the first byte of text that is not UTF-8, or npos.
std::size_t FirstNonUtf8(std::string_view text);

}  // namespace brivel
