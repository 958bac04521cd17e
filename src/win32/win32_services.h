#pragma once

// The portable core's services on Win32: resources of the own module, message
// boxes, GDI fonts and brushes.

#include <windows.h>

#include "services/graphics.h"
#include "services/message_sink.h"
#include "services/resource_provider.h"

namespace brivel {

class ModuleResources final : public ResourceProvider {
public:
    explicit ModuleResources(HMODULE module) : module_(module) {}
    std::optional<std::vector<std::uint8_t>> Find(const ResourceType& type,
                                                  std::uint16_t id) override;

private:
    HMODULE module_;
};

class MessageBoxSink final : public MessageSink {
public:
    void ShowMessage(const char* text, const char* caption, MessageIcon icon) override;
};

class GdiGraphics final : public GraphicsFactory {
public:
    FontHandle MakeFont(const FontSpec& request) override;
    void ReleaseFont(FontHandle font) override;
    BrushHandle MakeSolidBrush(Rgb colour) override;
    void ReleaseBrush(BrushHandle brush) override;
};

}  // namespace brivel
