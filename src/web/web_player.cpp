// The web player's WebAssembly side: the quiz record loaded from the page's
// .res bundle, play, grading and the progress text, all from the portable
// core. The page's script is the screen: it calls the exports below for
// every event and carries out the view through the imports of web_imports.h.

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "app/play_session.h"
#include "app/progress_format.h"
#include "app/window_layout.h"
#include "pictures/exif_orientation.h"
#include "pictures/fit.h"
#include "play/grading.h"
#include "play/play_state.h"
#include "quiz/quiz_loader.h"
#include "quiz/quiz_record.h"
#include "quiz/res_file.h"
#include "services/graphics.h"
#include "services/value_graphics.h"
#include "text/cp1252.h"
#include "text/fixed_text.h"
#include "web/header_text.h"
#include "web/web_imports.h"

#define BRIVEL_EXPORT(name) extern "C" __attribute__((export_name(#name)))

namespace {

using brivel::WebField;

void Send(WebField field, int index, std::string_view bytes) {
    brivel_js_text(static_cast<int>(field), index, bytes.data(), static_cast<int>(bytes.size()));
}

// Texts reach the screen as UTF-8, converted at this edge as the Linux player does.
void SendText(WebField field, int index, std::string_view cp1252) {
    Send(field, index, brivel::Cp1252ToUtf8(cp1252));
}

void SendNumber(WebField field, int index, int value) {
    brivel_js_number(static_cast<int>(field), index, value);
}

int PackedRgb(brivel::Rgb colour) {
    return colour.red << 16 | colour.green << 8 | colour.blue;
}

int Colour(brivel::BrushHandle brush) {
    const brivel::Rgb* colour = brivel::ValueGraphics::ColourOf(brush);
    return colour != nullptr ? PackedRgb(*colour) : -1;
}

class PageSink final : public brivel::MessageSink {
public:
    void ShowMessage(const char* text, const char* caption, brivel::MessageIcon icon) override {
        SendText(WebField::MessageCaption, static_cast<int>(icon), caption);
        SendText(WebField::MessageText, static_cast<int>(icon), text);
    }
};

class NoResources final : public brivel::ResourceProvider {
public:
    std::optional<std::vector<std::uint8_t>> Find(const brivel::ResourceType& /*type*/,
                                                  std::uint16_t /*id*/) override {
        return std::nullopt;
    }
};

class PageView final : public brivel::PlayView {
public:
    PageView(const brivel::QuizRecord& record, brivel::ResourceProvider& resources)
        : record_(record), resources_(resources) {}

    void ShowVerdict(std::string_view word) override {
        SendNumber(WebField::VerdictFill, 0, Colour(brivel::VerdictBrush(record_, word)));
        SendText(WebField::Verdict, 0, word);
    }
    void ShowProgress(std::string_view text) override { SendText(WebField::Progress, 0, text); }
    void ShowCode(std::string_view text) override { SendText(WebField::Code, 0, text); }
    // A JPEG "IMG", else the PNG fallback of the same id; the browser decodes
    // either. No picture empties the box.
    void ShowPicture(int index) override { SendPicture(WebField::Picture, index); }
    void SelectChooserEntry(int index) override { SendNumber(WebField::Chooser, 0, index); }
    void SetBoxText(std::string_view text) override { SendText(WebField::BoxText, 0, text); }
    std::string BoxText() override {
        // Three UTF-8 bytes per character at most for what Windows-1252 holds;
        // the script cuts longer texts on a character's edge.
        char utf8[3 * brivel::kTextMaxLength];
        const int length = brivel_js_box_text(utf8, static_cast<int>(sizeof utf8));
        return brivel::AsciiQuotes(brivel::BoxTextFromUtf8(
            std::string_view(utf8, length > 0 ? static_cast<std::size_t>(length) : 0)));
    }

