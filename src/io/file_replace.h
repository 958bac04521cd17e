#pragma once

#include <string>

namespace brivel {

// Makes the finished file source durable and puts it in the place of target in
// one step, so that target is always either the old file or the whole new one.
// Returns false when source could not be made durable or moved; target is then
// untouched and source is left for the caller to remove.
bool ReplaceFileAtomically(const std::string& source, const std::string& target) noexcept;

}  // namespace brivel
