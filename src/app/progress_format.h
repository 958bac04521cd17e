#pragma once

#include <functional>
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

// The answer slots a progress file holds: pictureCount x answersPerPicture,
// never more than the record holds.
int ProgressSlots(const QuizRecord& record);

// The file's bytes: one "text\r\n" line per answer slot (ProgressSlots).
std::string FormatProgress(const QuizRecord& record);

// The first n texts of a progress file; lines the file lacks give empty texts.
// Only CR ends a line, and everything from it to the next LF is skipped. NUL
// bytes are dropped, and a text keeps at most kTextMaxLength bytes.
std::vector<std::string> ParseProgress(std::string_view bytes, int n);

// Fills typedAnswers 0 to pictureCount - 1 from a progress file's bytes; the
// lines it lacks (all of them when memory runs out) empty their slots.
void RestoreProgress(QuizRecord& record, std::string_view bytes);

// Whether a text that comes in (a file the player loads, the learning
// platform's copy, another page's save) is a progress of a quiz of `slots`
// answer slots, which the players could have written.
enum class ProgressCheck {
    Ok,                // a progress text
    NotText,           // NUL bytes, or characters no answer holds: a picture, a document
    ControlCharacter,  // a control character no box takes (all below 0x20 but a tab and a
                       // line feed), or a CR that ends no line
    TooManyLines,      // more lines than the quiz has answer slots: another quiz's progress
    LineTooLong,       // a line longer than an answer box takes (kTextMaxLength bytes)
};
ProgressCheck CheckProgress(std::string_view bytes, int slots);

// Why, in the players' French (Windows-1252), to follow "it is not a
// progress of this quiz: ".
const char* ProgressCheckText(ProgressCheck check);

// What becomes of one answer slot when a progress text comes in beside the
// player's own texts. A find is never lost: the text that finds the picture stays.
enum class SlotMerge {
    Keep,      // the player's text stays (the same, a find, or nothing new)
    TakeFind,  // the incoming text finds the picture and the player's does not
    Take,      // neither finds it, and the player's slot is empty or as stored
    Ask,       // neither finds it and each holds its own text: the player chooses
};

// The merge of incoming into own, slot by slot (both of one length). stored:
// what the browser's store held when this page last read or wrote it, for
// another page's save: a slot the other page left as stored brings nothing,
// one this page left as stored takes the other's, and a slot both changed
// keeps this page's without asking. Empty for a file or the platform's copy.
// finds(k, text): whether text finds picture k.
std::vector<SlotMerge> MergeProgress(const std::vector<std::string>& own,
                                     const std::vector<std::string>& incoming,
                                     const std::vector<std::string>& stored,
                                     const std::function<bool(int, std::string_view)>& finds);

// What a merge changed, in the players' French (Windows-1252): "3 images
// trouvées ajoutées, 1 autre réponse reprise.", or that nothing was new.
std::string MergeSummary(int findsAdded, int textsTaken);

}  // namespace brivel
