#pragma once

// The pictures `brivel pack` stores, prepared as the players show them
// (src/maker/picture_prep.h), and `brivel check`'s account of it.

#include <cstdint>
#include <string>
#include <vector>

#include "commands.h"
#include "maker/picture_prep.h"
#include "maker/quiz_description.h"
#include "maker/quiz_model.h"

namespace brivel::tool {

// Every picture of the quiz as it stores it, prepared one at a time from its
// given bytes, or from its file in files when none were given (which are then
// read only now); each on standard error when it is a terminal. false, after
// a message naming the file, when one cannot be read or prepared.
bool PackPictures(Quiz& quiz, const std::vector<std::string>& files, const PictureOptions& options);

// One line on standard output for each picture pack would change.
void PrintPicturePlans(const QuizDescription& description);

}  // namespace brivel::tool
