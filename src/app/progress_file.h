#pragma once

#include <string>

namespace brivel {

class QuizRecord;

// Writes the record's answer texts to fileName, replacing it whole. Silent: on
// any failure the previous file stays as it was and nothing is reported.
void SaveProgress(const QuizRecord& record, const std::string& fileName);

// Fills typedAnswers 0 to pictureCount - 1 from fileName. A missing or
// unreadable file empties them, so the quiz starts with nothing typed.
void LoadProgress(QuizRecord& record, const std::string& fileName);

}  // namespace brivel
