#pragma once

#include <string>

#include "io/file_replace.h"

namespace brivel {

class PlayState;
class QuizRecord;

// Writes the record's answer texts to fileName, replacing it whole: on any
// failure the previous file stays as it was. The players show nothing about
// it; the status is for what else may want to know.
ReplaceStatus SaveProgress(const QuizRecord& record, const std::string& fileName) noexcept;

// Every save of a player: the answer box's text joins its picture's slot
// (once play exists), so what was just typed is not lost, then the file is
// written as SaveProgress writes it.
ReplaceStatus SaveSession(QuizRecord& record, PlayState* play,
                          const std::string& fileName) noexcept;

// Fills typedAnswers 0 to pictureCount - 1 from fileName. A missing or
// unreadable file empties them, so the quiz starts with nothing typed.
void LoadProgress(QuizRecord& record, const std::string& fileName);

}  // namespace brivel
