// brivel show: what a quiz holds, its answers and codes if asked.

#include <cstdio>
#include <optional>
#include <string>

#include "commands.h"
#include "quiz_file.h"

namespace brivel::tool {

int RunShow(const std::string& path, bool answers) {
    const std::optional<OpenedQuiz> opened = OpenQuizFile("show", path);
    if (!opened) {
        return 1;
    }
    const Quiz& quiz = opened->quiz;
    std::printf(
        "title: %s\nauthor: %s\nexplanation: %s\npictures: %zu\ncolour: %d, %d, %d\nform: %s\n",
        quiz.title.c_str(), quiz.author.c_str(), quiz.explanation.c_str(), quiz.pictures.size(),
        quiz.colour[0], quiz.colour[1], quiz.colour[2], QuizFormName(opened->form));
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
