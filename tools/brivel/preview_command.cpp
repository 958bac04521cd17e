// brivel preview: the Linux player's window at a moment of play, or one
// picture as the player fits it, drawn without a display.

#include <cstdio>
#include <optional>

#include "commands.h"
#include "maker/player_window.h"
#include "pictures/fit.h"
#include "pictures/picture_loader.h"
#include "player_fonts.h"
#include "quiz/quiz_loader.h"
#include "quiz_file.h"

namespace brivel::tool {

namespace {

// The whole window at picture N (1 without --picture) after K finds.
int RunWindowPreview(const PreviewOptions& options, OpenedQuiz& opened) {
    FreeTypeFonts* fonts = FreeTypeFonts::ForCommand("preview");
    if (fonts == nullptr) {
        return 1;
    }
    const int picture = options.picture > 0 ? options.picture : 1;
    const int count = static_cast<int>(opened.quiz.pictures.size());
    const int found = options.found.value_or(0);
    StderrSink sink;
    const RgbImage window = RenderWindow(*fonts, *opened.resources, sink, picture - 1, found);
    if (window.pixels.empty()) {
        std::fprintf(stderr, "brivel preview: out of memory for the window\n");
        return 1;
    }
    if (WritePicture("preview", window, options.output, options.quiz) != 0) {
        return 1;
    }
    std::printf("wrote %s: the window at picture %d, %d / %d found\n", options.output.c_str(),
                picture, found, count);
    return 0;
}

}  // namespace

int RunPreview(const PreviewOptions& options) {
    std::optional<OpenedQuiz> opened = OpenQuizFile("preview", options.quiz);
    if (!opened || (options.picture != 0 &&
                    !IsPictureOf("preview", opened->quiz, options.quiz, options.picture))) {
        return 1;
    }
    if (!opened->resources) {
        std::fprintf(stderr, "brivel preview: %s: %s: pack it first, then preview the quiz\n",
                     options.quiz.c_str(), QuizFormName(opened->form));
        return 1;
    }
    const std::size_t count = opened->quiz.pictures.size();
    if (options.found && static_cast<std::size_t>(*options.found) > count) {
        std::fprintf(stderr, "brivel preview: %s: --found %d: the quiz has %s to find\n",
                     options.quiz.c_str(), *options.found, PictureCount(count).c_str());
        return 1;
    }
    if (options.picture == 0 || options.found) {
        return RunWindowPreview(options, *opened);
    }
    StderrSink sink;
    const std::optional<RgbImage> picture =
        LoadPicture(*opened->resources, PictureResourceId(options.picture - 1), kPictureBoxWidth,
                    kPictureBoxHeight, sink);
    if (!picture) {
        // The player leaves the picture area empty; the maker needs to know why.
        std::fprintf(stderr,
                     "brivel preview: %s: picture %d is missing or cannot be decoded; the player "
                     "would show nothing\n",
                     options.quiz.c_str(), options.picture);
        return 1;
    }
    if (WritePicture("preview", *picture, options.output, options.quiz) != 0) {
        return 1;
    }
    std::printf("wrote %s: picture %d, %d x %d\n", options.output.c_str(), options.picture,
                picture->width, picture->height);
    return 0;
}

}  // namespace brivel::tool
