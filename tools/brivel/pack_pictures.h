#pragma once

// The pictures `brivel pack` stores, prepared as the players show them
// (src/maker/picture_prep.h), and `brivel check`'s account of it.

#include <cstdint>
#include <optional>
#include <vector>

#include "commands.h"
#include "maker/picture_prep.h"
#include "maker/quiz_description.h"

namespace brivel::tool {

// Every picture of the description as the quiz stores it, read and prepared
// one at a time; each on standard error when it is a terminal. Nothing, after
// a message naming the file, when one cannot be read or prepared.
std::optional<std::vector<std::vector<std::uint8_t>>> PackPictures(
    const QuizDescription& description, const PictureOptions& options);

// One line on standard output for each picture pack would change.
void PrintPicturePlans(const QuizDescription& description);

}  // namespace brivel::tool
