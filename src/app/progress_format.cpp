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

int ProgressSlots(const QuizRecord& record) {
    const std::int64_t pictures = record.pictureCount;
    if (pictures <= 0) {
        return 0;
    }
    // Deliberate mend: taken literally, a record with answersPerPicture 0 or
    // below writes no line at all and the next start forgets every answer.
    const std::int64_t perPicture = std::max<std::int64_t>(record.answersPerPicture, 1);
    return static_cast<int>(std::min<std::int64_t>(pictures * perPicture, kMaxPictures));
}

std::string FormatProgress(const QuizRecord& record) {
    std::string bytes;
    const int slots = ProgressSlots(record);
    for (int k = 0; k < slots; ++k) {
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

ProgressCheck CheckProgress(std::string_view bytes, int slots) {
    // A picture or a document holds NUL bytes somewhere, whatever comes first.
    if (bytes.find('\0') != std::string_view::npos) {
        return ProgressCheck::NotText;
    }
    int lines = 0;
    std::size_t length = 0;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const auto byte = static_cast<unsigned char>(bytes[i]);
        if (byte == kCr) {
            if (i + 1 == bytes.size() || bytes[i + 1] != kLf) {
                return ProgressCheck::ControlCharacter;
            }
            ++lines;
            length = 0;
            ++i;
        } else if (byte < 0x20 && byte != '\t' && byte != kLf) {
            return ProgressCheck::ControlCharacter;
        } else if (++length > kTextMaxLength) {
            return ProgressCheck::LineTooLong;
        }
    }
    if (length > 0) {
        ++lines;
    }
    return lines > slots ? ProgressCheck::TooManyLines : ProgressCheck::Ok;
}

const char* ProgressCheckText(ProgressCheck check) {
    switch (check) {
        case ProgressCheck::Ok:
            return "c'est une progression de ce quiz";
        case ProgressCheck::NotText:
            return "ce n'est pas du texte (une image ou un document ?)";
        case ProgressCheck::ControlCharacter:
            return "il contient des caract\xE8res de contr\xF4le, qu'aucune r\xE9ponse ne "
                   "contient";
        case ProgressCheck::TooManyLines:
            return "il a plus de lignes que ce quiz n'a de r\xE9ponses : c'est la progression "
                   "d'un autre quiz";
        case ProgressCheck::LineTooLong:
            return "une ligne est plus longue que ce qu'une r\xE9ponse peut contenir (259 "
                   "caract\xE8res)";
    }
    return "il ne se lit pas";
}

std::vector<SlotMerge> MergeProgress(const std::vector<std::string>& own,
                                     const std::vector<std::string>& incoming,
                                     const std::vector<std::string>& stored,
                                     const std::function<bool(int, std::string_view)>& finds) {
    std::vector<SlotMerge> merges(own.size(), SlotMerge::Keep);
    for (std::size_t k = 0; k < own.size() && k < incoming.size(); ++k) {
        const std::string& mine = own[k];
        const std::string& theirs = incoming[k];
        const bool based = k < stored.size();
        if (theirs == mine || (based && theirs == stored[k]) || theirs.empty() ||
            finds(static_cast<int>(k), mine)) {
            continue;
        }
        if (finds(static_cast<int>(k), theirs)) {
            merges[k] = SlotMerge::TakeFind;
        } else if (mine.empty() || (based && mine == stored[k])) {
            merges[k] = SlotMerge::Take;
        } else if (!based) {
            merges[k] = SlotMerge::Ask;
        }
    }
    return merges;
}

std::string MergeSummary(int findsAdded, int textsTaken) {
    if (findsAdded <= 0 && textsTaken <= 0) {
        return "Rien de nouveau : cette progression n'ajoute rien \xE0 celle de la page.";
    }
    std::string said = findsAdded <= 0   ? "Aucune image trouv\xE9"
                                           "e ajout\xE9"
                                           "e"
                       : findsAdded == 1 ? "1 image trouv\xE9"
                                           "e ajout\xE9"
                                           "e"
                                         : std::to_string(findsAdded) +
                                               " images trouv\xE9"
                                               "es ajout\xE9"
                                               "es";
    if (textsTaken == 1) {
        said += ", 1 autre r\xE9ponse reprise";
    } else if (textsTaken > 1) {
        said += ", " + std::to_string(textsTaken) + " autres r\xE9ponses reprises";
    }
    return said + ".";
}

}  // namespace brivel
