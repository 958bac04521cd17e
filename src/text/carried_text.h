#pragma once

// Texts measured in the faces the pages carry (the Linux player's DejaVu
// Sans, cut to Windows-1252 by src/web/make_fonts.py), as the Linux player's
// Xft measures them: the web player breaks its header texts with these
// widths, and the studio's fit warnings are `brivel check`'s with them. The
// browser's own measures would not do: they differ between browsers and from
// Xft's whole-pixel advances. Built only where the build's carried_fonts.h is.

#include <string>
#include <string_view>

namespace brivel {

// A carried face at a pixel size.
struct PageFace {
    bool bold = false;
    bool italic = false;
    int pixelSize = 11;
};

// The width of a UTF-8 text, the line height and the part below the
// baseline, as fl_width, fl_height and fl_descent give them in the Linux player.
int CarriedTextWidth(const PageFace& face, std::string_view utf8);
int CarriedLineHeight(const PageFace& face);
int CarriedDescent(const PageFace& face);

// "DejaVu Sans Bold 13 px", as the tool names the face fontconfig gives it.
std::string CarriedFaceName(const PageFace& face);

}  // namespace brivel
