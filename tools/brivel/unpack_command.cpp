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
#include "services/quiz_resources.h"

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
    std::optional<OpenedQuiz> opened = OpenQuiz("unpack", quiz);
    if (!opened) {
        return 1;
    }
    const QuizTexts& texts = opened->texts;
    // Every picture is read before anything is written: a broken quiz leaves no files.
    std::vector<std::vector<std::uint8_t>> pictures;
    std::vector<std::string> names;
    std::vector<std::string> targets;
    for (std::size_t i = 0; i < texts.text.pictures.size(); ++i) {
        std::optional<std::vector<std::uint8_t>> picture;
        if (auto found = FindPicture(opened->resources, PictureResourceId(static_cast<int>(i)))) {
            picture = std::move(found->bytes);
        }
        const char* extension = picture ? PictureExtension(*picture) : nullptr;
        if (extension == nullptr) {
            std::fprintf(stderr, "brivel unpack: %s: picture %zu is %s\n", quiz.c_str(), i + 1,
                         picture ? "neither a JPEG nor a PNG" : "missing");
            return 1;
        }
        char name[32];
        std::snprintf(name, sizeof name, "%02zu%s", i + 1, extension);
        names.emplace_back(name);
        targets.push_back((fs::path(dir) / name).string());
        pictures.push_back(std::move(*picture));
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
        if (!WriteAtomically("unpack", targets[i],
                             std::string(pictures[i].begin(), pictures[i].end()))) {
            return 1;
        }
    }
    // Written last, so that a folder with a quiz.toml always has its pictures.
    if (!WriteAtomically("unpack", description, FormatQuizDescription(texts, names))) {
        return 1;
    }
    std::printf("wrote %s and %s\n", description.c_str(), PictureCount(pictures.size()).c_str());
    return 0;
}

}  // namespace brivel::tool
