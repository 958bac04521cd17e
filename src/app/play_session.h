#pragma once

// What every player does around play, whatever draws it: the controls' first
// texts, starting from the restored texts, the bytes a save writes, and
// reading the answer box. The file side of saving is SaveSession
// (app/progress_file.h).

#include <string>
#include <string_view>

namespace brivel {

class PlayState;
class PlayView;
class QuizRecord;
struct WindowControl;

// What control shows when it is made (its ControlText), in Windows-1252.
std::string InitialText(const WindowControl& control, const QuizRecord& record);

// After the slots are restored: the box gets picture 1's text, play regrades
// every picture and shows picture 1, and the chooser follows.
void StartSession(QuizRecord& record, PlayState& play, PlayView& view);

// The progress file's bytes, the box's text stored first as every save does.
std::string SessionProgress(QuizRecord& record, PlayState& play);

// A toolkit's UTF-8 box text as play takes it: Windows-1252, "?" for what it
// cannot hold, and at most the 259 bytes GetWindowTextA keeps of 260.
std::string BoxTextFromUtf8(std::string_view utf8);

}  // namespace brivel
