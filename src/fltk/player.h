#pragma once

// What the parts of the Linux player share: the Windows player's window
// (app/window_layout.h), its colours and fonts as FLTK gives them, and where
// the progress is saved.

#include <FL/Enumerations.H>

#include <string>

#include "app/progress_places.h"
#include "app/window_layout.h"
#include "fltk/fltk_services.h"

// The window as the core describes it: every control at the Windows
// player's place in the client area, which is what FLTK sizes.
using brivel::kClientHeight;
using brivel::kClientWidth;
using brivel::kOuterHeight;
using brivel::kOuterWidth;

inline Fl_Color FlColour(brivel::Rgb colour) {
    return fl_rgb_color(colour.red, colour.green, colour.blue);
}

inline const Fl_Color kHeaderColour = FlColour(brivel::kHeaderColour);
inline const Fl_Color kLinkColour = FlColour(brivel::kLinkColour);
inline const Fl_Color kStatusColour = FlColour(brivel::kStatusColour);
inline const Fl_Color kWindowColour = FlColour(brivel::kWindowColour);
inline const Fl_Color kFaceColour = FlColour(brivel::kFaceColour);
inline const Fl_Color kBorderColour = FlColour(brivel::kBorderColour);
inline const Fl_Color kHighlightColour = FlColour(brivel::kHighlightColour);
inline const Fl_Color kLightColour = FlColour(brivel::kLightColour);
inline const Fl_Color kShadowColour = FlColour(brivel::kShadowColour);
inline const Fl_Color kDarkShadowColour = FlColour(brivel::kDarkShadowColour);

// DEFAULT_GUI_FONT, and the bold system font of controls given no font.
inline const brivel::FltkFont kGuiFont{FL_HELVETICA, 11, false};
inline const brivel::FltkFont kSystemFont{FL_HELVETICA_BOLD, 13, false};

// Where this executable's progress is kept.
brivel::ProgressPlaces PlayerProgressPlaces();

// BRIVEL_TRACE_STARTUP=1 prints when the first picture is on screen and how
// long each move to another picture takes.
void TraceFirstPicture();
void TraceMoveStart();
void TracePictureLoaded();
void TracePictureShown();
