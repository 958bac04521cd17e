#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace brivel {

// Windows-1252 bytes to UTF-8. The five bytes the code page leaves undefined
// map to the C1 controls of the same value, as Windows maps them, so every
// byte string survives a round trip.
std::string Cp1252ToUtf8(std::string_view cp1252);

struct Cp1252Result {
    bool ok = false;
    std::string text;             // the Windows-1252 bytes (up to the bad character if not ok)
    std::size_t errorOffset = 0;  // offset in the UTF-8 input of the first bad character
};

// UTF-8 to Windows-1252. Fails on malformed UTF-8 and on characters the code
// page cannot hold.
Cp1252Result Utf8ToCp1252(std::string_view utf8);

// As above, but a character that cannot be held becomes '?' (for text the
// player types: it must never be refused).
std::string Utf8ToCp1252Lossy(std::string_view utf8);

}  // namespace brivel
