// brivel show: what a quiz holds, its answers and codes if asked.

#include <cstdio>
#include <optional>
#include <string>

#include "commands.h"
#include "quiz_file.h"
#include "text/cp1252.h"

namespace brivel::tool {

int RunShow(const std::string& quiz, bool answers) {
    std::optional<OpenedQuiz> opened = OpenQuiz("show", quiz);
    if (!opened) {
        return 1;
    }
    const QuizText& text = opened->texts.text;
    std::printf(
        "title: %s\nauthor: %s\nexplanation: %s\npictures: %zu\ncolour: %d, %d, %d\nform: %s\n",
        Cp1252ToUtf8(text.title).c_str(), Cp1252ToUtf8(text.author).c_str(),
        Cp1252ToUtf8(text.explanation).c_str(), text.pictures.size(), text.red, text.green,
        text.blue, FormName(opened->form));
    if (answers) {
        for (std::size_t i = 0; i < text.pictures.size(); ++i) {
            const QuizPicture& picture = text.pictures[i];
            std::string line = Cp1252ToUtf8(picture.answer);
            if (text.answersPerPicture == 2) {
                line += " / " + Cp1252ToUtf8(picture.altAnswer);
            }
            // The code belongs to the number of pictures found, not to this picture.
            const std::string code =
                i < opened->texts.codes.size() ? Cp1252ToUtf8(opened->texts.codes[i]) : "";
            std::printf("%zu: %s (code after %zu found: \"%s\")\n", i + 1, line.c_str(), i + 1,
                        code.c_str());
        }
    }
    return 0;
}

}  // namespace brivel::tool
