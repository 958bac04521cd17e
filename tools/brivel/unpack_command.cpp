// brivel unpack: a quiz's description and pictures written back into a folder,
// ready to be changed and packed again.

#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

#include "commands.h"
#include "files.h"
#include "maker/quiz_bundle.h"
#include "quiz_file.h"

namespace brivel::tool {

namespace fs = std::filesystem;

namespace {

// The files unpack would replace, or nothing after a message when one of them
// cannot be written at all.
std::optional<std::vector<std::string>> ExistingTargets(const std::string& quiz,
                                                        const std::vector<std::string>& targets) {
    std::vector<std::string> existing;
    for (const std::string& target : targets) {
        if (!IsSafeOutput("unpack", target, {quiz})) {
            return std::nullopt;
        }
        std::error_code ignored;
        if (fs::exists(fs::symlink_status(target, ignored))) {
            existing.push_back(target);
        }
    }
    return existing;
}

}  // namespace

int RunUnpack(const std::string& quiz, const std::string& dir, bool force) {
    std::error_code ignored;
    if (fs::exists(dir, ignored) && !fs::is_directory(dir, ignored)) {
        std::fprintf(stderr, "brivel unpack: %s: is a file, not a folder\n", dir.c_str());
        return 1;
    }
    std::optional<OpenedQuiz> opened = OpenQuizFile("unpack", quiz);
    if (!opened) {
        return 1;
    }
    // Every picture is named by its place, whatever the quiz called it, and
    // looked at before anything is written: a broken quiz leaves no files.
    std::vector<Quiz::Picture>& pictures = opened->quiz.pictures;
    for (std::size_t i = 0; i < pictures.size(); ++i) {
        const char* extension = PictureExtension(pictures[i].given);
        if (extension == nullptr) {
            std::fprintf(stderr, "brivel unpack: %s: picture %zu is %s\n", quiz.c_str(), i + 1,
                         pictures[i].given.empty() ? "missing" : "neither a JPEG nor a PNG");
            return 1;
        }
        char name[32];
        std::snprintf(name, sizeof name, "%02zu%s", i + 1, extension);
        pictures[i].name = name;
    }
    std::vector<std::string> targets;
    for (const std::string& name : PictureFileNames(opened->quiz)) {
        targets.push_back((fs::path(dir) / name).string());
    }
    const std::string description = (fs::path(dir) / kDescriptionFileName).string();
    targets.push_back(description);
    const std::optional<std::vector<std::string>> existing = ExistingTargets(quiz, targets);
    if (!existing) {
        return 1;
    }
    if (!existing->empty() && !force) {
        std::string list;
        for (const std::string& path : *existing) {
            list += (list.empty() ? "" : ", ") + path;
        }
        std::fprintf(stderr, "brivel unpack: %s: already there, left as %s; --force replaces %s\n",
                     list.c_str(), existing->size() == 1 ? "it is" : "they are",
                     existing->size() == 1 ? "it" : "them");
        return 1;
    }
    std::error_code error;
    fs::create_directories(dir, error);
    if (error) {
        std::fprintf(stderr, "brivel unpack: %s: %s\n", dir.c_str(), error.message().c_str());
        return 1;
    }
    for (std::size_t i = 0; i < pictures.size(); ++i) {
        const std::vector<std::uint8_t>& bytes = pictures[i].given;
        if (!WriteAtomically("unpack", targets[i], std::string(bytes.begin(), bytes.end()))) {
            return 1;
        }
    }
    // Written last, so that a folder with a quiz.toml always has its pictures.
    if (!WriteAtomically("unpack", description,
                         FormatDescription(opened->quiz, DescriptionWriter::Unpack))) {
        return 1;
    }
    std::printf("wrote %s and %s\n", description.c_str(), PictureCount(pictures.size()).c_str());
    return 0;
}

}  // namespace brivel::tool
