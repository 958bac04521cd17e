// brivel new / brivel check: start a quiz description, and check one with its
// pictures before it is packed.

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "commands.h"
#include "maker/player_window.h"
#include "maker/quiz_description.h"
#include "pack_pictures.h"
#include "player_fonts.h"
#include "turbojpeg_codec.h"

namespace brivel::tool {

namespace fs = std::filesystem;

int RunNew(const std::string& dir) {
    std::error_code error;
    fs::create_directories(dir, error);
    if (error) {
        std::fprintf(stderr, "brivel new: %s: %s\n", dir.c_str(), error.message().c_str());
        return 1;
    }
    const std::string path = (fs::path(dir) / kDescriptionFileName).string();
    // "x" makes the creation fail rather than replace a description someone wrote.
    std::FILE* file = std::fopen(path.c_str(), "wx");
    if (file == nullptr) {
        const int cause = errno;
        std::fprintf(stderr, "brivel new: %s: %s\n", path.c_str(),
                     cause == EEXIST ? "already exists, left as it is" : std::strerror(cause));
        return 1;
    }
    const char* text = StarterDescription();
    const std::size_t size = std::strlen(text);
    const bool written = std::fwrite(text, 1, size, file) == size;
    if (std::fclose(file) != 0 || !written) {
        std::fprintf(stderr, "brivel new: %s: cannot write the file\n", path.c_str());
        std::remove(path.c_str());
        return 1;
    }
    std::printf("wrote %s: edit it and put 01.jpg and 02.jpg beside it\n", path.c_str());
    return 0;
}

int RunCheck(const std::string& dir) {
    std::vector<DescriptionProblem> problems;
    TurboJpegCodec codec;
    const std::optional<QuizDescription> description =
        LoadQuizDescription(dir, problems, codec, PictureCheck::Decode, ToolFitCheck("check"));
    PrintDescriptionProblems("check", problems);
    if (!description) {
        return 1;
    }
    PrintPicturePlans(*description);
    std::printf("ok: %s\n", PictureCount(description->text.pictures.size()).c_str());
    return 0;
}

void PrintDescriptionProblems(const char* command,
                              const std::vector<DescriptionProblem>& problems) {
    for (const DescriptionProblem& problem : problems) {
        // A description that cannot be read is the command's failure, not a place in it.
        if (problem.line == 0 && problem.field.empty() && !problem.warning) {
            std::fprintf(stderr, "brivel %s: %s: %s\n", command, problem.file.c_str(),
                         problem.message.c_str());
            continue;
        }
        std::string where = problem.file;
        if (problem.line > 0) {
            where += ":" + std::to_string(problem.line);
            if (problem.column > 0) {
                where += ":" + std::to_string(problem.column);
            }
        }
        const std::string field = problem.field.empty() ? "" : problem.field + ": ";
        std::fprintf(stderr, "%s: %s: %s%s\n", where.c_str(), problem.warning ? "warning" : "error",
                     field.c_str(), problem.message.c_str());
    }
}

}  // namespace brivel::tool
