#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "text/fixed_text.h"

namespace brivel {

// The ten outcomes of grading a typed text; only Correct finds the picture.
enum class Verdict {
    Unanswered,  // "?"
    Correct,     // "BRAVO"
    Anagram,     // "Anagramme"
    OneEdit,     // "Quasiment"
    TwoEdits,    // "Presque"
    TooLong,     // "Trop long"
    TooShort,    // "Trop court"
    NotFar,      // "pas loin"
    GoodIdea,    // "y a de l'idée"
    Wrong,       // "FAUX"
};

// The word shown to the player, in Windows-1252.
const char* VerdictText(Verdict verdict);

// Grades what the player typed against the stored answer. Texts longer than
// 259 bytes are graded on their first 259, the most a text box or the quiz
// record holds. Allocates nothing.
Verdict Grade(std::string_view answer, std::string_view typed);

// A typed text as the web page grades and keeps it: a phone keyboard's
// typographic quotes (Windows-1252 0x91 to 0x94) become the ASCII ones that
// answers hold, so that "l\x92averse" finds "l'averse". The desktop players
// grade what was typed as it is.
std::string AsciiQuotes(std::string_view typed);

// What Grade reads of a text, in a form that rules out most pairs of texts
// at once: a maker's check grades every answer against every other.
struct LetterSketch {
    std::uint64_t letters = 0;  // bit (byte & 63) of each byte of the graded form
    std::size_t length = 0;     // of the graded form
};
LetterSketch SketchAnswer(std::string_view answer);
LetterSketch SketchTyped(std::string_view typed);

// False when Grade can only give Unanswered or Wrong for texts of these
// sketches; true when it may give anything else. Exact, never a guess: the
// bytes one holds and the other lacks are edits no alignment avoids.
bool MayHint(const LetterSketch& answer, const LetterSketch& typed);

// The steps of Grade, exposed for testing. Each works in place on a buffer
// and returns the new length.

// Upper-cases 'a' to 'z' and nothing else: accented letters stay as they are.
void UpperAscii(char* text, std::size_t length);
// Drops leading and trailing spaces (0x20 only), then UpperAscii.
std::size_t NormalizeTyped(char* text, std::size_t length);

// Levenshtein distance with unit costs, byte for byte, when it is at most
// limit; limit + 1 when it is more. Both texts are cut to 259 bytes.
int EditDistance(std::string_view a, std::string_view b,
                 int limit = static_cast<int>(kTextMaxLength));

// Looks for the shorter of two normalized texts inside the longer one with a
// scan that never steps back: 2 when the typed text holds the answer, -2 when
// the answer holds the typed text, 0 when not found, 1 for an empty answer.
int ContainmentScan(std::string_view answer, std::string_view typed);

}  // namespace brivel
