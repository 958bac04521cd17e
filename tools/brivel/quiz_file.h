#pragma once

// The four forms a quiz takes: a .res bundle of its resources, a Windows quiz
// (the Windows player with the resources in its resource section), a Linux
// quiz (the Linux player with the .res bundle appended) and a web quiz (the
// web player's page with the bundle in it, web_quiz.h).

#include <optional>
#include <string>
#include <vector>

#include "maker/quiz_bundle.h"
#include "quiz/res_file.h"

namespace brivel::tool {

enum class QuizForm { Res, Windows, Linux, Web };

// "res", "windows", "linux", "web" (any case); nothing for any other name.
std::optional<QuizForm> QuizFormNamed(const std::string& name);

// The name --platform and `brivel players` give form: "res", "windows", "linux", "web".
const char* QuizFormKey(QuizForm form);

// What OUT becomes when no platform is given: ".res" a bundle, ".exe" a
// Windows quiz, ".html" or ".htm" a web quiz, anything else a Linux quiz.
QuizForm QuizFormOfPath(const std::string& path);

// "a Windows quiz", "a Linux quiz", "a web quiz", "a .res bundle".
const char* FormName(QuizForm form);

// The quiz's resources, whatever its form (told by its first bytes, not its
// name), and that form when asked. Nothing, after a message on standard error
// naming command and path; a bare player of any platform is told as one.
std::optional<ResFileResources> OpenQuizFile(const char* command, const std::string& path,
                                             QuizForm* form = nullptr);

struct OpenedQuiz {
    ResFileResources resources;
    QuizTexts texts;
    QuizForm form;
};

// The quiz's resources and both its texts, or nothing after a message.
std::optional<OpenedQuiz> OpenQuiz(const char* command, const std::string& path);

// Whether picture (from 1) is one of the quiz's; says which are when not.
bool IsPictureOf(const char* command, const OpenedQuiz& quiz, const std::string& path, int picture);

// The bytes of the quiz in the given form. player is the bare player's file
// for the Windows, Linux and web forms. Nothing, after a message, when the player
// cannot be read or cannot carry the resources.
std::optional<std::string> MakeQuizFile(QuizForm form, const std::vector<ResEntry>& entries,
                                        const std::string& player);

// Whether player is a program of form's platform that can carry a quiz; says
// why not on standard error.
bool IsPlayerFor(QuizForm form, const std::string& player);

// Why OUT cannot name a quiz to write (empty, a folder's name, an extension
// alone such as ".exe", which names a hidden file and no form), or empty.
std::string CheckQuizOutput(const std::string& out);

// A warning on standard error, naming the form written, when OUT's extension
// names no form (x.zip): it is written as a Linux quiz.
void WarnOfNamelessForm(const std::string& out);

// A warning on standard error when OUT's name asks for another form than the
// one --platform chose.
void WarnOfContradictingName(QuizForm form, const std::string& out);

}  // namespace brivel::tool
