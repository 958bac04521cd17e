#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace brivel {

class QuizRecord;

// The progress file's name for the program at modulePath: its file name with a
// three-character extension turned into "txt", or with ".txt" added when it has
// none (POSIX programs rarely do). The folder is dropped, so the file is looked
// for in the working directory.
std::string ProgressFileName(std::string_view modulePath);

// ProgressFileName in the folder of modulePath, so the file is found beside
// the program whatever the working directory (the Linux player's rule).
std::string ProgressFileBeside(std::string_view modulePath);

// The file's bytes: one "text\r\n" line per answer slot, for
// pictureCount x answersPerPicture slots, never more than the record holds.
std::string FormatProgress(const QuizRecord& record);

// The first n texts of a progress file; lines the file lacks give empty texts.
// Only CR ends a line, and everything from it to the next LF is skipped. NUL
// bytes are dropped, and a text keeps at most kTextMaxLength bytes.
std::vector<std::string> ParseProgress(std::string_view bytes, int n);

// Fills typedAnswers 0 to pictureCount - 1 from a progress file's bytes; the
// lines it lacks (all of them when memory runs out) empty their slots.
void RestoreProgress(QuizRecord& record, std::string_view bytes);

}  // namespace brivel
