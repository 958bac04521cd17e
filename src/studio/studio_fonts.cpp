#include "studio/studio_fonts.h"

#include "text/carried_text.h"

namespace brivel::studio {

namespace {

PageFace Carried(const tool::PlayerFace& face) {
    return PageFace{face.bold, face.italic, face.pixelSize};
}

}  // namespace

int CarriedFonts::Width(const tool::PlayerFace& face, std::string_view utf8) {
    return CarriedTextWidth(Carried(face), utf8);
}

int CarriedFonts::Height(const tool::PlayerFace& face) {
    return CarriedLineHeight(Carried(face));
}

int CarriedFonts::Descent(const tool::PlayerFace& face) {
    return CarriedDescent(Carried(face));
}

std::string CarriedFonts::Describe(const tool::PlayerFace& face) {
    return CarriedFaceName(Carried(face));
}

void CarriedFonts::Draw(RgbImage& /*canvas*/, const tool::ClipRect& /*clip*/,
                        const tool::PlayerFace& /*face*/, int /*x*/, int /*y*/,
                        std::string_view /*utf8*/, Rgb /*colour*/) {}

}  // namespace brivel::studio
