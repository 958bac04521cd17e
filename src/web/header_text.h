#pragma once

// The window's static texts in the page: broken into lines by the players'
// rule (text/text_wrap.h) with the widths the Linux player measures, in the
// faces the page carries (text/carried_text.h), so that the page cuts a text
// where the desktop players do and `brivel check`'s fit warnings, measured in
// those faces, hold for the page too.

#include <string>
#include <string_view>
#include <vector>

#include "app/window_layout.h"
#include "text/carried_text.h"

namespace brivel::web {

using brivel::PageFace;

// The lines of utf8 in a box width pixels wide.
std::vector<std::string> Lines(std::string_view utf8, int width, const PageFace& face);

// The part of utf8 that a static text of box's size shows: up to the end of
// the last line that fits whole, as `brivel check` reports it.
std::string_view ShownPart(std::string_view utf8, const WindowRect& box, const PageFace& face);

}  // namespace brivel::web
