#pragma once

// The Linux player's fonts without a display. FLTK asks Xft for the family
// "sans" at a pixel size, bold or italic; fontconfig picks the file (DejaVu
// Sans on Debian) and Xft measures and draws it with FreeType. Here the same
// fontconfig match is opened with FreeType and its glyphs are loaded as Xft
// loads them (the hinting the match asks for, advances rounded to pixels),
// so widths and line heights are the player's.

#include <map>
#include <memory>
#include <string>
#include <string_view>

#include "maker/fonts.h"
#include "maker/quiz_description.h"

namespace brivel::tool {

class FreeTypeFonts final : public PlayerFonts {
public:
    // Nothing when fontconfig or FreeType cannot start; error says why.
    static std::unique_ptr<FreeTypeFonts> Open(std::string& error);
    ~FreeTypeFonts() override;
    FreeTypeFonts(const FreeTypeFonts&) = delete;
    FreeTypeFonts& operator=(const FreeTypeFonts&) = delete;

    int Width(const PlayerFace& face, std::string_view utf8) override;
    int Height(const PlayerFace& face) override;
    int Descent(const PlayerFace& face) override;
    // What fontconfig picked.
    std::string Describe(const PlayerFace& face) override;
    void Draw(RgbImage& canvas, const ClipRect& clip, const PlayerFace& face, int x, int y,
              std::string_view utf8, Rgb colour) override;

    // The player's fonts, opened once for the process; null, after saying on
    // standard error why texts cannot be measured, when they cannot be opened.
    static FreeTypeFonts* ForCommand(const char* command);

private:
    struct Loaded;
    FreeTypeFonts() = default;
    // The face's file opened at its size; null when nothing can be opened.
    Loaded* Load(const PlayerFace& face);

    void* library_ = nullptr;  // FT_Library
    std::map<PlayerFace, std::unique_ptr<Loaded>> faces_;
};

// The FitCheck of check and pack: nothing is measured without the fonts.
FitCheck ToolFitCheck(const char* command);

}  // namespace brivel::tool
