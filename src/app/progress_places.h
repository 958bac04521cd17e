#pragma once

// Where the Linux player keeps its progress: beside the program, as every
// player does, unless it cannot write there (an installed quiz, a shared or
// read-only folder, a CD); then in the user's state folder.

#include <string>
#include <string_view>

namespace brivel {

struct ProgressPlaces {
    std::string beside;       // ProgressFileBeside of the program
    std::string stateFolder;  // "$XDG_STATE_HOME/brivel/"; empty when the environment gives none
    std::string inState;      // the program's file there; empty with stateFolder
};

// The places for the program at programPath (absolute), given the values of
// XDG_STATE_HOME and HOME (null when unset). The name in the state folder
// keeps the program's name and adds a hash of its path, so that two quizzes
// of one name in different folders keep apart.
ProgressPlaces ProgressPlacesOf(std::string_view programPath, const char* xdgStateHome,
                                const char* home);

// The file to restore at start: the one beside the program, else the state
// folder's. A file beside a program that cannot write there has been left
// behind by its own saves once the state folder holds one, which then wins.
std::string ProgressFileToLoad(const ProgressPlaces& places);

// The file a save writes: beside the program when its folder takes files,
// else the state folder's, made first when missing.
std::string ProgressFileToSave(const ProgressPlaces& places);

}  // namespace brivel
