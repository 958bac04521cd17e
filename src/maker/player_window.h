#pragma once

// The Linux player's window drawn without a display: where each header text
// sits and how much of it shows, and the whole window at one moment of play,
// with the controls drawn as src/fltk draws them and the player's fonts.

#include <string>
#include <string_view>

#include "maker/fonts.h"
#include "maker/quiz_description.h"
#include "pictures/image.h"
#include "services/message_sink.h"
#include "services/resource_provider.h"

namespace brivel::tool {

// The texts of the header and the status line, each in its own box.
enum class WindowText { Title, Author, Explanation, Code, Link, Status, ByLabel, CodeLabel };

// The part of a UTF-8 text that the player shows whole in its box: the lines
// that fit whole (a static text, wrapped as src/text/text_wrap.h breaks it),
// or the characters that fit whole (the code field, one line that scrolls).
std::string ShownPart(PlayerFonts& fonts, WindowText where, std::string_view utf8);

// A FitCheck measuring with fonts, which must outlive it.
FitCheck PlayerFitCheck(PlayerFonts& fonts);

// The whole 670 x 640 window, frame included, showing picture (from 0) after
// the first found pictures were found: their answers are in the progress the
// player restores, so the code is the step of that many finds. Messages the
// player would show go to sink.
RgbImage RenderWindow(PlayerFonts& fonts, ResourceProvider& resources, MessageSink& sink,
                      int picture, int found);

}  // namespace brivel::tool
