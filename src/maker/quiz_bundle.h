#pragma once

// The quiz's own resources as the authoring tool makes and reads them: the two
// packed texts in "PATCH" 104 and 105, and picture i (from 0) as "IMG" 401 + i
// when it is a JPEG, RCDATA 401 + i when it is a PNG.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "quiz/quiz_loader.h"
#include "quiz/quiz_text.h"
#include "quiz/res_file.h"
#include "services/message_sink.h"
#include "services/resource_provider.h"

namespace brivel {

inline constexpr std::uint16_t kUsEnglish = 1033;

// The file extension (".jpg", ".png") that fits the picture's first bytes,
// or nullptr when it is neither.
const char* PictureExtension(const std::vector<std::uint8_t>& bytes);

// Picture index's resource, typed by its first bytes; nothing when they are
// neither a JPEG's nor a PNG's.
std::optional<ResEntry> PictureResEntry(int index, const std::vector<std::uint8_t>& bytes);

struct QuizTexts {
    QuizText text;
    std::vector<std::string> codes;  // one per picture
    std::string link;                // the maker's web page; empty: none (older quizzes)
    std::vector<std::string> descriptions;  // UTF-8, one per picture, or none at all
};

// The two packed texts of one quiz, then the link and the descriptions when
// it has them, in the order written; its pictures follow (PictureResEntry).
// Nothing, with a reason in error, when a text cannot be packed.
std::optional<std::vector<ResEntry>> MakeQuizResources(const QuizTexts& texts, MessageSink& sink,
                                                       std::string& error);

// Unpacks and parses both texts, and takes the link and descriptions a quiz
// may have. Nothing, with a reason in error, when a text is missing, does
// not unpack (the LZW status) or does not parse.
std::optional<QuizTexts> ReadQuizTexts(ResourceProvider& resources, MessageSink& sink,
                                       std::string& error);

}  // namespace brivel
