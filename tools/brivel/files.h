#pragma once

// Whole-file reading and writing for the commands.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace brivel::tool {

// The whole file, or nothing when it cannot be opened or read.
std::optional<std::vector<std::uint8_t>> ReadWholeFile(const std::string& path);

// Writes bytes to path through "path.tmp", so that path is either the old file
// or the whole new one and no temporary file outlives a failure. Says why on
// standard error when it fails. An executable file (a Linux quiz) gets the
// usual 0755 permissions before it takes the old file's place.
bool WriteAtomically(const std::string& path, const std::string& bytes, bool executable = false);

}  // namespace brivel::tool
