#pragma once

// The bare players that `brivel pack` copies into quizzes, and where the tool
// finds them: in lib/brivel/players/ (the Linux player) or share/brivel/players/
// beside its own installed tree (wherever that tree was moved), else in the
// players/ folder of the build tree it was built in, when it runs from there.

#include <optional>
#include <string>
#include <vector>

#include "quiz_file.h"

namespace brivel::tool {

struct ShippedPlayer {
    const char* name;  // its file name in a players folder
    QuizForm form;     // the form of quiz it makes
    bool isDefault;    // the one pack copies for its form when given no --player
};

// Every player the tool knows, in the order `brivel players` lists them. The
// build strips each into its players/ folder and installs it from there
// (brivel_ship_player in cmake/ShippedPlayers.cmake): a new platform is one
// entry here and one call there.
const std::vector<ShippedPlayer>& ShippedPlayers();

// The folders searched for players, in order: the installed one, then the
// build tree's when the tool runs from one.
std::vector<std::string> PlayerFolders();

// The default player for form, or nothing after a message naming every place
// looked at and --player.
std::optional<std::string> DefaultPlayer(QuizForm form);

}  // namespace brivel::tool
