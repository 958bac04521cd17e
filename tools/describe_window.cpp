// Writes the window description of app/window_layout.h for what cannot
// include it: the web page's style (window.css) and script constants
// (page.js), and the end-to-end tests' window.json. Run by the build.
//
//   describe-window OUT_DIR

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include "app/window_layout.h"
#include "web/web_fields.h"

namespace {

using namespace brivel;

const char* PanelName(WindowPanel panel) {
    switch (panel) {
        case WindowPanel::Header:
            return "header";
        case WindowPanel::Play:
            return "play";
        case WindowPanel::Main:
            break;
    }
    return "main";
}

// The page draws the drop-down list's field alone.
WindowRect ShownPlace(const WindowControl& control, WindowRect place) {
    if (&control == &kPictureChooser) {
        place.h = kChooserFieldHeight;
    }
    return place;
}

std::string Css() {
    std::ostringstream out;
    out << "/* The window's geometry, written by the build from app/window_layout.h. */\n";
    out << "#fit, #window { width: " << kClientWidth << "px; height: " << kClientHeight
        << "px; }\n";
    for (const WindowControl* control : kWindowControls) {
        const WindowRect at = ShownPlace(*control, PlaceInPanel(*control));
        out << '#' << control->name << " { left: " << at.x << "px; top: " << at.y
            << "px; width: " << at.w << "px; height: " << at.h << "px; }\n";
    }
    // The canvas fills the picture control inside its border.
    out << "#canvas { width: " << kPictureControl.w.pixels - 2
        << "px; height: " << kPictureControl.h.pixels - 2 << "px; }\n";
    return out.str();
}

std::string Script() {
    std::ostringstream out;
    out << "  // Written by the build from web/web_fields.h and app/window_layout.h.\n";
    out << "  const Field = {\n";
#define BRIVEL_WEB_FIELD_JS(name, number) out << "    " #name ": " << number << ",\n";
    BRIVEL_WEB_FIELDS(BRIVEL_WEB_FIELD_JS)
#undef BRIVEL_WEB_FIELD_JS
    out << "  };\n";
    out << "  const kWindowWidth = " << kClientWidth << ";\n";
    out << "  const kWindowHeight = " << kClientHeight << ";\n";
    return out.str();
}

std::string Array(const WindowRect& r) {
    return "[" + std::to_string(r.x) + ", " + std::to_string(r.y) + ", " + std::to_string(r.w) +
           ", " + std::to_string(r.h) + "]";
}

std::string Colour(Rgb c) {
    return "[" + std::to_string(c.red) + ", " + std::to_string(c.green) + ", " +
           std::to_string(c.blue) + "]";
}

std::string Json() {
    std::ostringstream out;
    out << "{\n  \"client\": [" << kClientWidth << ", " << kClientHeight << "],\n";
    out << "  \"frame\": [" << kFrameLeft << ", " << kFrameTop << "],\n";
    out << "  \"outer\": [" << kOuterWidth << ", " << kOuterHeight << "],\n";
    out << "  \"colours\": {\"header\": " << Colour(kHeaderColour)
        << ", \"link\": " << Colour(kLinkColour) << ", \"status\": " << Colour(kStatusColour)
        << ", \"face\": " << Colour(kFaceColour) << ", \"border\": " << Colour(kBorderColour)
        << "},\n";
    out << "  \"controls\": {";
    const char* separator = "\n";
    for (const WindowControl* control : kWindowControls) {
        // "panel": where "place" is; "window": in the main window's client area.
        out << separator << "    \"" << control->name << "\": {\"id\": " << control->id
            << ", \"panel\": \"" << PanelName(control->panel)
            << "\", \"place\": " << Array(ShownPlace(*control, PlaceInPanel(*control)))
            << ", \"window\": " << Array(ShownPlace(*control, PlaceInWindow(*control))) << "}";
        separator = ",\n";
    }
    out << "\n  }\n}\n";
    return out.str();
}

bool Write(const std::string& path, const std::string& text) {
    std::ofstream file(path, std::ios::binary);
    file << text;
    file.close();
    if (!file) {
        std::fprintf(stderr, "describe-window: %s: cannot be written\n", path.c_str());
        return false;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: describe-window OUT_DIR\n");
        return 2;
    }
    const std::string dir = argv[1];
    const bool written = Write(dir + "/window.css", Css()) && Write(dir + "/page.js", Script()) &&
                         Write(dir + "/window.json", Json());
    return written ? 0 : 1;
}
