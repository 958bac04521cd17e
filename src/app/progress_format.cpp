#include "app/progress_format.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <exception>
#include <utility>

#include "quiz/quiz_record.h"
#include "text/fixed_text.h"

namespace brivel {

namespace {

constexpr char kCr = '\r';
constexpr char kLf = '\n';
constexpr std::string_view kExtension = "txt";

bool IsTxtExtension(std::string_view extension) {
    return std::equal(
        extension.begin(), extension.end(), kExtension.begin(), kExtension.end(),
        [](char a, char b) { return (a >= 'A' && a <= 'Z' ? a - 'A' + 'a' : a) == b; });
}

}  // namespace

std::string ProgressFileName(std::string_view modulePath) {
    const std::size_t separator = modulePath.find_last_of("\\/");
    std::string name(separator == std::string_view::npos ? modulePath
                                                         : modulePath.substr(separator + 1));
    const std::size_t length = name.size();
    // A program whose extension already is "txt" would otherwise be overwritten
    // by its own progress.
    if (length >= 4 && name[length - 4] == '.' && !IsTxtExtension(name.substr(length - 3))) {
        name.replace(length - 3, 3, kExtension);
    } else {
        name += '.';
        name += kExtension;
    }
    return name;
}

std::string ProgressFileBeside(std::string_view modulePath) {
    const std::size_t separator = modulePath.find_last_of("\\/");
    const std::string_view folder = separator == std::string_view::npos
                                        ? std::string_view()
                                        : modulePath.substr(0, separator + 1);
    return std::string(folder) + ProgressFileName(modulePath);
}

std::string FormatProgress(const QuizRecord& record) {
    std::string bytes;
    const std::int64_t pictures = record.pictureCount;
    if (pictures <= 0) {
        return bytes;
    }
    // Deliberate mend: taken literally, a record with answersPerPicture 0 or
    // below writes no line at all and the next start forgets every answer.
    const std::int64_t perPicture = std::max<std::int64_t>(record.answersPerPicture, 1);
    const std::int64_t slots = std::min<std::int64_t>(pictures * perPicture, kMaxPictures);
    for (std::int64_t k = 0; k < slots; ++k) {
        bytes += TextOf(record.typedAnswers[k]);
        bytes += "\r\n";
    }
    return bytes;
}

std::vector<std::string> ParseProgress(std::string_view bytes, int n) {
    std::vector<std::string> texts;
    if (n <= 0) {
        return texts;
    }
    texts.reserve(static_cast<std::size_t>(n));
    const std::size_t size = bytes.size();
    std::size_t pos = 0;
    for (int k = 0; k < n; ++k) {
        std::string text;
        for (; pos < size && bytes[pos] != kCr; ++pos) {
            // A hand-edited line may be longer than a slot: its tail is dropped
            // here rather than taken as the next text, so later lines stay in step.
            if (bytes[pos] != '\0' && text.size() < kTextMaxLength) {
                text += bytes[pos];
            }
        }
        while (pos < size && bytes[pos] != kLf) {
            ++pos;
        }
        if (pos < size) {
            ++pos;
        }
        texts.push_back(std::move(text));
    }
    return texts;
}

void RestoreProgress(QuizRecord& record, std::string_view bytes) {
    const int count = std::clamp<int>(record.pictureCount, 0, kMaxPictures);
    std::vector<std::string> texts;
    try {
        texts = ParseProgress(bytes, count);
    } catch (const std::exception&) {
        // Out of memory: start as after a missing file.
    }
    for (int k = 0; k < count; ++k) {
        const auto index = static_cast<std::size_t>(k);
        CopyText(record.typedAnswers[k],
                 index < texts.size() ? std::string_view(texts[index]) : std::string_view());
    }
}

}  // namespace brivel
