#pragma once

#include "quiz/quiz_record.h"
#include "services/message_sink.h"
#include "services/quiz_resources.h"
#include "services/resource_provider.h"

namespace brivel {

// The maker's web page: the header's link shows it and opens it. Short enough
// for the link's 115 pixels on one line in both players.
inline constexpr char kMakerWebAddress[] = "https://brivel.test";

// Fills a freshly constructed record from the "PATCH" resources: test-mode
// values when the quiz text is absent, a message through sink when one of the
// two texts cannot be unpacked or parsed. Never fails otherwise.
void LoadQuizRecord(QuizRecord& record, ResourceProvider& resources, MessageSink& sink);

}  // namespace brivel
