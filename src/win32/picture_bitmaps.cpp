#include "win32/picture_bitmaps.h"

#include <ocidl.h>
#include <olectl.h>

#include <cstring>

#include "pictures/dib.h"
#include "pictures/fit.h"
#include "pictures/image.h"
#include "pictures/png_decoder.h"
#include "win32/win32_services.h"

namespace brivel {

namespace {

// BITMAPINFO with room for the largest colour table.
struct BitmapInfo256 {
    BITMAPINFOHEADER header;
    RGBQUAD colours[256];
};

void ToBitmapInfo(const DibInfo& info, BitmapInfo256& out) {
    std::memset(&out, 0, sizeof out);
    out.header.biSize = sizeof(BITMAPINFOHEADER);
    out.header.biWidth = info.header.width;
    out.header.biHeight = info.header.height;
    out.header.biPlanes = info.header.planes;
    out.header.biBitCount = info.header.bitCount;
    out.header.biCompression = info.header.compression;
    out.header.biSizeImage = info.header.sizeImage;
    out.header.biXPelsPerMeter = info.header.xPelsPerMeter;
    out.header.biYPelsPerMeter = info.header.yPelsPerMeter;
    out.header.biClrUsed = info.header.clrUsed;
    out.header.biClrImportant = info.header.clrImportant;
    for (std::size_t i = 0; i < info.colours.size(); ++i) {
        const DibColour& c = info.colours[i];
        out.colours[i] = RGBQUAD{c.blue, c.green, c.red, c.reserved};
    }
}

// Sign-extends an OLE_HANDLE, as Win64 does with every 32-bit GDI handle.
HBITMAP BitmapFromOleHandle(OLE_HANDLE handle) {
    return reinterpret_cast<HBITMAP>(static_cast<INT_PTR>(static_cast<INT32>(handle)));
}

}  // namespace

HBITMAP LoadPicture(HMODULE module, LPCSTR name, LPCSTR type, int width, int height) {
    HBITMAP picture = nullptr;
    HRSRC found = FindResourceA(module, name, type);
    HGLOBAL loaded = found != nullptr ? LoadResource(module, found) : nullptr;
    if (loaded == nullptr) {
        picture = LoadPngPicture(module, name, type, width, height);
    } else {
        const DWORD size = SizeofResource(module, found);
        const void* bytes = LockResource(loaded);
        if (bytes != nullptr) {
            picture = LoadPictureFromMemory(bytes, size, width, height);
        }
        FreeResource(loaded);
    }
    if (picture == nullptr) {
        return nullptr;
    }
    HBITMAP fitted = FitBitmap(picture, width, height);
    DeleteObject(picture);
    return fitted;
}

HBITMAP LoadPictureFromMemory(const void* bytes, DWORD size, int /*width*/, int /*height*/) {
    CoInitialize(nullptr);
    HBITMAP copy = nullptr;
    HGLOBAL block = size > 0 ? GlobalAlloc(GMEM_FIXED, size) : nullptr;
    if (block != nullptr) {
        std::memcpy(static_cast<void*>(block), bytes, size);
        IStream* stream = nullptr;
        if (FAILED(CreateStreamOnHGlobal(block, TRUE, &stream)) || stream == nullptr) {
            GlobalFree(block);
        } else {
            IPicture* picture = nullptr;
            const HRESULT loaded = OleLoadPicture(stream, static_cast<LONG>(size), FALSE,
                                                  IID_IPicture, reinterpret_cast<void**>(&picture));
            if (SUCCEEDED(loaded) && picture != nullptr) {
                OLE_HANDLE handle = 0;
                // The picture owns its bitmap; only a copy outlives it.
                if (SUCCEEDED(picture->get_Handle(&handle)) && handle != 0) {
                    copy = static_cast<HBITMAP>(
                        CopyImage(BitmapFromOleHandle(handle), IMAGE_BITMAP, 0, 0, 0));
                }
                if (copy == nullptr) {
                    MessageBoxA(nullptr, "erreur m\xE9moire", "information", MB_ICONINFORMATION);
                }
                picture->Release();
            }
            stream->Release();
        }
    }
    CoUninitialize();
    return copy;
}

HBITMAP LoadPngPicture(HMODULE module, LPCSTR name, LPCSTR /*type*/, int width, int height) {
    if (!IS_INTRESOURCE(name)) {
        return nullptr;
    }
    HBITMAP bitmap = nullptr;
    {
        PngDecoder decoder;
        ModuleResources resources(module != nullptr ? module : GetModuleHandleA(nullptr));
        const auto id = static_cast<std::uint16_t>(reinterpret_cast<ULONG_PTR>(name));
        if (!decoder.LoadFromResource(resources, id)) {
            return nullptr;
        }
        // A forged header could otherwise make Decode allocate gigabytes for a
        // file of a few bytes.
        if (RgbImageBytes(decoder.width(), decoder.height()) == 0 || !decoder.Decode()) {
            MessageBoxA(nullptr, "Error: couldn't decode PNG resource", "APPNAME", MB_ICONERROR);
            return nullptr;
        }
        bitmap = MakeBitmap(decoder, nullptr, kDefaultPngFormat, false);
        if (bitmap == nullptr) {
            MessageBoxA(nullptr, "Error: couldn't create bitmap", "APPNAME", MB_ICONERROR);
            return nullptr;
        }
    }
    HBITMAP fitted = FitBitmap(bitmap, width, height);
    DeleteObject(bitmap);
    return fitted;
}

HBITMAP FitBitmap(HBITMAP source, int width, int height) {
    BITMAP description{};
    if (GetObjectA(source, sizeof description, &description) == 0) {
        return nullptr;
    }
    const FittedSize size = FitSize(description.bmWidth, description.bmHeight, width, height);
    if (size.width <= 0 || size.height <= 0) {
        return nullptr;
    }
    HDC screen = GetDC(nullptr);
    HDC sourceDc = CreateCompatibleDC(screen);
    HDC destDc = CreateCompatibleDC(screen);
    HBITMAP dest = CreateCompatibleBitmap(screen, size.width, size.height);
    if (sourceDc != nullptr && destDc != nullptr && dest != nullptr) {
        HGDIOBJ oldSource = SelectObject(sourceDc, source);
        HGDIOBJ oldDest = SelectObject(destDc, dest);
        SetStretchBltMode(destDc, HALFTONE);
        // HALFTONE needs its brush origin reset after the mode is set.
        SetBrushOrgEx(destDc, 0, 0, nullptr);
        StretchBlt(destDc, 0, 0, size.width, size.height, sourceDc, 0, 0, description.bmWidth,
                   description.bmHeight, SRCCOPY);
        SelectObject(sourceDc, oldSource);
        SelectObject(destDc, oldDest);
    } else if (dest != nullptr) {
        DeleteObject(dest);
        dest = nullptr;
    }
    if (destDc != nullptr) {
        DeleteDC(destDc);
    }
    if (sourceDc != nullptr) {
        DeleteDC(sourceDc);
    }
    ReleaseDC(nullptr, screen);
    return dest;
}

HBITMAP MakeBitmap(PngDecoder& decoder, HWND window, std::uint32_t format, bool deviceDependent) {
    // Refused before a device context is taken.
    if (!decoder.CheckBitmapRequest(format)) {
        return nullptr;
    }
    DibInfo info;
    std::uint32_t chosen = 0;
    decoder.BuildBitmapInfo(format, info, chosen);
    BitmapInfo256 bitmapInfo;
    ToBitmapInfo(info, bitmapInfo);
    const BITMAPINFO* header = reinterpret_cast<const BITMAPINFO*>(&bitmapInfo);
    const std::size_t bytes = DibBytes(decoder.width(), decoder.height(), info.header.bitCount);
    if (bytes == 0) {
        decoder.SetBitmapError(PngError::OutOfMemory);
        return nullptr;
    }

    HDC dc = GetDC(window);
    HBITMAP bitmap = nullptr;
    if (deviceDependent) {
        void* buffer = HeapAlloc(GetProcessHeap(), 0, bytes);
        if (buffer == nullptr) {
            decoder.SetBitmapError(PngError::OutOfMemory);
        } else {
            if (decoder.RenderRows(static_cast<std::uint8_t*>(buffer), chosen)) {
                bitmap = CreateDIBitmap(dc, &bitmapInfo.header, CBM_INIT, buffer, header,
                                        DIB_RGB_COLORS);
                if (bitmap == nullptr) {
                    decoder.SetBitmapError(PngError::BitmapRefused);
                }
            }
            HeapFree(GetProcessHeap(), 0, buffer);
        }
    } else {
        void* pixels = nullptr;
        bitmap = CreateDIBSection(dc, header, DIB_RGB_COLORS, &pixels, nullptr, 0);
        if (bitmap == nullptr || pixels == nullptr) {
            decoder.SetBitmapError(PngError::BitmapRefused);
        }
        // A render failure leaves the error as it was.
        if (bitmap != nullptr &&
            (pixels == nullptr ||
             !decoder.RenderRows(static_cast<std::uint8_t*>(pixels), chosen))) {
            DeleteObject(bitmap);
            bitmap = nullptr;
        }
    }
    ReleaseDC(window, dc);
    return bitmap;
}

}  // namespace brivel
