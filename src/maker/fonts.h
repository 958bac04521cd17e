#pragma once

// The Linux player's fonts, through which the preview and the fit checks
// measure and draw its texts: a native front end opens them with FreeType, a
// browser would use its own canvas.

#include <string>
#include <string_view>
#include <tuple>

#include "app/window_layout.h"
#include "pictures/image.h"
#include "services/graphics.h"

namespace brivel::tool {

// One of the player's fonts: an FLTK Helvetica face at a pixel size.
struct PlayerFace {
    bool bold = false;
    bool italic = false;
    int pixelSize = 11;
    bool underline = false;

    bool operator<(const PlayerFace& other) const {
        return std::tie(bold, italic, pixelSize, underline) <
               std::tie(other.bold, other.italic, other.pixelSize, other.underline);
    }
};

// DEFAULT_GUI_FONT, and the bold system font of controls given no font
// (src/fltk/player.h).
inline constexpr PlayerFace kGuiFace{false, false, 11, false};
inline constexpr PlayerFace kSystemFace{true, false, 13, false};

// The face the Linux player makes for a GDI font request (src/fltk FontFor).
inline PlayerFace FaceFor(const FontSpec& request) {
    PlayerFace face;
    face.bold = IsBold(request);
    face.italic = request.italic;
    if (PixelSizeOf(request) > 0) {
        face.pixelSize = PixelSizeOf(request);
    }
    face.underline = request.underline;
    return face;
}

// A rectangle of a canvas: drawing stays inside it.
using ClipRect = WindowRect;

class PlayerFonts {
public:
    virtual ~PlayerFonts() = default;

    // The width in pixels of a UTF-8 text, as fl_width gives it.
    virtual int Width(const PlayerFace& face, std::string_view utf8) = 0;
    // fl_height() and fl_descent(): the line height and the part below the baseline.
    virtual int Height(const PlayerFace& face) = 0;
    virtual int Descent(const PlayerFace& face) = 0;
    // "DejaVu Sans Bold 13 px": the font actually used, for messages.
    virtual std::string Describe(const PlayerFace& face) = 0;

    // Draws a UTF-8 text with its baseline at y, blended in colour onto
    // canvas, inside clip (and the canvas).
    virtual void Draw(RgbImage& canvas, const ClipRect& clip, const PlayerFace& face, int x, int y,
                      std::string_view utf8, Rgb colour) = 0;
};

}  // namespace brivel::tool
