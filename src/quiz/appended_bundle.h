#pragma once

// A Linux quiz is the Linux player's executable followed by the quiz's .res
// bundle and a 16-byte trailer: the bundle's size in bytes (64-bit
// little-endian), then the 8 bytes "BRVLQUIZ". The player finds its quiz by
// reading the trailer at the end of its own file; a player without a trailer
// has no quiz and runs in test mode.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace brivel {

inline constexpr std::size_t kBundleTrailerSize = 16;
inline constexpr char kBundleMagic[9] = "BRVLQUIZ";

enum class BundleStatus : int {
    // The bundle was found and read whole.
    Ok = 0,
    // The file ends without the trailer: a bare player, or not a quiz.
    NoBundle,
    // The trailer claims more bytes than the file holds before it.
    BadSize,
    // The file cannot be opened or read.
    ReadError,
};

// A short English meaning of the status.
const char* BundleStatusName(BundleStatus status);

// Finds the bundle in a file held in memory: on Ok, offset and length of the
// bundle inside bytes.
BundleStatus LocateBundle(const std::uint8_t* bytes, std::size_t size, std::size_t& offset,
                          std::size_t& length);

// Reads only the bundle of the file at path (the player's own executable),
// not the whole program before it.
BundleStatus ReadAppendedBundle(const std::string& path, std::vector<std::uint8_t>& bundle);

}  // namespace brivel