    // The bytes of picture index for field: a JPEG "IMG", else the PNG
    // fallback of the same id, which the browser decodes as well; none when
    // the quiz lacks both.
    void SendPicture(WebField field, int index) {
        std::optional<brivel::PictureResource> picture =
            brivel::FindPicture(resources_, brivel::PictureResourceId(index));
        // A picture with an EXIF turn shows as stored, as in the desktop
        // players, whose decoders ignore the tag: the browser's would obey it.
        if (picture) {
            std::vector<std::uint8_t>& bytes = picture->bytes;
            brivel::HideJpegOrientation(bytes.data(), bytes.size());
            brivel::HidePngOrientation(bytes.data(), bytes.size());
        }
        Send(field, index,
             picture ? std::string_view(reinterpret_cast<const char*>(picture->bytes.data()),
                                        picture->bytes.size())
                     : std::string_view());
    }

private:
    const brivel::QuizRecord& record_;
    brivel::ResourceProvider& resources_;
};

// What a merge took, and the incoming texts of the slots it asks about.
struct Merged {
    int findsAdded = 0;
    int textsTaken = 0;
    std::vector<std::pair<int, std::string>> asked;
};

// The page holds one quiz for its whole life.
struct Player {
    brivel::ValueGraphics graphics;
    PageSink sink;
    std::unique_ptr<brivel::ResourceProvider> resources;
    std::unique_ptr<brivel::QuizRecord> record;
    std::unique_ptr<PageView> view;
    std::unique_ptr<brivel::PlayState> play;
    // The texts the browser held when this page last read or wrote them. A
    // slot that still holds its text here was not changed by this page, so
    // another page's newer text for it wins.
    std::vector<std::string> known;
    // The merge of a loaded file while the player is asked about its slots.
    Merged merged;
};

std::unique_ptr<Player> g_player;
// Where the script writes what it hands over: the bundle, a progress file,
// texts. Not zeroed: a call reads only the bytes the script wrote, and
// zeroing the bundle's room took milliseconds of a start.
std::unique_ptr<std::uint8_t[]> g_input;
std::size_t g_inputSize = 0;

std::string_view Input(std::size_t offset, std::size_t length) {
    if (offset > g_inputSize || length > g_inputSize - offset) {
        return {};
    }
    return {reinterpret_cast<const char*>(g_input.get()) + offset, length};
}

// The key under which the browser keeps this quiz's progress: 64 bits over
// every byte of the bundle, eight at a step. A start hashes the whole bundle
// before the engine has optimised anything, where a byte at a step took
// milliseconds.
std::string QuizKey(std::string_view bytes) {
    constexpr std::uint64_t kMultiplier = 0x9e3779b97f4a7c15ULL;
    std::uint64_t hash = 14695981039346656037ULL ^ bytes.size();
    const auto mix = [&hash](std::uint64_t word) {
        hash = (hash ^ word) * kMultiplier;
        hash ^= hash >> 29;
    };
    std::size_t at = 0;
    for (; bytes.size() - at >= sizeof(std::uint64_t); at += sizeof(std::uint64_t)) {
        std::uint64_t word = 0;
        std::memcpy(&word, bytes.data() + at, sizeof word);
        mix(word);
    }
    for (; at < bytes.size(); ++at) {
        mix(static_cast<std::uint8_t>(bytes[at]));
    }
    char hex[17];
    std::snprintf(hex, sizeof hex, "%016llx", static_cast<unsigned long long>(hash));
    return hex;
}

// The page's own text for each picture: its slot, or the box for the one on screen.
std::string OwnText(Player& player, int index) {
    return index == player.play->current()
               ? player.view->BoxText()
               : std::string(brivel::TextOf(player.record->typedAnswers[index]));
}

// Whether text finds picture k, as this page grades it.
bool Finds(const Player& player, int k, std::string_view text) {
    const brivel::PictureEntry* entry =
        brivel::PictureAt(*player.record, static_cast<std::uint32_t>(k));
    return entry != nullptr && brivel::Grade(brivel::TextOf(entry->answer),
                                             brivel::AsciiQuotes(text)) == brivel::Verdict::Correct;
}

// Puts text in slot k, graded as a start grades it, leaving the verdict of
// the picture on screen unless its own text changes.
void Take(Player& player, int k, std::string_view text) {
    brivel::CopyText(player.record->typedAnswers[k], text);
    if (k == player.play->current()) {
        player.view->SetBoxText(text);
        player.play->GradePicture(k, player.view->BoxText());
    } else {
        player.play->MarkFound(k, brivel::AsciiQuotes(text));
    }
}

// Merges incoming into this page's texts by MergeProgress (stored: see
// there): takes finds and new texts, and names the slots to ask about.
Merged Merge(Player& player, const std::vector<std::string>& incoming,
             const std::vector<std::string>& stored) {
    const int count = player.play->Count();
    std::vector<std::string> own;
    for (int k = 0; k < count; ++k) {
        own.push_back(OwnText(player, k));
    }
    const std::vector<brivel::SlotMerge> merges = brivel::MergeProgress(
        own, incoming, stored,
        [&player](int k, std::string_view text) { return Finds(player, k, text); });
    Merged merged;
    for (int k = 0; k < count; ++k) {
        const auto at = static_cast<std::size_t>(k);
        switch (merges[at]) {
            case brivel::SlotMerge::Keep:
                continue;
            case brivel::SlotMerge::Ask:
                merged.asked.emplace_back(k, incoming[at]);
                continue;
            case brivel::SlotMerge::TakeFind:
                ++merged.findsAdded;
                break;
            case brivel::SlotMerge::Take:
                ++merged.textsTaken;
                break;
        }
        Take(player, k, incoming[at]);
    }
    if (merged.findsAdded + merged.textsTaken > 0) {
        player.play->ShowFound();
    }
    return merged;
}

// Another page's save, by the merge's rule for it; what the browser holds
// becomes the known texts. A stored text that is no progress of this quiz
// changes nothing.
void Adopt(Player& player, std::string_view bytes) {
    const int count = player.play->Count();
    if (brivel::CheckProgress(bytes, brivel::ProgressSlots(*player.record)) !=
            brivel::ProgressCheck::Ok ||
        static_cast<int>(player.known.size()) != count) {
        return;
    }
    std::vector<std::string> newer = brivel::ParseProgress(bytes, count);
    Merge(player, newer, player.known);
    player.known = std::move(newer);
}

void Remember(Player& player) {
    player.known.clear();
    for (int k = 0; k < player.play->Count(); ++k) {
        player.known.emplace_back(brivel::TextOf(player.record->typedAnswers[k]));
    }
}

void SendFont(WebField field, brivel::FontHandle font) {
    if (font == nullptr) {
        return;
    }
    // Sized and weighted by the rule the other players draw with; the page
    // only names the result in CSS.
    const brivel::FontSpec& face = *brivel::ValueGraphics::FontOf(font);
    SendNumber(field, 0, brivel::PixelSizeOf(face));
    SendNumber(field, 1, brivel::IsBold(face) ? 1 : 0);
    SendNumber(field, 2, face.italic ? 1 : 0);
}

// The face the Linux player draws a control's text in (src/fltk FontOf).
brivel::web::PageFace WindowFace(const brivel::WindowControl& control) {
    const auto faceOf = [](const brivel::FontSpec& request) {
        const int size = brivel::PixelSizeOf(request);
        return brivel::web::PageFace{brivel::IsBold(request), request.italic, size > 0 ? size : 11};
    };
    const brivel::QuizRecord* record = g_player != nullptr ? g_player->record.get() : nullptr;
    switch (control.font) {
        case brivel::ControlFont::Title:
        case brivel::ControlFont::Progress: {
            if (record == nullptr) {
                break;
            }
            const brivel::FontHandle font = control.font == brivel::ControlFont::Title
                                                ? record->titleFont
                                                : record->progressFont;
            if (font != nullptr) {
                return faceOf(*brivel::ValueGraphics::FontOf(font));
            }
            break;
        }
        case brivel::ControlFont::Link:
            return faceOf(brivel::LinkFontSpec(control.h.pixels));
        case brivel::ControlFont::System:
            return {true, false, 13};
        case brivel::ControlFont::Gui:
        case brivel::ControlFont::None:
            break;
    }
    return {};  // DEFAULT_GUI_FONT as the Linux player draws it
}

const brivel::WindowControl* ControlNamed(std::string_view name) {
    for (const brivel::WindowControl* control : brivel::kWindowControls) {
        if (name == control->name) {
            return control;
        }
    }
    return nullptr;
}

void Describe(const brivel::QuizRecord& record) {
    SendText(WebField::Title, 0, record.title);
    SendText(WebField::Author, 0, record.author);
    SendText(WebField::Explanation, 0, record.explanation);
    SendText(WebField::Link, 0, record.linkText);
    Send(WebField::LinkAddress, 0, record.linkAddress);
    SendText(WebField::Status, 0, record.statusText);
    SendText(WebField::Progress, 0, brivel::ProgressText(0, record.pictureCount));
    SendNumber(WebField::BackColour, 0, Colour(record.backBrush));
    SendFont(WebField::TitleFont, record.titleFont);
    SendFont(WebField::ProgressFont, record.progressFont);
    const int count = std::clamp<int>(record.pictureCount, 0, brivel::kMaxPictures);
    for (int k = 1; k <= count; ++k) {
        SendText(WebField::ChooserLabel, k - 1, brivel::ChooserLabel(k));
    }
}

// A player of the quiz in resources: its record loaded, play at its start,
// the window's texts sent.
void Load(std::unique_ptr<brivel::ResourceProvider> resources) {
    g_player = std::make_unique<Player>();
    g_player->resources = std::move(resources);
    g_player->record = std::make_unique<brivel::QuizRecord>(g_player->graphics);
    brivel::LoadQuizRecord(*g_player->record, *g_player->resources, g_player->sink);
    g_player->view = std::make_unique<PageView>(*g_player->record, *g_player->resources);
    g_player->play = std::make_unique<brivel::PlayState>(*g_player->record, *g_player->view);
    Describe(*g_player->record);
    // Each picture's description, its name for a screen reader ("" for none).
    const std::optional<std::vector<std::uint8_t>> described = g_player->resources->Find(
        brivel::ResourceType::Named(brivel::kQuizResourceType), brivel::kDescriptionsId);
    const std::vector<std::string> descriptions = brivel::DescriptionLines(
        described ? std::string_view(reinterpret_cast<const char*>(described->data()),
                                     described->size())
                  : std::string_view());
    for (int k = 0; k < std::clamp<int>(g_player->record->pictureCount, 0, brivel::kMaxPictures);
         ++k) {
        const std::size_t at = static_cast<std::size_t>(k);
        Send(WebField::Description, k, at < descriptions.size() ? descriptions[at] : "");
    }
}

// The studio's preview: the texts of the latest bundle over the pictures of
// the last one that carried them, since typing changes only texts.
class PreviewResources final : public brivel::ResourceProvider {
public:
    PreviewResources(std::vector<brivel::ResEntry> texts,
                     std::shared_ptr<brivel::ResFileResources> pictures)
        : texts_(std::move(texts)), pictures_(std::move(pictures)) {}

