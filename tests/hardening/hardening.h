#pragma once

// The commands of brivel-hardening (see hardening_main.cpp).

#include <string>

namespace hardening {

int DamagedLinuxQuizzes(const std::string& quiz, const std::string& work);
int WriteWindowsVariants(const std::string& exe, const std::string& folder);

}  // namespace hardening
