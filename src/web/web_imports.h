#pragma once

// What the WebAssembly side asks of the page's script (player.js carries the
// same numbers in its Field table).

namespace brivel {

enum class WebField : int {
    Title = 0,
    Author = 1,
    Explanation = 2,
    Link = 3,         // the link's text
    LinkAddress = 4,  // the address it opens
    Status = 5,
    ChooserLabel = 6,  // index: the entry
    Verdict = 7,
    Progress = 8,
    Code = 9,
    BoxText = 10,
    Picture = 11,      // index: the picture; the bytes of a JPEG or PNG file, or none
    Chooser = 12,      // number: the entry to select
    BackColour = 13,   // number: 0xRRGGBB, -1 for none
    VerdictFill = 14,  // number: the verdict field's colour, sent before its word
    TitleFont = 15,    // index 0 pixel size, 1 bold, 2 italic
    ProgressFont = 16,
    MessageCaption = 17,  // index: the icon; the text follows
    MessageText = 18,
    QuizKey = 19,
    ProgressFile = 20,  // raw Windows-1252 bytes
    ProgressName = 21,
    GradeWord = 22,
    PictureBytes = 23,  // as Picture, to decode ahead
};

}  // namespace brivel

extern "C" {

// A text (UTF-8 unless said otherwise) for a field; bytes live only during the call.
__attribute__((import_module("brivel"), import_name("text"))) void brivel_js_text(int field,
                                                                                  int index,
                                                                                  const char* bytes,
                                                                                  int length);
__attribute__((import_module("brivel"), import_name("number"))) void brivel_js_number(int field,
                                                                                      int index,
                                                                                      int value);
// Writes the answer box's text as UTF-8 into room, at most capacity bytes
// and never half a character; returns the length.
__attribute__((import_module("brivel"), import_name("box_text"))) int brivel_js_box_text(
    char* room, int capacity);
}
