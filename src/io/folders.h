#pragma once

#include <string>

namespace brivel {

// Whether this process may create a file in folder ("" is the working
// folder): false for a folder it lacks the rights to, one on a read-only
// mount, or none at all.
bool FolderTakesFiles(const std::string& folder) noexcept;

// Makes folder and whichever folders above it are missing, each for its owner
// alone (0700), as the user's own state folders are. True when folder exists.
bool MakePrivateFolders(const std::string& folder) noexcept;

}  // namespace brivel
