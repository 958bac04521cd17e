#include "win32/win32_services.h"

#include <new>

namespace brivel {

std::optional<std::vector<std::uint8_t>> ModuleResources::Find(const ResourceType& type,
                                                               std::uint16_t id) {
    const char* typeName = type.name.empty() ? MAKEINTRESOURCEA(type.number) : type.name.c_str();
    HRSRC found = FindResourceA(module_, MAKEINTRESOURCEA(id), typeName);
    if (found == nullptr) {
        return std::nullopt;
    }
    HGLOBAL loaded = LoadResource(module_, found);
    if (loaded == nullptr) {
        return std::nullopt;
    }
    const DWORD size = SizeofResource(module_, found);
    const auto* bytes = static_cast<const std::uint8_t*>(LockResource(loaded));
    std::optional<std::vector<std::uint8_t>> result;
    if (bytes != nullptr || size == 0) {
        try {
            result.emplace(bytes, bytes + size);
        } catch (const std::bad_alloc&) {
            // Reported as missing: the callers treat both alike.
        }
    }
    FreeResource(loaded);
    return result;
}

void MessageBoxSink::ShowMessage(const char* text, const char* caption, MessageIcon icon) {
    UINT style = MB_OK;
    switch (icon) {
        case MessageIcon::None:
            break;
        case MessageIcon::Information:
            style |= MB_ICONINFORMATION;
            break;
        case MessageIcon::Error:
            style |= MB_ICONERROR;
            break;
    }
    MessageBoxA(nullptr, text, caption, style);
}

FontHandle GdiGraphics::MakeFont(const FontSpec& request) {
    // An empty face name lets GDI pick its default face for the attributes.
    return CreateFontA(request.height, 0, 0, 0, request.weight, request.italic ? TRUE : FALSE,
                       request.underline ? TRUE : FALSE, FALSE, ANSI_CHARSET, OUT_DEFAULT_PRECIS,
                       CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH, nullptr);
}

void GdiGraphics::ReleaseFont(FontHandle font) {
    if (font != nullptr) {
        DeleteObject(static_cast<HGDIOBJ>(font));
    }
}

BrushHandle GdiGraphics::MakeSolidBrush(Rgb colour) {
    return CreateSolidBrush(RGB(colour.red, colour.green, colour.blue));
}

void GdiGraphics::ReleaseBrush(BrushHandle brush) {
    if (brush != nullptr) {
        DeleteObject(static_cast<HGDIOBJ>(brush));
    }
}

}  // namespace brivel
