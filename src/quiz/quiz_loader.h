#pragma once

#include "quiz/quiz_record.h"
#include "services/message_sink.h"
#include "services/resource_provider.h"

namespace brivel {

// The maker's web page: the header's link shows it and opens it. Short enough
// for the link's 115 pixels on one line in both players.
inline constexpr char kMakerWebAddress[] = "https://brivel.test";

// Resource type and ids of the two packed texts.
inline constexpr char kQuizResourceType[] = "PATCH";
inline constexpr std::uint16_t kQuizTextId = 104;
inline constexpr std::uint16_t kCodesTextId = 105;

// Picture index i (0-based) is resource 401 + i, of type "IMG" (a JPEG), or
// RCDATA with the same id (a PNG).
inline constexpr std::uint16_t kFirstPictureId = 401;
inline constexpr char kPictureResourceType[] = "IMG";
constexpr std::uint16_t PictureResourceId(int index) {
    return static_cast<std::uint16_t>(kFirstPictureId + index);
}

// Fills a freshly constructed record from the "PATCH" resources: test-mode
// values when the quiz text is absent, a message through sink when one of the
// two texts cannot be unpacked or parsed. Never fails otherwise.
void LoadQuizRecord(QuizRecord& record, ResourceProvider& resources, MessageSink& sink);

}  // namespace brivel
