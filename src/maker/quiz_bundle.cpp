#include "maker/quiz_bundle.h"

#include <algorithm>
#include <cstdio>
#include <initializer_list>

#include "quiz/lzw.h"
#include "quiz/quiz_loader.h"

namespace brivel {

namespace {

bool StartsWith(const std::vector<std::uint8_t>& bytes, std::initializer_list<std::uint8_t> sig) {
    return bytes.size() >= sig.size() && std::equal(sig.begin(), sig.end(), bytes.begin());
}

std::optional<std::vector<std::uint8_t>> Pack(const std::string& text, const char* what,
                                              MessageSink& sink, std::string& error) {
    CodecResult packed =
        LzwEncode(reinterpret_cast<const std::uint8_t*>(text.data()), text.size(), sink);
    if (packed.status != DecodeStatus::Ok) {
        error = std::string("cannot pack the ") + what + ": " + DecodeStatusName(packed.status);
        return std::nullopt;
    }
    return std::move(packed.bytes);
}

std::optional<std::string> Unpack(ResourceProvider& resources, std::uint16_t id, const char* what,
                                  MessageSink& sink, std::string& error) {
    const std::optional<std::vector<std::uint8_t>> packed =
        resources.Find(ResourceType::Named(kQuizResourceType), id);
    if (!packed) {
        error =
            std::string("no ") + what + " (" + kQuizResourceType + " " + std::to_string(id) + ")";
        return std::nullopt;
    }
    const CodecResult text = LzwDecode(packed->data(), packed->size(), sink);
    if (text.status != DecodeStatus::Ok) {
        error = std::string("the ") + what + " does not unpack: status " +
                std::to_string(static_cast<int>(text.status)) + ", " +
                DecodeStatusName(text.status);
        return std::nullopt;
    }
    return std::string(text.bytes.begin(), text.bytes.end());
}

}  // namespace

const char* PictureExtension(const std::vector<std::uint8_t>& bytes) {
    if (StartsWith(bytes, {0xFF, 0xD8, 0xFF})) {
        return ".jpg";
    }
    if (StartsWith(bytes, {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'})) {
        return ".png";
    }
    return nullptr;
}

std::optional<ResEntry> PictureResEntry(int index, const std::vector<std::uint8_t>& bytes) {
    const char* extension = PictureExtension(bytes);
    if (extension == nullptr) {
        return std::nullopt;
    }
    const ResourceType type = std::string(extension) == ".jpg"
                                  ? ResourceType::Named(kPictureResourceType)
                                  : ResourceType::Numbered(kRcData);
    return ResEntry{type, PictureResourceId(index), kUsEnglish, bytes};
}

std::optional<std::vector<ResEntry>> MakeQuizResources(const QuizTexts& texts, MessageSink& sink,
                                                       std::string& error) {
    std::optional<std::vector<std::uint8_t>> quizText =
        Pack(FormatQuizText(texts.text), "quiz text", sink, error);
    if (!quizText) {
        return std::nullopt;
    }
    std::optional<std::vector<std::uint8_t>> codesText =
        Pack(FormatCodesText(texts.codes), "codes text", sink, error);
    if (!codesText) {
        return std::nullopt;
    }
    std::vector<ResEntry> entries;
    const ResourceType patch = ResourceType::Named(kQuizResourceType);
    entries.push_back({patch, kQuizTextId, kUsEnglish, std::move(*quizText)});
    entries.push_back({patch, kCodesTextId, kUsEnglish, std::move(*codesText)});
    if (!texts.link.empty()) {
        entries.push_back({patch, kMakerLinkId, kUsEnglish, {texts.link.begin(), texts.link.end()}});
    }
    if (std::any_of(texts.descriptions.begin(), texts.descriptions.end(),
                    [](const std::string& description) { return !description.empty(); })) {
        std::string lines;
        for (const std::string& description : texts.descriptions) {
            lines += description + "\n";
        }
        entries.push_back({patch, kDescriptionsId, kUsEnglish, {lines.begin(), lines.end()}});
    }
    return entries;
}

std::optional<QuizTexts> ReadQuizTexts(ResourceProvider& resources, MessageSink& sink,
                                       std::string& error) {
    const std::optional<std::string> quizBytes =
        Unpack(resources, kQuizTextId, "quiz text", sink, error);
    if (!quizBytes) {
        return std::nullopt;
    }
    const std::optional<std::string> codesBytes =
        Unpack(resources, kCodesTextId, "codes text", sink, error);
    if (!codesBytes) {
        return std::nullopt;
    }
    std::optional<QuizText> text = ParseQuizText(*quizBytes);
    if (!text) {
        error = "the quiz text is malformed: cut short, or too many pictures or answers";
        return std::nullopt;
    }
    std::optional<std::vector<std::string>> codes =
        ParseCodesText(*codesBytes, static_cast<int>(text->pictures.size()));
    if (!codes) {
        error = "the codes text has fewer than " + std::to_string(text->pictures.size()) +
                " lines, one per picture";
        return std::nullopt;
    }
    QuizTexts texts{std::move(*text), std::move(*codes), {}, {}};
    const ResourceType patch = ResourceType::Named(kQuizResourceType);
    if (const std::optional<std::vector<std::uint8_t>> link = resources.Find(patch, kMakerLinkId)) {
        texts.link.assign(link->begin(), link->end());
    }
    if (const std::optional<std::vector<std::uint8_t>> lines =
            resources.Find(patch, kDescriptionsId)) {
        texts.descriptions = DescriptionLines(std::string(lines->begin(), lines->end()));
    }
    return texts;
}

}  // namespace brivel
