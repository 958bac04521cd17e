#pragma once

// Whole-file writing for the commands, through the core's one writer
// (io/file_replace.h); reading is the core's ReadWholeFile. Every message
// goes to standard error as "brivel COMMAND: FILE: reason", naming the file
// the user gave, never a temporary one.

#include <functional>
#include <string>
#include <vector>

#include "io/input_file.h"
#include "maker/byte_sink.h"

namespace brivel::tool {

// Whether out may be written: it is not a folder and not the same file as any
// of inputs (through a link or another spelling of its path). Says why not.
bool IsSafeOutput(const char* command, const std::string& out,
                  const std::vector<std::string>& inputs);

// Writes bytes to path so that it is either the old file or the whole new one
// (ReplaceFileWith). An executable file (a Linux quiz) gets the usual 0755
// permissions, other files 0644, both less the umask.
bool WriteAtomically(const char* command, const std::string& path, const std::string& bytes,
                     bool executable = false);

// WriteAtomically for a file made as it is written, never held whole: fill
// writes it into the sink it is given. When fill gives up it has said why,
// and the old file stays as it was.
bool WriteAtomically(const char* command, const std::string& path,
                     const std::function<bool(ByteSink&)>& fill, bool executable);

}  // namespace brivel::tool
