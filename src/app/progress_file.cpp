#include "app/progress_file.h"

#include <cstddef>
#include <cstdio>
#include <exception>
#include <optional>
#include <string_view>
#include <vector>

#include "io/file_replace.h"
#include "io/input_file.h"
#include "app/progress_format.h"
#include "play/play_state.h"
#include "quiz/quiz_record.h"
#include "text/fixed_text.h"

namespace brivel {

namespace {

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
    std::optional<std::vector<std::uint8_t>> bytes;
    try {
        // A file that is missing or cannot be read counts as empty.
        bytes = ReadWholeFile(fileName);
    } catch (const std::exception&) {
        // Out of memory: start as after a missing file.
    }
    RestoreProgress(record, bytes ? std::string_view(reinterpret_cast<const char*>(bytes->data()),
                                                     bytes->size())
                                  : std::string_view());
}

}  // namespace brivel