    std::optional<std::vector<std::uint8_t>> Find(const brivel::ResourceType& type,
                                                  std::uint16_t id) override {
        std::optional<std::vector<std::uint8_t>> found = texts_.Find(type, id);
        // The texts' own resources (a link, descriptions) are the latest's, even when absent.
        const bool text = type.name == brivel::kQuizResourceType;
        return found || text || pictures_ == nullptr ? found : pictures_->Find(type, id);
    }

private:
    brivel::ResFileResources texts_;
    std::shared_ptr<brivel::ResFileResources> pictures_;
};

std::shared_ptr<brivel::ResFileResources> g_previewPictures;

}  // namespace

// Room for size bytes that the script then writes; the pointer it returns
// stays valid until the next call. None (null) when memory runs out.
BRIVEL_EXPORT(brivel_input) std::uint8_t* brivel_input(int size) {
    g_input.reset();
    g_inputSize = 0;
    if (size > 0) {
        g_input.reset(new (std::nothrow) std::uint8_t[static_cast<std::size_t>(size)]);
        g_inputSize = g_input != nullptr ? static_cast<std::size_t>(size) : 0;
    }
    return g_input.get();
}

// Loads the quiz from the .res bundle in the input (none: test mode). A
// damaged bundle plays the resources read before the damage.
BRIVEL_EXPORT(brivel_open) void brivel_open(int size) {
    const std::string_view bundle = Input(0, size > 0 ? static_cast<std::size_t>(size) : 0);
    std::unique_ptr<brivel::ResourceProvider> resources;
    if (bundle.empty()) {
        resources = std::make_unique<NoResources>();
    } else {
        brivel::ResReadResult read = brivel::ReadResFile(
            reinterpret_cast<const std::uint8_t*>(bundle.data()), bundle.size());
        resources = std::make_unique<brivel::ResFileResources>(std::move(read.entries));
    }
    Send(WebField::QuizKey, 0, QuizKey(bundle));
    Load(std::move(resources));
    // The browser decodes the picture a start shows while the start regrades.
    if (g_player->play->current() < g_player->record->pictureCount) {
        g_player->view->SendPicture(WebField::PictureBytes, g_player->play->current());
    }
}

