// brivel new / brivel check: start a quiz description, and check one with its
// pictures before it is packed.

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "commands.h"
#include "maker/picture_folder.h"
#include "maker/player_window.h"
#include "maker/quiz_description.h"
#include "pack_pictures.h"
#include "player_fonts.h"
#include "quiz/quiz_record.h"
#include "turbojpeg_codec.h"

namespace brivel::tool {

namespace fs = std::filesystem;

int RunNew(const std::string& dir) {
    std::error_code error;
    fs::create_directories(dir, error);
    std::vector<FolderPicture> pictures;
    std::string reason;
    if (error || !PicturesInFolder(dir, pictures, reason)) {
        std::fprintf(stderr, "brivel new: %s: %s\n", dir.c_str(),
                     error ? error.message().c_str() : reason.c_str());
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
    const std::string text = StarterDescriptionFor(pictures);
    const bool written = std::fwrite(text.data(), 1, text.size(), file) == text.size();
    if (std::fclose(file) != 0 || !written) {
        std::fprintf(stderr, "brivel new: %s: cannot write the file\n", path.c_str());
        std::remove(path.c_str());
        return 1;
    }
    if (pictures.empty()) {
        std::printf("wrote %s: edit it and put 01.jpg and 02.jpg beside it\n", path.c_str());
        return 0;
    }
    std::size_t usable = 0;
    for (const FolderPicture& picture : pictures) {
        if (picture.unusable.empty()) {
            ++usable;
        } else {
            std::fprintf(stderr, "brivel new: warning: %s: %s\n",
                         (fs::path(dir) / picture.name).string().c_str(), picture.unusable.c_str());
        }
    }
    std::string summary = PictureCount(usable) + " in name order";
    if (usable < pictures.size()) {
        summary +=
            ", " + std::to_string(pictures.size() - usable) + " more to convert first, in comments";
    }
    if (usable > static_cast<std::size_t>(kMaxPictures)) {
        summary += "; a quiz holds at most " + std::to_string(kMaxPictures) +
                   ": remove the ones to leave out";
    }
    std::printf("wrote %s: %s; write each answer in it, then run: brivel check %s\n", path.c_str(),
                summary.c_str(), dir.c_str());
    return 0;
}

namespace {

// The pictures shown at most by name before the rest are counted.
constexpr std::size_t kUnusedNamed = 10;

// An info line for each picture in dir that the description does not name,
// the first few by name: one the maker forgot, or named wrongly.
void PrintUnusedPictures(const std::string& dir, const std::vector<std::string>& named) {
    std::vector<FolderPicture> pictures;
    std::string reason;
    if (!PicturesInFolder(dir, pictures, reason)) {
        return;  // reading the description has said what is wrong with the folder
    }
    // The same file by any path or link; for a picture no player can show,
    // also one of its name in another format, as it was then converted.
    const auto used = [&named](const fs::path& path, bool converted) {
        return std::any_of(named.begin(), named.end(), [&](const std::string& file) {
            std::error_code error;
            return fs::equivalent(path, file, error) ||
                   (converted && fs::path(file).parent_path() == path.parent_path() &&
                    fs::path(file).stem() == path.stem());
        });
    };
    std::size_t unused = 0;
    for (const FolderPicture& picture : pictures) {
        const fs::path path = fs::path(dir) / picture.name;
        if (used(path, !picture.unusable.empty()) || ++unused > kUnusedNamed) {
            continue;
        }
        std::printf("%s: info: not in the quiz%s%s\n", path.string().c_str(),
                    picture.unusable.empty() ? ": give it a [[picture]] to use it" : "; ",
                    picture.unusable.c_str());
    }
    if (unused > kUnusedNamed) {
        std::printf("%s: info: %zu more pictures not in the quiz\n", dir.c_str(),
                    unused - kUnusedNamed);
    }
}

}  // namespace

int RunCheck(const std::string& dir) {
    std::vector<DescriptionProblem> problems;
    TurboJpegCodec codec;
    std::optional<std::vector<std::string>> named;
    const std::optional<QuizDescription> description = LoadQuizDescription(
        dir, problems, codec, PictureCheck::Decode, ToolFitCheck("check"), &named);
    PrintDescriptionProblems("check", problems);
    if (description) {
        PrintPicturePlans(*description);
    }
    if (named) {
        PrintUnusedPictures(dir, *named);
    }
    if (!description) {
        return 1;
    }
    std::printf("ok: %s\n", PictureCount(description->text.pictures.size()).c_str());
    return 0;
}

void PrintDescriptionProblems(const char* command,
                              const std::vector<DescriptionProblem>& problems) {
    for (const DescriptionProblem& problem : problems) {
        // What the players or pack do is for check to tell, when asked.
        if (problem.severity == Severity::Info && std::strcmp(command, "check") != 0) {
            continue;
        }
        // A description that cannot be read is the command's failure, not a place in it.
        if (problem.line == 0 && problem.field.empty() && problem.severity == Severity::Error) {
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
        std::fprintf(stderr, "%s: %s: %s%s\n", where.c_str(), SeverityName(problem.severity),
                     field.c_str(), problem.message.c_str());
    }
}

}  // namespace brivel::tool
