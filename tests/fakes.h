#pragma once

// Stand-ins for the platform services, shared by the tests.

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "quiz/quiz_record.h"
#include "services/graphics.h"
#include "services/message_sink.h"
#include "services/resource_provider.h"

namespace brivel::testing {

// Hands out numbered handles and records every creation and release, so tests
// can check what was made, in which order, and that each object goes once.
class FakeGraphics : public GraphicsFactory {
public:
    struct Made {
        bool isFont;
        FontSpec font;
        Rgb colour;
    };

    FontHandle MakeFont(const FontSpec& request) override {
        made.push_back({true, request, {}});
        return Handle();
    }
    void ReleaseFont(FontHandle font) override { released.push_back(font); }
    BrushHandle MakeSolidBrush(Rgb colour) override {
        made.push_back({false, {}, colour});
        return Handle();
    }
    void ReleaseBrush(BrushHandle brush) override { released.push_back(brush); }

    // Handle k (1-based) is the k-th object made.
    static void* HandleOf(std::uintptr_t k) { return reinterpret_cast<void*>(k); }

    std::vector<Made> made;
    std::vector<void*> released;

private:
    void* Handle() const { return HandleOf(made.size()); }
};

class FakeResources : public ResourceProvider {
public:
    void Add(const std::string& type, std::uint16_t id, std::vector<std::uint8_t> bytes) {
        resources[{type, id}] = std::move(bytes);
    }
    std::optional<std::vector<std::uint8_t>> Find(const ResourceType& type,
                                                  std::uint16_t id) override {
        std::string key = type.name.empty() ? "#" + std::to_string(type.number) : type.name;
        lookups.push_back({key, id});
        const auto found = resources.find({key, id});
        return found == resources.end() ? std::nullopt : std::optional(found->second);
    }

    std::map<std::pair<std::string, std::uint16_t>, std::vector<std::uint8_t>> resources;
    std::vector<std::pair<std::string, std::uint16_t>> lookups;
};

class RecordingSink : public MessageSink {
public:
    struct Message {
        std::string text, caption;
        MessageIcon icon;
    };
    void ShowMessage(const char* text, const char* caption, MessageIcon icon) override {
        messages.push_back({text, caption, icon});
    }
    // Every message as a line "caption: text [icon]", to compare in one go.
    std::string Said() const {
        std::string said;
        for (const Message& m : messages) {
            said +=
                m.caption + ": " + m.text + " [" + std::to_string(static_cast<int>(m.icon)) + "]\n";
        }
        return said;
    }
    std::vector<Message> messages;
};

// The record's numbers, texts, pictures in list order and first code steps.
inline std::string Describe(const QuizRecord& r) {
    const auto text = [](const auto& fixed) { return std::string(TextOf(fixed)); };
    std::string out = std::to_string(r.headerSetting) + " " + std::to_string(r.pictureCount) + "x" +
                      std::to_string(r.answersPerPicture) + " kind " + std::to_string(r.extraKind) +
                      " (" + std::to_string(r.backRed) + ", " + std::to_string(r.backGreen) + ", " +
                      std::to_string(r.backBlue) + ") " + text(r.title) + "|" + text(r.author) +
                      "|" + text(r.explanation) + "|";
    for (const PictureEntry* p = r.pictures.first; p != nullptr; p = p->next) {
        out += text(p->answer) + "/" + text(p->location) + "/" + text(p->extraInfo) + "|";
    }
    return out + text(r.codeSteps[0]) + "|" + text(r.codeSteps[1]) + "|" + text(r.codeSteps[2]);
}

}  // namespace brivel::testing