// The studio's preview of the quiz in the input's bundle, as a player sees it
// once found pictures are found (the first ones) and picture is on screen. A
// bundle of texts alone (pictures 0) shows the pictures of the last bundle
// that had them. No key: a preview never reads nor keeps a progress.
BRIVEL_EXPORT(brivel_preview) void brivel_preview(int size, int pictures, int found, int picture) {
    const std::string_view bundle = Input(0, size > 0 ? static_cast<std::size_t>(size) : 0);
    brivel::ResReadResult read =
        brivel::ReadResFile(reinterpret_cast<const std::uint8_t*>(bundle.data()), bundle.size());
    // A bundle with pictures keeps them for the texts to come, and its own
    // texts (small) apart: they are the latest, which PreviewResources
    // never looks for among the pictures.
    std::vector<brivel::ResEntry> texts;
    if (pictures != 0) {
        for (const brivel::ResEntry& entry : read.entries) {
            if (entry.type.name == brivel::kQuizResourceType) {
                texts.push_back(entry);
            }
        }
        g_previewPictures = std::make_shared<brivel::ResFileResources>(std::move(read.entries));
    } else {
        texts = std::move(read.entries);
    }
    Load(std::make_unique<PreviewResources>(std::move(texts), g_previewPictures));
    brivel::QuizRecord& record = *g_player->record;
    brivel::PlayState& play = *g_player->play;
    // Found with their answers typed; found too while the maker has not
    // written an answer yet, so that the code steps show. Again once shown:
    // showing a picture grades it, which an empty answer never passes.
    const int count = std::min(found, play.Count());
    const auto findFirst = [&record, count]() {
        for (int k = 0; k < count; ++k) {
            brivel::PictureEntry* entry = brivel::PictureAt(record, static_cast<std::uint32_t>(k));
            if (entry == nullptr) {
                break;
            }
            brivel::CopyText(record.typedAnswers[k], brivel::TextOf(entry->answer));
            entry->found = 1;
        }
    };
    findFirst();
    // Choosing stores the box's text first: the preview's own typing stays out.
    g_player->view->SetBoxText(brivel::TextOf(record.typedAnswers[0]));
    play.ChoosePicture(std::clamp(picture, 0, std::max(play.Count() - 1, 0)));
    findFirst();
    play.ShowFound();
}

