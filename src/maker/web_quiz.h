#pragma once

// A web quiz: the bare web player's page with the quiz's .res bundle written
// into it as base64, in pieces inside the one element the page reads it from.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace brivel::tool {

// Whether the size bytes are a page of the web player (bare or carrying a
// quiz); with whole false, the page's first bytes only, whether they start as
// its page does: what tells it from another page lies further on.
bool IsWebPlayerPage(const std::uint8_t* bytes, std::size_t size, bool whole = true);

// The page with bundle in its quiz element; a page that already carries a
// quiz has it replaced. Nothing when page is not the web player's.
std::optional<std::string> PutBundleInPage(const std::string& page, const std::string& bundle);

// The bundle a page carries: nothing when the page is not the web player's or
// its quiz element is not base64; an empty bundle for the bare page.
std::optional<std::vector<std::uint8_t>> BundleOfPage(const std::vector<std::uint8_t>& page);

}  // namespace brivel::tool
