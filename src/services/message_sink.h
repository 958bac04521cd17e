#pragma once

namespace brivel {

// The icon a message box carries.
enum class MessageIcon {
    None,         // plain box with an OK button
    Information,  // the "i" icon
    Error,        // the stop sign: the PNG fallback's failures (MB_ICONERROR)
};

// Where the core sends what the user must be told. The Windows player shows a
// message box, the Linux player an FLTK dialog, the tool writes to stderr.
// Texts and captions are Windows-1252 bytes.
class MessageSink {
public:
    virtual ~MessageSink() = default;
    virtual void ShowMessage(const char* text, const char* caption, MessageIcon icon) = 0;
};

}  // namespace brivel
