#pragma once

// What the commands say of quiz files, beyond the maker's forms
// (maker/quiz_forms.h): the names the command line gives forms, which form a
// name to write asks for, and opening a quiz file with a message on failure.

#include <optional>
#include <string>

#include "maker/quiz_forms.h"

namespace brivel::tool {

// The forms pack writes, in the order --platform names them.
inline constexpr QuizForm kPackedForms[] = {QuizForm::Res,       QuizForm::Windows,
                                            QuizForm::Linux,     QuizForm::Web,
                                            QuizForm::Scorm12,   QuizForm::Scorm2004,
                                            QuizForm::Folder};

// The form pack writes of that name (any case): "res", "windows", "linux",
// "web", "scorm", "scorm2004", "folder"; nothing for any other name.
std::optional<QuizForm> QuizFormNamed(const std::string& name);

// The name --platform and `brivel players` give form: those above (and
// "description", which pack does not write).
const char* QuizFormKey(QuizForm form);

// What OUT becomes when no platform is given: ".res" a bundle, ".exe" a
// Windows quiz, ".html" or ".htm" a web quiz, anything else a Linux quiz.
QuizForm QuizFormOfPath(const std::string& path);

// The quiz in the file at path, of any form (told by its bytes, not its
// name), a quiz folder's .zip checked as check says. Nothing, after a message
// on standard error naming command and path, or a folder's problems when it
// has errors.
std::optional<OpenedQuiz> OpenQuizFile(const char* command, const std::string& path,
                                       const FolderCheck& check = {});

// Whether picture (from 1) is one of the quiz's; says which are when not.
bool IsPictureOf(const char* command, const Quiz& quiz, const std::string& path, int picture);

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
