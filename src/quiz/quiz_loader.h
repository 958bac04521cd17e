#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "quiz/quiz_record.h"
#include "services/message_sink.h"
#include "services/quiz_resources.h"
#include "services/resource_provider.h"

namespace brivel {

// Whether a quiz's link may open address: "http://" or "https://" and more,
// printable ASCII without spaces, in at most kTextSize - 1 bytes.
bool IsLinkAddress(std::string_view address);

// The pictures' descriptions in a kDescriptionsId resource, in order: its
// lines (a picture past the last has none).
std::vector<std::string> DescriptionLines(std::string_view text);

// Fills a freshly constructed record from the "PATCH" resources (the link
// with its label, the address's first 24 characters, when the quiz has one;
// none otherwise): test-mode
// values when the quiz text is absent, a message through sink when one of the
// two texts cannot be unpacked or parsed. Never fails otherwise.
void LoadQuizRecord(QuizRecord& record, ResourceProvider& resources, MessageSink& sink);

}  // namespace brivel
