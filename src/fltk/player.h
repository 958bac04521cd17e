#pragma once

// What the parts of the Linux player share: the Windows player's geometry,
// its colours and fonts as FLTK gives them, and saving the progress.

#include <FL/Enumerations.H>

#include <string>

#include "fltk/fltk_services.h"

// The Windows player's main window is 670 x 640 outside; its client area,
// inside a 3-pixel frame and a 19-pixel caption, is what FLTK sizes, and every
// control sits at the same place in it.
inline constexpr int kOuterWidth = 670;
inline constexpr int kOuterHeight = 640;
inline constexpr int kFrameLeft = 3;
inline constexpr int kFrameTop = 22;
inline constexpr int kClientWidth = kOuterWidth - 2 * kFrameLeft;
inline constexpr int kClientHeight = kOuterHeight - kFrameTop - kFrameLeft;

// Colours the Windows player chooses.
inline const Fl_Color kHeaderColour = fl_rgb_color(128, 128, 255);
inline const Fl_Color kLinkColour = fl_rgb_color(50, 50, 255);
inline const Fl_Color kStatusColour = fl_rgb_color(212, 208, 200);
// Colours it leaves to the platform, as its screenshot shows them.
inline const Fl_Color kWindowColour = fl_rgb_color(255, 255, 255);
inline const Fl_Color kFaceColour = fl_rgb_color(245, 245, 245);
inline const Fl_Color kBorderColour = fl_rgb_color(158, 158, 158);
inline const Fl_Color kHighlightColour = fl_rgb_color(255, 255, 255);
inline const Fl_Color kLightColour = fl_rgb_color(227, 227, 227);
inline const Fl_Color kShadowColour = fl_rgb_color(166, 166, 166);
inline const Fl_Color kDarkShadowColour = fl_rgb_color(106, 106, 106);

// DEFAULT_GUI_FONT, and the bold system font of controls given no font.
inline const brivel::FltkFont kGuiFont{FL_HELVETICA, 11, false};
inline const brivel::FltkFont kSystemFont{FL_HELVETICA_BOLD, 13, false};

// The progress file of this executable, in its folder.
std::string PlayerProgressFile();

// BRIVEL_TRACE_STARTUP=1 prints when the first picture is on screen and how
// long each move to another picture takes.
void TraceFirstPicture();
void TraceMoveStart();
void TracePictureLoaded();
void TracePictureShown();
