#pragma once

// What a save needs to know of the folders and files around it (POSIX).

#include <string>

namespace brivel {

// Whether this process may create a file in folder ("" is the working
// folder): false for a folder it lacks the rights to, one on a read-only
// mount, or none at all.
bool FolderTakesFiles(const std::string& folder) noexcept;

// Makes folder and whichever folders above it are missing, each for its owner
// alone (0700), as the user's own state folders are. True when folder exists.
bool MakePrivateFolders(const std::string& folder) noexcept;

// Whether path names a folder (through links too).
bool IsFolder(const std::string& path) noexcept;

// Whether path and other name one file, through a link or another spelling
// of its path; false when either cannot be reached.
bool SameFile(const std::string& path, const std::string& other) noexcept;

}  // namespace brivel
