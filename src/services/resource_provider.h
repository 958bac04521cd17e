#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace brivel {

// A resource type is named ("PATCH", "IMG") or numbered (RCDATA is 10), as in
// a Win32 resource section.
struct ResourceType {
    std::string name;          // empty for a numbered type
    std::uint16_t number = 0;  // used when name is empty

    static ResourceType Named(std::string typeName) { return {std::move(typeName), 0}; }
    static ResourceType Numbered(std::uint16_t typeNumber) { return {std::string(), typeNumber}; }
};

inline constexpr std::uint16_t kRcData = 10;

// The bytes of the running quiz's own resources. Windows reads them from the
// executable's resource section, Linux from the bundle appended to the player.
class ResourceProvider {
public:
    virtual ~ResourceProvider() = default;
    // The resource's bytes, or nothing when the quiz has no such resource.
    virtual std::optional<std::vector<std::uint8_t>> Find(const ResourceType& type,
                                                          std::uint16_t id) = 0;
};

}  // namespace brivel
