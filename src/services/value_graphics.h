#pragma once

#include <new>

#include "services/graphics.h"

namespace brivel {

// For those who draw by values rather than by platform objects (the web page,
// the tool's preview): a brush is its colour, a font the request it was made from.
class ValueGraphics final : public GraphicsFactory {
public:
    FontHandle MakeFont(const FontSpec& request) override {
        return new (std::nothrow) FontSpec(request);
    }
    void ReleaseFont(FontHandle font) override { delete static_cast<FontSpec*>(font); }
    BrushHandle MakeSolidBrush(Rgb colour) override { return new (std::nothrow) Rgb(colour); }
    void ReleaseBrush(BrushHandle brush) override { delete static_cast<Rgb*>(brush); }

    // What a handle this factory made stands for; null for a null handle.
    static const FontSpec* FontOf(FontHandle font) { return static_cast<const FontSpec*>(font); }
    static const Rgb* ColourOf(BrushHandle brush) { return static_cast<const Rgb*>(brush); }
};

}  // namespace brivel
