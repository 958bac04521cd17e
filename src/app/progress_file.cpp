#include "app/progress_file.h"

#include <cstdint>
#include <exception>
#include <optional>
#include <string_view>
#include <vector>

#include "app/play_session.h"
#include "app/progress_format.h"
#include "io/input_file.h"
#include "quiz/quiz_record.h"

namespace brivel {

ReplaceStatus SaveProgress(const QuizRecord& record, const std::string& fileName) noexcept {
    try {
        return ReplaceFileWith(fileName, FormatProgress(record)).status;
    } catch (const std::exception&) {
        // Only memory can run out here, before the old file is touched.
        return ReplaceStatus::NoTemporary;
    }
}

ReplaceStatus SaveSession(QuizRecord& record, PlayState* play,
                          const std::string& fileName) noexcept {
    // An exception must not cross a toolkit's callback or a window procedure.
    try {
        if (play == nullptr) {
            return SaveProgress(record, fileName);
        }
        return ReplaceFileWith(fileName, SessionProgress(record, *play)).status;
    } catch (const std::exception&) {
        return ReplaceStatus::NoTemporary;
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
