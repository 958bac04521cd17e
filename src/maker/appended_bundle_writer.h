#pragma once

// Writing a Linux quiz: the bundle and its trailer after the player's bytes
// (the layout is in quiz/appended_bundle.h, beside its reader).

#include <cstddef>
#include <cstdint>
#include <string>

namespace brivel {

// The player's bytes with bundle and trailer appended. A player that already
// carries a bundle has it replaced, so re-packing a quiz never stacks two.
std::string AppendBundle(const std::string& player, const std::string& bundle);

// The bytes before any appended bundle: the bare player.
std::size_t BareSize(const std::uint8_t* bytes, std::size_t size);

// What follows a bundle of length bytes: its length and the mark.
std::string BundleTrailer(std::uint64_t length);

}  // namespace brivel
