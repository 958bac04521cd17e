#pragma once

// How a Windows static control breaks its text into lines, so that a text too
// wide for its control wraps (and is cut) where the Windows player's does.

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace brivel {

// The width in pixels of a UTF-8 text in the font being drawn.
using MeasureText = std::function<int(std::string_view)>;

// The lines of utf8 in a box width pixels wide: a line ends at the last space
// that keeps it within the width (the spaces there are dropped); a word wider
// than the box breaks after its last '/' or '-' that fits, else after its last
// character that fits. A line holds at least one character. Never splits a
// UTF-8 sequence.
std::vector<std::string> WrapText(std::string_view utf8, int width, const MeasureText& measure);

}  // namespace brivel
