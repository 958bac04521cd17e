// The description read from a quiz folder: the file system side of
// CheckQuizDescription, which the browser's build leaves out.

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "io/input_file.h"
#include "maker/quiz_description.h"
#include "maker/text_compose.h"

namespace brivel {

namespace {

namespace fs = std::filesystem;

// The picture file that name (composed, as the whole description is) names
// under dir. A file copied from a Mac may keep its decomposed name on disk:
// the entry whose composed name matches stands for it. When nothing
// matches, the path as written.
fs::path PictureFileIn(const fs::path& dir, const std::string& name) {
    const fs::path written = dir / fs::u8path(name);
    std::error_code error;
    if (fs::exists(written, error)) {
        return written;
    }
    fs::path found = dir;
    for (const fs::path& part : fs::u8path(name)) {
        if (fs::exists(found / part, error) || part.has_root_path()) {
            found /= part;
            continue;
        }
        const std::optional<std::string> wanted = Composed(part.u8string());
        fs::path match;
        for (fs::directory_iterator entry(found, error), end; !error && entry != end;
             entry.increment(error)) {
            if (Composed(entry->path().filename().u8string()) == wanted) {
                match = entry->path();
                break;
            }
        }
        if (match.empty()) {
            return written;
        }
        found = match;
    }
    return found;
}

}  // namespace

DescriptionSource QuizFolderSource(const std::string& dir) {
    DescriptionSource source;
    source.file = (fs::path(dir) / kDescriptionFileName).string();
    if (std::optional<std::vector<std::uint8_t>> read =
            ReadWholeFile(source.file, &source.reason)) {
        source.text.emplace(read->begin(), read->end());
    }
    source.picture = [dir](const std::string& name) {
        PictureFileRead file;
        const fs::path path = PictureFileIn(fs::path(dir), name);
        file.path = path.string();
        std::error_code ignored;
        file.found = fs::exists(path, ignored);
        if (file.found) {
            file.bytes = ReadWholeFile(file.path, &file.reason);
        }
        return file;
    };
    return source;
}

std::optional<QuizDescription> LoadQuizDescription(
    const std::string& dir, std::vector<DescriptionProblem>& problems, PictureCodec& codec,
    PictureCheck pictureCheck, const FitCheck& fit,
    std::optional<std::vector<std::string>>* pictureFiles) {
    return CheckQuizDescription(QuizFolderSource(dir), problems, codec, pictureCheck, fit,
                                pictureFiles);
}

}  // namespace brivel