// Starts from the progress in the input, what the browser or the learning
// platform holds (text: UTF-8 rather than the file's Windows-1252): fills
// the answer slots, regrades every picture and shows the first, as a start
// does. A text that is no progress of this quiz is not taken: its reason is
// sent (ProgressSaid), play starts with nothing found, and -1 is returned.
BRIVEL_EXPORT(brivel_restore) int brivel_restore(int size, int text) {
    if (g_player == nullptr) {
        return -1;
    }
    std::optional<std::string> bytes(Input(0, size > 0 ? static_cast<std::size_t>(size) : 0));
    if (text != 0) {
        brivel::Cp1252Result converted = brivel::Utf8ToCp1252(*bytes);
        bytes = converted.ok ? std::optional(std::move(converted.text)) : std::nullopt;
    }
    const brivel::ProgressCheck check =
        bytes ? brivel::CheckProgress(*bytes, brivel::ProgressSlots(*g_player->record))
              : brivel::ProgressCheck::NotText;
    if (check != brivel::ProgressCheck::Ok) {
        SendText(WebField::ProgressSaid, 0, brivel::ProgressCheckText(check));
        bytes.reset();
    }
    brivel::RestoreProgress(*g_player->record, bytes.value_or(std::string()));
    brivel::StartSession(*g_player->record, *g_player->play, *g_player->view);
    Remember(*g_player);
    return check == brivel::ProgressCheck::Ok ? 0 : -1;
}

