#include "app/progress_file.h"

#include <cstddef>
#include <cstdio>
#include <exception>
#include <memory>
#include <string_view>

#include "app/file_replace.h"
#include "app/progress_format.h"
#include "play/play_state.h"
#include "quiz/quiz_record.h"
#include "text/fixed_text.h"

namespace brivel {

namespace {

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

// A file that is missing or cannot be read counts as empty.
std::string ReadWholeFile(const std::string& fileName) {
    std::string content;
    const std::unique_ptr<std::FILE, FileCloser> file(std::fopen(fileName.c_str(), "rb"));
    if (file == nullptr) {
        return content;
    }
    char buffer[4096];
    std::size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, file.get())) > 0) {
        content.append(buffer, got);
    }
    if (std::ferror(file.get()) != 0) {
        content.clear();
    }
    return content;
}

// Writing beside the target and renaming keeps the old file whole until the
// new one is complete: a full disk or a crash mid-save must not cost the player
// every answer.
void WriteAndReplace(std::string_view content, const std::string& fileName) {
    const std::string temporary = fileName + ".tmp";
    std::FILE* file = std::fopen(temporary.c_str(), "wb");
    if (file == nullptr) {
        return;
    }
    bool written = std::fwrite(content.data(), 1, content.size(), file) == content.size();
    written = std::fflush(file) == 0 && written;
    written = std::fclose(file) == 0 && written;
    if (!written || !ReplaceFileAtomically(temporary, fileName)) {
        std::remove(temporary.c_str());
    }
}

}  // namespace

void SaveProgress(const QuizRecord& record, const std::string& fileName) {
    try {
        WriteAndReplace(FormatProgress(record), fileName);
    } catch (const std::exception&) {
        // Only memory can run out here, before the old file is touched.
    }
}

void SaveSession(QuizRecord& record, PlayState* play, const std::string& fileName) {
    try {
        if (play != nullptr) {
            play->StoreBoxText();
        }
        SaveProgress(record, fileName);
    } catch (const std::exception&) {
        // An exception must not cross a toolkit's callback or a window procedure.
    }
}

void LoadProgress(QuizRecord& record, const std::string& fileName) {
    std::string bytes;
    try {
        bytes = ReadWholeFile(fileName);
    } catch (const std::exception&) {
        // Out of memory: start as after a missing file.
    }
    RestoreProgress(record, bytes);
}

}  // namespace brivel
