#pragma once

// The Linux player's fonts as the studio has them: the widths of the faces
// the web player's page carries, which are FreeType's, so that the maker
// library's fit warnings are the tool's. Nothing is drawn with them.

#include "maker/fonts.h"

namespace brivel::studio {

class CarriedFonts final : public tool::PlayerFonts {
public:
    int Width(const tool::PlayerFace& face, std::string_view utf8) override;
    int Height(const tool::PlayerFace& face) override;
    int Descent(const tool::PlayerFace& face) override;
    std::string Describe(const tool::PlayerFace& face) override;
    void Draw(RgbImage& canvas, const tool::ClipRect& clip, const tool::PlayerFace& face, int x,
              int y, std::string_view utf8, Rgb colour) override;
};

}  // namespace brivel::studio
