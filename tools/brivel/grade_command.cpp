// brivel grade: the players' verdict for a typed text, one pair or a batch,
// and the web page's where it differs.

#include <cstdio>
#include <iostream>
#include <optional>
#include <string>

#include "commands.h"
#include "play/grading.h"
#include "quiz_file.h"
#include "text/cp1252.h"
#include "text/fixed_text.h"

namespace brivel::tool {

namespace {

// The Windows-1252 form of a text, or a message on stderr naming where the text
// came from when it cannot be a quiz text.
std::optional<std::string> ToQuizText(const std::string& utf8, const std::string& where) {
    Cp1252Result converted = Utf8ToCp1252(utf8);
    if (!converted.ok) {
        std::fprintf(stderr,
                     "brivel grade: %s: byte %zu: not a character Windows-1252 can hold (or not "
                     "UTF-8)\n",
                     where.c_str(), converted.errorOffset + 1);
        return std::nullopt;
    }
    if (converted.text.find('\0') != std::string::npos) {
        std::fprintf(stderr, "brivel grade: %s: holds a NUL character\n", where.c_str());
        return std::nullopt;
    }
    if (converted.text.size() > kTextMaxLength) {
        std::fprintf(stderr, "brivel grade: %s: longer than %zu bytes in Windows-1252\n",
                     where.c_str(), kTextMaxLength);
        return std::nullopt;
    }
    return converted.text;
}

// The desktop players' verdict word, and the web page's beside it where
// that differs: the page takes a phone's typographic quotes as ASCII ones.
std::string Verdicts(const std::string& answer, const std::string& typed) {
    const Verdict desktop = Grade(answer, typed);
    const Verdict web = Grade(answer, AsciiQuotes(typed));
    std::string said = Cp1252ToUtf8(VerdictText(desktop));
    if (web != desktop) {
        said += " (web page: " + Cp1252ToUtf8(VerdictText(web)) + ")";
    }
    return said;
}

// Prints the verdict; false when a text was refused.
bool GradeAndPrint(const std::string& answer, const std::string& typed, const std::string& where) {
    std::optional<std::string> a = ToQuizText(answer, where + ": answer");
    std::optional<std::string> t = ToQuizText(typed, where + ": typed text");
    if (!a || !t) {
        return false;
    }
    std::cout << Verdicts(*a, *t) << '\n';
    return true;
}

}  // namespace

int RunGrade(const std::string& answer, const std::string& typed) {
    return GradeAndPrint(answer, typed, "argument") ? 0 : 1;
}

int RunGradeBatch() {
    std::string line;
    for (long number = 1; std::getline(std::cin, line); ++number) {
        const std::string where = "line " + std::to_string(number);
        // Only the line end goes: spaces belong to the texts.
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        const std::size_t tab = line.find('\t');
        if (tab == std::string::npos) {
            std::cout.flush();
            std::fprintf(stderr, "brivel grade: %s: expected ANSWER<TAB>TYPED\n", where.c_str());
            return 1;
        }
        if (!GradeAndPrint(line.substr(0, tab), line.substr(tab + 1), where)) {
            std::cout.flush();
            return 1;
        }
    }
    return 0;
}

// The verdict for typed against the stored answer of the quiz's picture, as
// the players grade it (the answer cut to the players' text size).
int RunGradeInQuiz(const std::string& quiz, int picture, const std::string& typed) {
    const std::optional<OpenedQuiz> opened = OpenQuizFile("grade", quiz);
    if (!opened || !IsPictureOf("grade", opened->quiz, quiz, picture)) {
        return 1;
    }
    const std::optional<std::string> t = ToQuizText(typed, "typed text");
    if (!t) {
        return 1;
    }
    // The quiz's own texts are Windows-1252: they come back whole.
    const std::string answer =
        Utf8ToCp1252Lossy(opened->quiz.pictures[static_cast<std::size_t>(picture - 1)].answer);
    std::cout << Verdicts(answer.substr(0, kTextMaxLength), *t) << '\n';
    return 0;
}

}  // namespace brivel::tool
