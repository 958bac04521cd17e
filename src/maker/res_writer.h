#pragma once

// Writing the 32-bit Win32 .res file (the layout is in quiz/res_file.h,
// beside its reader).

#include <cstdint>
#include <string>
#include <vector>

#include "quiz/res_file.h"

namespace brivel {

// The whole file, starting with the empty entry. Returns an empty string (never
// a valid file) when an entry cannot be stored: data of 4 GiB or more.
std::string WriteResFile(const std::vector<ResEntry>& entries);

// The header of one entry of size data bytes, which then follow it, padded
// to 4 bytes; empty when the entry cannot be stored.
std::string ResEntryHeader(const ResourceType& type, std::uint16_t id, std::uint16_t language,
                           std::uint64_t size);

}  // namespace brivel
