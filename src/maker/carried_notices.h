#pragma once

// The notices (Brivel's licence and those of the code and fonts of others it
// holds) that a quiz carries with its player, read back from the quiz; and
// those the quiz folder's .zip is written with. The build writes each form's
// text from packaging/notices.toml (scripts/make_notices.py).

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "maker/quiz_forms.h"

namespace brivel {

// The quiz folder's .zip's notices (notices/zip.cpp of the build).
extern const char kZipNotices[];

// The file of the quiz folder's .zip they are written to.
inline constexpr char kNoticesFileName[] = "LICENCES.txt";

enum class NoticesStatus {
    Carried,      // the quiz carries its notices
    NoneCarried,  // its player (or its folder) carries none: made before they were
    NoPlayer,     // a .res bundle, which carries no player
    Unreadable,   // the program's sections do not read (its layout, or a section past its end)
};

struct CarriedNotices {
    NoticesStatus status = NoticesStatus::NoneCarried;
    std::string text;  // UTF-8, when carried
};

// The notices the quiz file of form (as OpenQuiz recognised it) carries: a
// Windows quiz in its player's NOTICES resource, a Linux quiz in its
// player's .brivel_notices section, a web quiz in its page's notices element,
// a quiz folder's .zip as its LICENCES.txt.
CarriedNotices NoticesOfQuiz(const std::uint8_t* bytes, std::size_t size, QuizForm form);

// Each component the notices give a heading to, with the licences stated
// for it: "GCC (GPL-3+ with GCC-exception-3.1)", or the name alone.
std::vector<std::string> NoticedComponents(const std::string& notices);

}  // namespace brivel
