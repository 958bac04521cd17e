#pragma once

// The pictures of the quiz, decoded and fitted to the play panel's box, for
// platforms without OLE: JPEG from "IMG" resources, PNG from RCDATA ones.

#include <cstdint>
#include <optional>

#include "pictures/dib.h"
#include "pictures/image.h"
#include "services/message_sink.h"
#include "services/quiz_resources.h"

namespace brivel {

// Picture id fitted into width x height. The "IMG" resource decides the path:
// when it exists its JPEG is decoded (damaged data: nothing, silently, and no
// fallback); when it does not, LoadPngPicture reads RCDATA id. Nothing is kept
// between calls. The user is told only what LoadPngPicture tells, and
// "erreur mémoire" when the fitted picture cannot be allocated.
std::optional<RgbImage> LoadPicture(ResourceProvider& resources, std::uint16_t id, int width,
                                    int height, MessageSink& sink);

// The PNG in RCDATA id, fitted. A missing resource or one that is not a PNG
// gives nothing silently; data that cannot be decoded and a bitmap that cannot
// be built are told to the user.
std::optional<RgbImage> LoadPngPicture(ResourceProvider& resources, std::uint16_t id, int width,
                                       int height, MessageSink& sink);

// The bitmap's pixels as RGB: 1, 4 and 8 bits through the colour table, 24 and
// 32 bits as blue, green, red (alpha dropped). An empty image for any other
// bit count, bits shorter than the rows need, or a failed allocation.
RgbImage DibToRgb(const Dib& dib);

}  // namespace brivel
