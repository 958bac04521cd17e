#pragma once

// The commands of brivel-hardening (see hardening_main.cpp).

#include <string>
#include <vector>

namespace hardening {

struct Paths {
    std::string player;    // the bare Linux player
    std::string tool;      // brivel
    std::string tinyJpeg;  // tests/data/tiny.jpg
    std::string work;      // a folder of the run's own
};

// Runs the brivel tool with these arguments, or fails.
void RunTool(const Paths& paths, const std::vector<std::string>& arguments);

int KillWhileSaving(const Paths& paths, int runs);
int DamagedLinuxQuizzes(const std::string& quiz, const std::string& work);
int WriteWindowsVariants(const std::string& exe, const std::string& folder);
int PlayerOnFullDisk(const std::string& quiz, const std::string& work);

}  // namespace hardening
