#pragma once

// The pictures `brivel pack` stores: prepared as the players show them
// (src/maker/picture_prep.h), or kept as they are and written as they come;
// either way several at a time, one to a core; and `brivel check`'s account
// of it.

#include <memory>
#include <string>
#include <vector>

#include "commands.h"
#include "maker/picture_prep.h"
#include "maker/quiz_description.h"
#include "maker/quiz_forms.h"
#include "maker/quiz_model.h"

namespace brivel::tool {

// Every picture of the quiz as it stores it, prepared from its given bytes,
// or from its file in files when none were given (which are then read only
// now), options.jobs at a time; each named on standard error as it is done
// when that is a terminal. false, after a message naming the file, when one
// cannot be read or prepared.
bool PackPictures(Quiz& quiz, const std::vector<std::string>& files, const PictureOptions& options);

// The pictures as they are, for StreamQuiz: each read from its given bytes
// or its file, decoded whole to be sure that the players can show it, and
// warned of when some players show it otherwise, options.jobs at a time
// ahead of the one written. One that cannot be had is named on standard
// error before the source fails.
std::unique_ptr<PictureSource> KeepPictures(Quiz& quiz, const std::vector<std::string>& files,
                                            const PictureOptions& options);

// One line on standard output for each picture pack would change.
void PrintPicturePlans(const QuizDescription& description);

}  // namespace brivel::tool
