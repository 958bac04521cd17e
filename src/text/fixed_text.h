#pragma once

#include <cstddef>
#include <cstring>
#include <string_view>

namespace brivel {

// Every text of the quiz is a fixed buffer of Windows-1252 bytes ended by a
// NUL: 259 characters at most.
inline constexpr std::size_t kTextSize = 260;
inline constexpr std::size_t kTextMaxLength = kTextSize - 1;

// Copies src into dest, cut to fit and always NUL-terminated. A NUL inside src
// ends the copy, as it would end a C string.
template <std::size_t N>
void CopyText(char (&dest)[N], std::string_view src) {
    static_assert(N > 0);
    std::size_t length = src.size() < N - 1 ? src.size() : N - 1;
    const void* nul = std::memchr(src.data(), '\0', length);
    if (nul != nullptr) {
        length = static_cast<std::size_t>(static_cast<const char*>(nul) - src.data());
    }
    std::memcpy(dest, src.data(), length);
    dest[length] = '\0';
}

// The text held by a buffer; never reads past it, even without a NUL.
template <std::size_t N>
std::string_view TextOf(const char (&buffer)[N]) {
    const void* nul = std::memchr(buffer, '\0', N);
    std::size_t length =
        nul != nullptr ? static_cast<std::size_t>(static_cast<const char*>(nul) - buffer) : N;
    return {buffer, length};
}

}  // namespace brivel
