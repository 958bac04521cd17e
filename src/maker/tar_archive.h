#pragma once

// A program in a .tar archive, the one way a browser's download keeps its
// execute permission: a file manager extracts a Linux quiz that starts with a
// double click.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace brivel {

// The ustar archive of one program named name (at most 100 bytes, no "/"),
// mode 0755, dated made (seconds since 1970); nothing for a name it cannot
// hold or a file larger than a ustar size field (8 GiB).
std::optional<std::string> ProgramTar(std::string_view name, std::string_view bytes,
                                      std::int64_t made);

}  // namespace brivel
