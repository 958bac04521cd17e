// brivel show: what a quiz holds, its answers and codes if asked, and the
// licences its player carries.

#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "commands.h"
#include "io/input_file.h"
#include "maker/carried_notices.h"
#include "quiz_file.h"

namespace brivel::tool {

namespace {

// The licences line: the components the quiz's notices name, or why it has none.
std::string LicencesOf(const std::string& path, QuizForm form) {
    std::string reason;
    const std::optional<std::vector<std::uint8_t>> bytes = ReadWholeFile(path, &reason);
    if (!bytes) {
        return "not read again (" + reason + ")";
    }
    const CarriedNotices notices = NoticesOfQuiz(bytes->data(), bytes->size(), form);
    switch (notices.status) {
        case NoticesStatus::Carried:
            break;
        case NoticesStatus::NoneCarried:
            return form == QuizForm::Folder ? std::string("none (no ") + kNoticesFileName + ")"
                                            : "none (its player carries no notices)";
        case NoticesStatus::NoPlayer:
            return "none (no player in it to carry them)";
        case NoticesStatus::Unreadable:
            return "none found (its sections do not read)";
    }
    std::string line;
    for (const std::string& component : NoticedComponents(notices.text)) {
        line += (line.empty() ? "" : ", ") + component;
    }
    return line.empty() ? "none named (its notices name no component)" : line;
}

}  // namespace

int RunShow(const std::string& path, bool answers) {
    const std::optional<OpenedQuiz> opened = OpenQuizFile("show", path);
    if (!opened) {
        return 1;
    }
    const Quiz& quiz = opened->quiz;
    std::printf(
        "title: %s\nauthor: %s\nexplanation: %s\npictures: %zu\ncolour: %d, %d, %d\nform: "
        "%s\nlicences: %s\n",
        quiz.title.c_str(), quiz.author.c_str(), quiz.explanation.c_str(), quiz.pictures.size(),
        quiz.colour[0], quiz.colour[1], quiz.colour[2], QuizFormName(opened->form),
        LicencesOf(path, opened->form).c_str());
    for (std::size_t i = 0; answers && i < quiz.pictures.size(); ++i) {
        const Quiz::Picture& picture = quiz.pictures[i];
        std::string line = picture.answer;
        if (quiz.answersPerPicture == 2) {
            line += " / " + picture.secondAnswer;
        }
        // The code belongs to the number of pictures found, not to this picture.
        std::printf("%zu: %s (code after %zu found: \"%s\")\n", i + 1, line.c_str(), i + 1,
                    picture.code.c_str());
    }
    return 0;
}

}  // namespace brivel::tool
