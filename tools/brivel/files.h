#pragma once

// Whole-file writing for the commands; reading is the core's ReadWholeFile.
// Every message goes to standard error as "brivel COMMAND: FILE: reason",
// naming the file the user gave, never a temporary one.

#include <string>
#include <vector>

#include "io/input_file.h"

namespace brivel::tool {

// Whether out may be written: it is not a folder and not the same file as any
// of inputs (through a link or another spelling of its path). Says why not.
bool IsSafeOutput(const char* command, const std::string& out,
                  const std::vector<std::string>& inputs);

// Writes bytes to path through a temporary file of a new, unique name beside
// it, so that path is either the old file or the whole new one, no file but
// that temporary is ever created or removed, and none outlives a failure. An
// executable file (a Linux quiz) gets the usual 0755 permissions, other files
// 0644, both less the umask.
bool WriteAtomically(const char* command, const std::string& path, const std::string& bytes,
                     bool executable = false);

}  // namespace brivel::tool
