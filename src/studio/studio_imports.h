#pragma once

// What the studio's WebAssembly side asks of the page's script. The fields'
// numbers are studio_fields.h's, which the page's script receives at build time.

extern "C" {

// Bytes for a field (UTF-8 texts unless said otherwise); they live only during the call.
__attribute__((import_module("studio"), import_name("text"))) void brivel_studio_text(
    int field, int index, const char* bytes, int length);
__attribute__((import_module("studio"), import_name("number"))) void brivel_studio_number(
    int field, int index, int value);
// The UTF-8 text composed (NFC) by the browser into room, at most capacity
// bytes; returns the whole result's length (more than capacity: ask again
// with room for it), or -1 when text is not UTF-8.
__attribute__((import_module("studio"), import_name("compose"))) int brivel_studio_compose(
    const char* text, int length, char* room, int capacity);
// The same for the text folded as text_compose.h's Folded: case folded and,
// unless marks, without accents.
__attribute__((import_module("studio"), import_name("fold"))) int brivel_studio_fold(
    const char* text, int length, char* room, int capacity, int marks);
}
