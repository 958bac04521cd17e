#include "fltk/fltk_services.h"

#include <FL/Fl.H>
#include <FL/Fl_Widget.H>
#include <FL/Fl_Window.H>
#include <FL/fl_ask.H>

#include <new>
#include <string>
#include <vector>

#include "quiz/appended_bundle.h"
#include "quiz/res_file.h"
#include "text/cp1252.h"

namespace brivel {

namespace {

struct FltkBrush {
    Fl_Color colour;
};

class NoResources final : public ResourceProvider {
public:
    std::optional<std::vector<std::uint8_t>> Find(const ResourceType& /*type*/,
                                                  std::uint16_t /*id*/) override {
        return std::nullopt;
    }
};

}  // namespace

FltkFont FontFor(const FontSpec& request) {
    FltkFont font;
    font.face = FL_HELVETICA;
    if (IsBold(request)) {
        font.face |= FL_BOLD;
    }
    if (request.italic) {
        font.face |= FL_ITALIC;
    }
    if (PixelSizeOf(request) > 0) {
        font.size = PixelSizeOf(request);
    }
    font.underline = request.underline;
    return font;
}

const FltkFont& FontOf(FontHandle font, const FltkFont& fallback) {
    return font != nullptr ? *static_cast<const FltkFont*>(font) : fallback;
}

Fl_Color BrushColour(BrushHandle brush, Fl_Color fallback) {
    return brush != nullptr ? static_cast<const FltkBrush*>(brush)->colour : fallback;
}

FontHandle FltkGraphics::MakeFont(const FontSpec& request) {
    return new (std::nothrow) FltkFont(FontFor(request));
}

void FltkGraphics::ReleaseFont(FontHandle font) {
    delete static_cast<FltkFont*>(font);
}

BrushHandle FltkGraphics::MakeSolidBrush(Rgb colour) {
    return new (std::nothrow) FltkBrush{fl_rgb_color(colour.red, colour.green, colour.blue)};
}

void FltkGraphics::ReleaseBrush(BrushHandle brush) {
    delete static_cast<FltkBrush*>(brush);
}

DialogSink::DialogSink() {
    // The one button of MB_OK reads "OK" on a French Windows too.
    fl_close = "OK";
    fl_message_hotspot(0);
    fl_message_font(FL_HELVETICA, 11);
}

void DialogSink::ShowMessage(const char* text, const char* caption, MessageIcon icon) {
    const std::string utf8Text = Cp1252ToUtf8(text);
    const std::string utf8Caption = Cp1252ToUtf8(caption);
    fl_message_title(utf8Caption.c_str());
    Fl_Widget* iconBox = fl_message_icon();
    // A message box without an owner opens in the middle of the screen. The
    // box keeps its position while FLTK fits its size to the text, so its
    // last size is the best guess there is.
    if (Fl_Window* box = iconBox->window()) {
        int screenX = 0;
        int screenY = 0;
        int screenW = 0;
        int screenH = 0;
        Fl::screen_xywh(screenX, screenY, screenW, screenH, 0);
        box->position(screenX + (screenW - box->w()) / 2, screenY + (screenH - box->h()) / 2);
    }
    switch (icon) {
        case MessageIcon::None:
            iconBox->hide();
            fl_message("%s", utf8Text.c_str());
            break;
        case MessageIcon::Information:
            iconBox->show();
            fl_message("%s", utf8Text.c_str());
            break;
        case MessageIcon::Error:
            iconBox->show();
            fl_alert("%s", utf8Text.c_str());
            break;
    }
}

std::unique_ptr<ResourceProvider> OwnResources() {
    std::vector<std::uint8_t> bundle;
    if (ReadAppendedBundle("/proc/self/exe", bundle) != BundleStatus::Ok) {
        return std::make_unique<NoResources>();
    }
    ResReadResult read = ReadResFile(bundle.data(), bundle.size());
    return std::make_unique<ResFileResources>(std::move(read.entries));
}

}  // namespace brivel