// Merges a progress file the player loads (the input) into this page's. One
// that is no progress of this quiz changes nothing: its reason is sent
// (ProgressSaid) and -1 returned. Else finds and texts for empty slots are
// taken at once, and the slots where each holds its own text and neither
// finds the picture are sent (MergeOwn, MergeIncoming) for the player to
// choose (brivel_merge_answer); returns their count, and with none sends what
// changed. Its texts count as this page's own changes at the next save.
BRIVEL_EXPORT(brivel_merge) int brivel_merge(int size) {
    if (g_player == nullptr) {
        return -1;
    }
    Player& player = *g_player;
    const std::string_view bytes = Input(0, size > 0 ? static_cast<std::size_t>(size) : 0);
    const brivel::ProgressCheck check =
        brivel::CheckProgress(bytes, brivel::ProgressSlots(*player.record));
    if (check != brivel::ProgressCheck::Ok) {
        SendText(WebField::ProgressSaid, 0, brivel::ProgressCheckText(check));
        return -1;
    }
    player.merged = Merge(player, brivel::ParseProgress(bytes, player.play->Count()), {});
    const Merged& merged = player.merged;
    for (const auto& [k, incoming] : merged.asked) {
        SendText(WebField::MergeOwn, k, OwnText(player, k));
        SendText(WebField::MergeIncoming, k, incoming);
    }
    if (merged.asked.empty()) {
        SendText(WebField::ProgressSaid, 0,
                 brivel::MergeSummary(merged.findsAdded, merged.textsTaken));
    }
    return static_cast<int>(merged.asked.size());
}

// The player's choice for the slots brivel_merge asked about: the file's
// texts (replace 1) or this page's; then sends what the merge changed.
BRIVEL_EXPORT(brivel_merge_answer) void brivel_merge_answer(int replace) {
    if (g_player == nullptr) {
        return;
    }
    Merged& merged = g_player->merged;
    for (const auto& [k, incoming] : merged.asked) {
        if (replace != 0) {
            ++merged.textsTaken;
            Take(*g_player, k, incoming);
        }
    }
    if (replace != 0 && !merged.asked.empty()) {
        g_player->play->ShowFound();
    }
    SendText(WebField::ProgressSaid, 0, brivel::MergeSummary(merged.findsAdded, merged.textsTaken));
    merged = Merged();
}

// How many pictures are found, and how many the quiz has: the score a
// learning platform keeps.
BRIVEL_EXPORT(brivel_found_count) int brivel_found_count() {
    return g_player != nullptr ? brivel::CountFound(*g_player->record) : 0;
}

BRIVEL_EXPORT(brivel_pictures) int brivel_pictures() {
    return g_player != nullptr ? g_player->play->Count() : 0;
}

// Another page of the same quiz stored the progress file in the input.
BRIVEL_EXPORT(brivel_adopt) void brivel_adopt(int size) {
    if (g_player != nullptr && size >= 0) {
        Adopt(*g_player, Input(0, static_cast<std::size_t>(size)));
    }
}

// The progress file's bytes, the box's text stored first as every save does.
// The browser's progress, in the input unless size is negative, is adopted
// first: a save never writes back another page's slot as this page last saw it.
BRIVEL_EXPORT(brivel_save) void brivel_save(int size) {
    if (g_player == nullptr) {
        return;
    }
    brivel_adopt(size);
    const std::string bytes = brivel::SessionProgress(*g_player->record, *g_player->play);
    Remember(*g_player);
    Send(WebField::ProgressFile, 0, bytes);
}

// The picture play is on, which the chooser must show whatever a move met.
BRIVEL_EXPORT(brivel_current) int brivel_current() {
    return g_player != nullptr ? g_player->play->current() : -1;
}

// Whether picture index is found (1) or not (0), for the name a screen reader
// gives it; -1 for no such picture.
BRIVEL_EXPORT(brivel_found) int brivel_found(int index) {
    if (g_player == nullptr || index < 0 || index >= g_player->play->Count()) {
        return -1;
    }
    const brivel::PictureEntry* entry =
        brivel::PictureAt(*g_player->record, static_cast<std::uint32_t>(index));
    return entry != nullptr && entry->found != 0 ? 1 : 0;
}

// The progress file's name for the page named by the UTF-8 input.
BRIVEL_EXPORT(brivel_progress_name) void brivel_progress_name(int size) {
    const auto name = Input(0, size > 0 ? static_cast<std::size_t>(size) : 0);
    Send(WebField::ProgressName, 0, brivel::ProgressFileName(name));
}

