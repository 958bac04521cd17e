#pragma once

// What the WebAssembly side asks of the page's script. The fields' numbers
// are web_fields.h's, which the page's script receives at build time.

#include "web/web_fields.h"

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
