#pragma once

// The window's static texts in the page: broken into lines by the players'
// rule (text/text_wrap.h) with the widths the Linux player measures, in the
// faces the page carries (its own DejaVu Sans), so that the page cuts a text
// where the desktop players do and `brivel check`'s fit warnings, measured in
// those faces, hold for the page too. The browser's own measures would not do:
// they differ between browsers and from Xft's whole-pixel advances.

#include <string>
#include <string_view>
#include <vector>

#include "app/window_layout.h"

namespace brivel::web {

// A carried face at a pixel size.
struct PageFace {
    bool bold = false;
    bool italic = false;
    int pixelSize = 11;
};

// The width of a UTF-8 text and the line height, as fl_width and fl_height
// give them in the Linux player.
int TextWidth(const PageFace& face, std::string_view utf8);
int LineHeight(const PageFace& face);

// The lines of utf8 in a box width pixels wide.
std::vector<std::string> Lines(std::string_view utf8, int width, const PageFace& face);

// The part of utf8 that a static text of box's size shows: up to the end of
// the last line that fits whole, as `brivel check` reports it.
std::string_view ShownPart(std::string_view utf8, const WindowRect& box, const PageFace& face);

}  // namespace brivel::web