BRIVEL_EXPORT(brivel_next) void brivel_next() {
    if (g_player != nullptr) {
        g_player->play->NextPicture();
    }
}

BRIVEL_EXPORT(brivel_previous) void brivel_previous() {
    if (g_player != nullptr) {
        g_player->play->PreviousPicture();
    }
}

BRIVEL_EXPORT(brivel_choose) void brivel_choose(int index) {
    if (g_player != nullptr) {
        g_player->play->ChoosePicture(index);
    }
}

// Enter in the answer box, with the chooser's selection.
BRIVEL_EXPORT(brivel_submit) void brivel_submit(int index) {
    if (g_player != nullptr) {
        g_player->play->SubmitAnswer(index);
    }
}

// Sends the bytes of picture index (PictureBytes), for decoding ahead of a move.
BRIVEL_EXPORT(brivel_picture) void brivel_picture(int index) {
    if (g_player != nullptr && index >= 0 && index < g_player->record->pictureCount) {
        g_player->view->SendPicture(WebField::PictureBytes, index);
    }
}

// The size a picture of width x height is drawn at in a picture box of
// boxWidth x boxHeight, never one larger than the window's: width in the high
// 16 bits, height in the low ones.
BRIVEL_EXPORT(brivel_fit) int brivel_fit(int width, int height, int boxWidth, int boxHeight) {
    const brivel::FittedSize size =
        brivel::FitSize(width, height, std::min(boxWidth, brivel::kPictureBoxWidth),
                        std::min(boxHeight, brivel::kPictureBoxHeight));
    return size.width << 16 | size.height;
}

// The lines of a static text of the window: the UTF-8 text in the input,
// then the name of its control (its element's id). Shown as the window shows
// it (the lines that fit whole in the control's box, in the Linux player's
// face, as `brivel check` reports them); given a width (a phone's column,
// which has the room the window lacks), the whole text broken into lines of
// that width, in the carried face of pixelSize (style: 1 bold, 2 italic).
// Sends each line (Line) and returns their count, or -1 for no such control.
BRIVEL_EXPORT(brivel_lines)
int brivel_lines(int textSize, int nameSize, int width, int pixelSize, int style) {
    if (textSize < 0 || nameSize < 0) {
        return -1;
    }
    const std::string_view text = Input(0, static_cast<std::size_t>(textSize));
    const brivel::WindowControl* control =
        ControlNamed(Input(static_cast<std::size_t>(textSize), static_cast<std::size_t>(nameSize)));
    if (control == nullptr) {
        return -1;
    }
    const brivel::WindowRect box = brivel::PlaceInPanel(*control);
    const brivel::web::PageFace window = WindowFace(*control);
    const std::vector<std::string> lines =
        width > 0 && pixelSize > 0
            ? brivel::web::Lines(text, width, {(style & 1) != 0, (style & 2) != 0, pixelSize})
            : brivel::web::Lines(brivel::web::ShownPart(text, box, window), box.w, window);
    for (std::size_t k = 0; k < lines.size(); ++k) {
        Send(WebField::Line, static_cast<int>(k), lines[k]);
    }
    return static_cast<int>(lines.size());
}

// Grades the UTF-8 typed text against the UTF-8 answer, both in the input
// one after the other, as this page grades (`brivel grade` tells it where it
// differs from the desktop players'): the verdict's index, or -1 when a text
// does not fit Windows-1252.
BRIVEL_EXPORT(brivel_grade) int brivel_grade(int answerSize, int typedSize) {
    if (answerSize < 0 || typedSize < 0) {
        return -1;
    }
    const auto answer = brivel::Utf8ToCp1252(Input(0, static_cast<std::size_t>(answerSize)));
    const auto typed = brivel::Utf8ToCp1252(
        Input(static_cast<std::size_t>(answerSize), static_cast<std::size_t>(typedSize)));
    if (!answer.ok || !typed.ok) {
        return -1;
    }
    const brivel::Verdict verdict = brivel::Grade(answer.text, brivel::AsciiQuotes(typed.text));
    SendText(WebField::GradeWord, 0, brivel::VerdictText(verdict));
    return static_cast<int>(verdict);
}
