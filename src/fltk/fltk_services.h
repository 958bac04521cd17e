#pragma once

// The portable core's services on FLTK: fonts and colours for the quiz record,
// message boxes, and the quiz's resources from the bundle appended to the
// player's own executable.

#include <FL/Enumerations.H>

#include <memory>

#include "services/graphics.h"
#include "services/message_sink.h"
#include "services/resource_provider.h"

namespace brivel {

// An FLTK face and pixel size standing for a GDI font; FLTK has no underlined
// faces, so the widget draws the line itself.
struct FltkFont {
    Fl_Font face = FL_HELVETICA;
    Fl_Fontsize size = 11;
    bool underline = false;
};

// The nearest FLTK font: Helvetica at the request's PixelSizeOf.
FltkFont FontFor(const FontSpec& request);

// The record's font behind a handle; fallback when the handle is null.
const FltkFont& FontOf(FontHandle font, const FltkFont& fallback);

// The colour behind a brush handle; fallback when the handle is null.
Fl_Color BrushColour(BrushHandle brush, Fl_Color fallback);

class FltkGraphics final : public GraphicsFactory {
public:
    FontHandle MakeFont(const FontSpec& request) override;
    void ReleaseFont(FontHandle font) override;
    BrushHandle MakeSolidBrush(Rgb colour) override;
    void ReleaseBrush(BrushHandle brush) override;
};

// Modal FLTK message boxes with the Windows player's texts and captions.
class DialogSink final : public MessageSink {
public:
    DialogSink();
    void ShowMessage(const char* text, const char* caption, MessageIcon icon) override;
};

// The resources of the quiz appended to this executable. A bare player, or a
// trailer that cannot be read, gives none (test mode); a damaged bundle gives
// the resources read before the damage.
std::unique_ptr<ResourceProvider> OwnResources();

}  // namespace brivel
