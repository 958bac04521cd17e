#pragma once

// Where a quiz keeps its texts and pictures among its resources, and how a
// player finds a picture there.

#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

#include "services/resource_provider.h"

namespace brivel {

// Resource type and ids of the two packed texts.
inline constexpr char kQuizResourceType[] = "PATCH";
inline constexpr std::uint16_t kQuizTextId = 104;
inline constexpr std::uint16_t kCodesTextId = 105;
// What a maker may add, which older quizzes lack, stored as is (not packed):
// the maker's web page that the header's link opens (its address, ASCII),
// and the pictures' descriptions (UTF-8, a line per picture in order, each
// ended by a line feed), only when a picture has one.
inline constexpr std::uint16_t kMakerLinkId = 106;
inline constexpr std::uint16_t kDescriptionsId = 107;

// Picture index i (0-based) is resource 401 + i, of type "IMG" (a JPEG), or
// RCDATA with the same id (a PNG).
inline constexpr std::uint16_t kFirstPictureId = 401;
inline constexpr char kPictureResourceType[] = "IMG";
constexpr std::uint16_t PictureResourceId(int index) {
    return static_cast<std::uint16_t>(kFirstPictureId + index);
}

struct PictureResource {
    bool jpeg = false;  // from "IMG"; else from RCDATA, where the PNG fallback lives
    std::vector<std::uint8_t> bytes;
};

// The "IMG" resource decides: when the quiz has it, it is the picture even if
// an RCDATA of the same id exists. Nothing when the quiz has neither.
inline std::optional<PictureResource> FindPicture(ResourceProvider& resources, std::uint16_t id) {
    if (auto jpeg = resources.Find(ResourceType::Named(kPictureResourceType), id)) {
        return PictureResource{true, std::move(*jpeg)};
    }
    if (auto png = resources.Find(ResourceType::Numbered(kRcData), id)) {
        return PictureResource{false, std::move(*png)};
    }
    return std::nullopt;
}

}  // namespace brivel
