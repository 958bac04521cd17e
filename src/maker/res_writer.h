#pragma once

// Writing the 32-bit Win32 .res file (the layout is in quiz/res_file.h,
// beside its reader).

#include <string>
#include <vector>

#include "quiz/res_file.h"

namespace brivel {

// The whole file, starting with the empty entry. Returns an empty string (never
// a valid file) when an entry cannot be stored: data of 4 GiB or more.
std::string WriteResFile(const std::vector<ResEntry>& entries);

}  // namespace brivel
