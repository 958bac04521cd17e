#pragma once

#include <string>

namespace brivel {

class PlayState;
class QuizRecord;

// Writes the record's answer texts to fileName, replacing it whole. Silent: on
// any failure the previous file stays as it was and nothing is reported.
void SaveProgress(const QuizRecord& record, const std::string& fileName);

// Every save of a player: the answer box's text joins its picture's slot
// (once play exists), so what was just typed is not lost, then SaveProgress.
void SaveSession(QuizRecord& record, PlayState* play, const std::string& fileName);

// Fills typedAnswers 0 to pictureCount - 1 from fileName. A missing or
// unreadable file empties them, so the quiz starts with nothing typed.
void LoadProgress(QuizRecord& record, const std::string& fileName);

}  // namespace brivel
