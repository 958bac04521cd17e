#pragma once

// The Linux player's fonts without a display. FLTK asks Xft for the family
// "sans" at a pixel size, bold or italic; fontconfig picks the file (DejaVu
// Sans on Debian) and Xft measures and draws it with FreeType. Here the same
// fontconfig match is opened with FreeType and its glyphs are loaded as Xft
// loads them (the hinting the match asks for, advances rounded to pixels),
// so widths and line heights are the player's.

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>

#include "pictures/image.h"
#include "services/graphics.h"

namespace brivel::tool {

// One of the player's fonts: an FLTK Helvetica face at a pixel size.
struct PlayerFace {
    bool bold = false;
    bool italic = false;
    int pixelSize = 11;
    bool underline = false;

    bool operator<(const PlayerFace& other) const;
};

// DEFAULT_GUI_FONT, and the bold system font of controls given no font
// (src/fltk/player.h).
inline constexpr PlayerFace kGuiFace{false, false, 11, false};
inline constexpr PlayerFace kSystemFace{true, false, 13, false};

// The face the Linux player makes for a GDI font request (src/fltk FontFor).
PlayerFace FaceFor(const FontSpec& request);

// A rectangle of a canvas: drawing stays inside it.
struct ClipRect {
    int x = 0;
    int y = 0;
    int w = 0;
    int h = 0;
};

class PlayerFonts {
public:
    // Nothing when fontconfig or FreeType cannot start; error says why.
    static std::unique_ptr<PlayerFonts> Open(std::string& error);
    ~PlayerFonts();
    PlayerFonts(const PlayerFonts&) = delete;
    PlayerFonts& operator=(const PlayerFonts&) = delete;

    // The width in pixels of a UTF-8 text, as fl_width gives it.
    int Width(const PlayerFace& face, std::string_view utf8);
    // fl_height() and fl_descent(): the line height and the part below the baseline.
    int Height(const PlayerFace& face);
    int Descent(const PlayerFace& face);
    // "DejaVu Sans Bold 13 px": what fontconfig picked, for messages.
    std::string Describe(const PlayerFace& face);

    // Draws a UTF-8 text with its baseline at y, blended in colour onto
    // canvas, inside clip (and the canvas).
    void Draw(RgbImage& canvas, const ClipRect& clip, const PlayerFace& face, int x, int y,
              std::string_view utf8, Rgb colour);

private:
    struct Loaded;
    PlayerFonts() = default;
    // The face's file opened at its size; null when nothing can be opened.
    Loaded* Load(const PlayerFace& face);

    void* library_ = nullptr;  // FT_Library
    std::map<PlayerFace, std::unique_ptr<Loaded>> faces_;
};

}  // namespace brivel::tool
