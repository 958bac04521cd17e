#pragma once

// The quiz pictures as GDI bitmaps fitted to a box: JPEG through OLE, PNG
// through our own decoder.

#include <windows.h>

#include <cstdint>

namespace brivel {

class PngDecoder;

// Resource name of type type in module (null: this executable), fitted into
// width x height. When no such resource can be loaded, the PNG in RCDATA with
// the same name is tried instead; one that exists but cannot be decoded gives
// null with no fallback. The caller owns the result.
HBITMAP LoadPicture(HMODULE module, LPCSTR name, LPCSTR type, int width, int height);

// A complete picture file in memory, decoded by OLE at its natural size.
// width and height are not used.
HBITMAP LoadPictureFromMemory(const void* bytes, DWORD size, int width, int height);

// The PNG in RCDATA name, fitted. type is not used for the lookup.
HBITMAP LoadPngPicture(HMODULE module, LPCSTR name, LPCSTR type, int width, int height);

// A new bitmap of source, halftone-stretched to the fitted size for the box;
// source stays the caller's. Null when the fitted size has no pixels.
HBITMAP FitBitmap(HBITMAP source, int width, int height);

// The decoded PNG as a bitmap for window's device (null: the screen):
// a DIB section the rows are rendered into, or with deviceDependent a
// device-dependent bitmap made from a buffer of our own. Null with the
// decoder's error set (CheckBitmapRequest's, OutOfMemory, BitmapRefused), or
// left as it was when a row cannot be rendered.
HBITMAP MakeBitmap(PngDecoder& decoder, HWND window, std::uint32_t format, bool deviceDependent);

}  // namespace brivel
