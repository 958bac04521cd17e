#pragma once

// The pictures `brivel pack` stores, prepared as the players show them
// (src/pictures/picture_prep.h), and `brivel check`'s account of it.

#include <cstdint>
#include <optional>
#include <vector>

#include <CLI/CLI.hpp>

#include "pictures/picture_prep.h"
#include "quiz/quiz_description.h"

namespace brivel::tool {

struct PictureOptions {
    bool keep = false;  // store the files as they are
    int quality = kDefaultJpegQuality;
};

// --keep-pictures and --quality.
void AddPictureOptions(CLI::App& command, PictureOptions& options);

// Every picture of the description as the quiz stores it, read and prepared
// one at a time; each on standard error when it is a terminal. Nothing, after
// a message naming the file, when one cannot be read or prepared.
std::optional<std::vector<std::vector<std::uint8_t>>> PackPictures(
    const QuizDescription& description, const PictureOptions& options);

// One line on standard output for each picture pack would change.
void PrintPicturePlans(const QuizDescription& description);

}  // namespace brivel::tool
