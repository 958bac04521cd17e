// The studio's WebAssembly side: the quiz being made, its checks, picture
// preparation and every form it is written in, all by the maker library that
// `brivel` runs. The page's script is the screen, the files and the browser's
// picture codecs: it calls the exports below and reads the answers through
// the imports.

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "maker/appended_bundle_writer.h"
#include "maker/pe_resources.h"
#include "maker/picture_folder.h"
#include "maker/picture_prep.h"
#include "maker/player_window.h"
#include "maker/quiz_bundle.h"
#include "maker/quiz_description.h"
#include "maker/res_writer.h"
#include "maker/web_quiz.h"
#include "play/grading.h"
#include "quiz/appended_bundle.h"
#include "quiz/res_file.h"
#include "services/message_sink.h"
#include "services/quiz_resources.h"
#include "studio/browser_codec.h"
#include "studio/studio_fields.h"
#include "studio/studio_fonts.h"
#include "studio/studio_imports.h"
#include "studio/zip_writer.h"
#include "text/cp1252.h"

#define BRIVEL_EXPORT(name) extern "C" __attribute__((export_name(#name)))

namespace {

using brivel::StudioField;

void Send(StudioField field, int index, std::string_view bytes) {
    brivel_studio_text(static_cast<int>(field), index, bytes.data(),
                       static_cast<int>(bytes.size()));
}

void SendNumber(StudioField field, int index, int value) {
    brivel_studio_number(static_cast<int>(field), index, value);
}

struct Picture {
    std::string name;                  // as the maker's file was called
    std::vector<std::uint8_t> given;   // the file as dropped
    std::vector<std::uint8_t> stored;  // as the quiz holds it; empty until prepared
    std::string answer;                // UTF-8, as typed
    std::string code;
    // Kept from a quiz opened again, which the studio does not show: no player does.
    std::string secondAnswer;
    std::string location;
    std::string extra;
    // Preparing it failed: the file as given stands in for the checks, which
    // then say what the tool says of it, but no quiz is written.
    bool unusable = false;
};

// The keys no player shows, as an opened quiz gives them, so that saving it
// again changes nothing; written only when not the defaults.
struct Kept {
    std::string extraText1;
    std::string extraText2;
    std::uint8_t headerByte = 1;
    std::uint8_t firstByte = 0;
    std::uint8_t answersPerPicture = 1;
    std::uint8_t kind = 0;
};

struct Quiz {
    std::string title;
    std::string author;
    std::string explanation;
    std::array<std::uint8_t, 3> colour = {90, 95, 150};
    std::vector<Picture> pictures;
    Kept kept;
};

Quiz g_quiz;
std::unique_ptr<std::uint8_t[]> g_input;
std::size_t g_inputSize = 0;
brivel::BrowserCodec g_codec;
brivel::studio::CarriedFonts g_fonts;

std::string Input(std::size_t at, std::size_t size) {
    if (at > g_inputSize || size > g_inputSize - at) {
        return std::string();
    }
    return std::string(reinterpret_cast<const char*>(g_input.get()) + at, size);
}

std::size_t Size(int size) {
    return size > 0 ? static_cast<std::size_t>(size) : 0;
}

// The pictures' names in the quiz folder: the maker's own, with the extension
// of what is stored (a PNG laid on the quiz colour is a JPEG now), and a
// number added where two would meet.
std::vector<std::string> FileNames(const Quiz& quiz) {
    std::vector<std::string> names;
    for (const Picture& picture : quiz.pictures) {
        const char* extension =
            brivel::PictureExtension(picture.stored.empty() ? picture.given : picture.stored);
        // Neither JPEG nor PNG: named as given, as the checks then name it.
        std::string stem =
            extension != nullptr ? picture.name.substr(0, picture.name.rfind('.')) : picture.name;
        stem = stem.empty() ? std::string("image") : stem;
        const std::string ending = extension != nullptr ? extension : "";
        std::string name = stem + ending;
        for (int n = 2; std::find(names.begin(), names.end(), name) != names.end(); ++n) {
            name = stem + "-" + std::to_string(n) + ending;
        }
        names.push_back(name);
    }
    return names;
}

// The quiz.toml of the quiz folder, which is also what every check reads.
std::string Description(const Quiz& quiz, const std::vector<std::string>& names) {
    auto number = [](std::uint8_t value) { return std::to_string(static_cast<int>(value)); };
    std::string out =
        "# Made with Brivel Studio: `brivel pack` of this folder gives the same quiz.\n\n";
    out += "title = " + brivel::TomlQuoted(quiz.title) + "\n";
    out += "author = " + brivel::TomlQuoted(quiz.author) + "\n";
    out += "explanation = " + brivel::TomlQuoted(quiz.explanation) + "\n";
    out += "colour = [" + number(quiz.colour[0]) + ", " + number(quiz.colour[1]) + ", " +
           number(quiz.colour[2]) + "]\n";
    const Kept& kept = quiz.kept;
    const auto text = [&out](const char* key, const std::string& value) {
        out += value.empty() ? std::string() : key + (" = " + brivel::TomlQuoted(value) + "\n");
    };
    const auto byte = [&out, &number](const char* key, std::uint8_t value, std::uint8_t usual) {
        out += value == usual ? std::string() : key + (" = " + number(value) + "\n");
    };
    text("extra_text_1", kept.extraText1);
    text("extra_text_2", kept.extraText2);
    byte("header", kept.headerByte, 1);
    byte("first_byte", kept.firstByte, 0);
    byte("answers_per_picture", kept.answersPerPicture, 1);
    byte("kind", kept.kind, 0);
    for (std::size_t i = 0; i < quiz.pictures.size(); ++i) {
        const Picture& picture = quiz.pictures[i];
        out += "\n[[picture]]\n";
        out += "file = " + brivel::TomlQuoted(names[i]) + "\n";
        out += "answer = " + brivel::TomlQuoted(picture.answer) + "\n";
        if (kept.answersPerPicture == 2) {
            out += "second_answer = " + brivel::TomlQuoted(picture.secondAnswer) + "\n";
        }
        text("location", picture.location);
        if (brivel::ExtraFieldsPerPicture(kept.kind) > 0) {
            text("extra", picture.extra);
        }
        out += "code = " + brivel::TomlQuoted(picture.code) + "\n";
    }
    return out;
}

// The description checked as `brivel check` checks a folder, the stored
// pictures standing for its files.
std::optional<brivel::QuizDescription> Check(const Quiz& quiz,
                                             std::vector<brivel::DescriptionProblem>& problems) {
    const std::vector<std::string> names = FileNames(quiz);
    brivel::DescriptionSource source;
    source.file = brivel::kDescriptionFileName;
    source.text = Description(quiz, names);
    source.picture = [&quiz, &names](const std::string& name) {
        brivel::PictureFileRead file;
        file.path = name;
        const auto at = std::find(names.begin(), names.end(), name);
        if (at != names.end()) {
            const Picture& picture = quiz.pictures[static_cast<std::size_t>(at - names.begin())];
            file.found = true;
            if (picture.stored.empty()) {
                file.reason = "not prepared yet";
                file.frenchReason = "n'est pas encore prête";
            } else {
                file.bytes = picture.stored;
            }
        }
        return file;
    };
    // The browser decoded every picture when it came: headers are enough here.
    static const brivel::FitCheck fit = brivel::tool::PlayerFitCheck(g_fonts);
    return brivel::CheckQuizDescription(source, problems, g_codec, brivel::PictureCheck::Headers,
                                        fit);
}

// A problem as the page takes it: its field, then the tool's words, then the
// French shown beside the field.
void SendProblem(const brivel::DescriptionProblem& problem) {
    const int warning = problem.warning ? 1 : 0;
    Send(StudioField::ProblemField, warning, problem.field);
    Send(StudioField::ProblemMessage, warning, problem.message);
    Send(StudioField::ProblemFrench, warning, problem.french);
}

class NoMessages final : public brivel::MessageSink {
public:
    void ShowMessage(const char* /*text*/, const char* /*caption*/,
                     brivel::MessageIcon /*icon*/) override {}
};

std::optional<std::vector<brivel::ResEntry>> Resources() {
    std::vector<brivel::DescriptionProblem> problems;
    const std::optional<brivel::QuizDescription> description = Check(g_quiz, problems);
    if (!description) {
        return std::nullopt;
    }
    std::vector<std::vector<std::uint8_t>> pictures;
    for (const Picture& picture : g_quiz.pictures) {
        pictures.push_back(picture.stored);
    }
    NoMessages sink;
    std::string error;
    return brivel::MakeQuizResources(description->text, description->codes, pictures, sink, error);
}

std::string* TextOf(brivel::StudioText text, int index) {
    const bool perPicture = text == brivel::StudioText::Answer || text == brivel::StudioText::Code;
    if (perPicture && (index < 0 || Size(index) >= g_quiz.pictures.size())) {
        return nullptr;
    }
    switch (text) {
        case brivel::StudioText::Title:
            return &g_quiz.title;
        case brivel::StudioText::Author:
            return &g_quiz.author;
        case brivel::StudioText::Explanation:
            return &g_quiz.explanation;
        case brivel::StudioText::Answer:
            return &g_quiz.pictures[Size(index)].answer;
        case brivel::StudioText::Code:
            return &g_quiz.pictures[Size(index)].code;
    }
    return nullptr;
}

std::string Utf8(const std::string& cp1252) {
    return brivel::Cp1252ToUtf8(cp1252);
}

// The quiz of texts (Windows-1252) and pictures, as the studio edits it.
Quiz QuizOf(const brivel::QuizText& text, const std::vector<std::string>& codes,
            std::vector<Picture> pictures) {
    Quiz quiz;
    quiz.title = Utf8(text.title);
    quiz.author = Utf8(text.author);
    quiz.explanation = Utf8(text.explanation);
    quiz.colour = {text.red, text.green, text.blue};
    quiz.kept = {Utf8(text.extraText1), Utf8(text.extraText2),  text.headerByte,
                 text.firstByte,        text.answersPerPicture, text.kind};
    for (std::size_t i = 0; i < pictures.size() && i < text.pictures.size(); ++i) {
        Picture& picture = pictures[i];
        picture.answer = Utf8(text.pictures[i].answer);
        picture.secondAnswer = Utf8(text.pictures[i].altAnswer);
        picture.location = Utf8(text.pictures[i].location);
        picture.extra = Utf8(text.pictures[i].extraInfo);
        picture.code = i < codes.size() ? Utf8(codes[i]) : std::string();
        quiz.pictures.push_back(std::move(picture));
    }
    return quiz;
}

// The .res bundle of any of the four forms, or nothing with the reason, in
// the maker's French.
std::optional<brivel::ResReadResult> BundleOf(const std::vector<std::uint8_t>& bytes,
                                              std::string& reason) {
    const bool pe = bytes.size() >= 2 && bytes[0] == 'M' && bytes[1] == 'Z';
    if (pe) {
        brivel::PeReadResult read = brivel::ReadPeResources(bytes.data(), bytes.size());
        if (read.status != brivel::PeStatus::Ok) {
            reason = "ce programme n'est pas un quiz Brivel, ou il est abîmé";
            return std::nullopt;
        }
        brivel::ResReadResult result;
        result.entries = std::move(read.entries);
        return result;
    }
    std::vector<std::uint8_t> bundle = bytes;
    if (brivel::tool::IsWebPlayerPage(bytes)) {
        std::optional<std::vector<std::uint8_t>> carried = brivel::tool::BundleOfPage(bytes);
        if (!carried) {
            reason = "le quiz de cette page web est abîmé";
            return std::nullopt;
        }
        bundle = std::move(*carried);
    } else {
        std::size_t offset = 0;
        std::size_t length = 0;
        if (brivel::LocateBundle(bytes.data(), bytes.size(), offset, length) ==
            brivel::BundleStatus::Ok) {
            bundle.assign(bytes.begin() + static_cast<std::ptrdiff_t>(offset),
                          bytes.begin() + static_cast<std::ptrdiff_t>(offset + length));
        }
    }
    brivel::ResReadResult read = brivel::ReadResFile(bundle.data(), bundle.size());
    if (read.status != brivel::ResStatus::Ok) {
        reason = "ce fichier n'est pas un quiz Brivel, ou il est abîmé";
        return std::nullopt;
    }
    return read;
}

// A quiz folder's files, given one by one before studio_open_folder.
std::vector<std::pair<std::string, std::vector<std::uint8_t>>> g_folder;

}  // namespace

// Room for size bytes that the script then writes; the pointer it returns
// stays valid until the next call. None (null) when memory runs out.
BRIVEL_EXPORT(studio_input) std::uint8_t* studio_input(int size) {
    g_input.reset();
    g_inputSize = 0;
    if (size > 0) {
        g_input.reset(new (std::nothrow) std::uint8_t[Size(size)]);
        g_inputSize = g_input != nullptr ? Size(size) : 0;
    }
    return g_input.get();
}

// A text of the quiz (field: studio_fields.h's Text) from the input's size bytes.
BRIVEL_EXPORT(studio_set_text) void studio_set_text(int text, int index, int size) {
    if (std::string* field = TextOf(static_cast<brivel::StudioText>(text), index)) {
        *field = Input(0, Size(size));
    }
}

BRIVEL_EXPORT(studio_set_colour) void studio_set_colour(int rgb) {
    g_quiz.colour = {static_cast<std::uint8_t>(rgb >> 16), static_cast<std::uint8_t>(rgb >> 8),
                     static_cast<std::uint8_t>(rgb)};
}

// A picture file put at index: its name (nameSize bytes) then its bytes in
// the input. Returns its index, or -1.
BRIVEL_EXPORT(studio_add_picture) int studio_add_picture(int index, int nameSize, int size) {
    if (nameSize < 0 || size < 0 || Size(nameSize) + Size(size) > g_inputSize) {
        return -1;
    }
    Picture picture;
    picture.name = Input(0, Size(nameSize));
    const std::uint8_t* bytes = g_input.get() + nameSize;
    picture.given.assign(bytes, bytes + size);
    const std::size_t at = std::min(Size(index), g_quiz.pictures.size());
    g_quiz.pictures.insert(g_quiz.pictures.begin() + static_cast<std::ptrdiff_t>(at),
                           std::move(picture));
    return static_cast<int>(at);
}

BRIVEL_EXPORT(studio_remove_picture) void studio_remove_picture(int index) {
    if (index >= 0 && Size(index) < g_quiz.pictures.size()) {
        g_quiz.pictures.erase(g_quiz.pictures.begin() + index);
    }
}

BRIVEL_EXPORT(studio_move_picture) void studio_move_picture(int from, int to) {
    const std::size_t count = g_quiz.pictures.size();
    if (from < 0 || to < 0 || Size(from) >= count || Size(to) >= count) {
        return;
    }
    Picture moved = std::move(g_quiz.pictures[Size(from)]);
    g_quiz.pictures.erase(g_quiz.pictures.begin() + from);
    g_quiz.pictures.insert(g_quiz.pictures.begin() + to, std::move(moved));
}

BRIVEL_EXPORT(studio_clear) void studio_clear() {
    g_quiz = Quiz();
}

// The picture as stored byte for byte: one the quiz already held, opened
// again, or one the page encoded or prepared on its threads (the input's
// bytes). Only a PNG is prepared again (on the quiz colour): anything else's
// given bytes are those stored.
BRIVEL_EXPORT(studio_stored) void studio_stored(int index, int size) {
    if (index >= 0 && Size(index) < g_quiz.pictures.size()) {
        Picture& picture = g_quiz.pictures[Size(index)];
        const std::uint8_t* bytes = g_input.get();
        picture.stored.assign(bytes, bytes + std::min(Size(size), g_inputSize));
        const char* extension = brivel::PictureExtension(picture.given);
        if (extension == nullptr || std::string_view(extension) != ".png") {
            picture.given = picture.stored;
        }
    }
}

// The file's bytes (the input's size bytes) of picture index, added without
// them: the page reads a file only when its turn to be prepared comes.
BRIVEL_EXPORT(studio_given) void studio_given(int index, int size) {
    if (index >= 0 && Size(index) < g_quiz.pictures.size()) {
        const std::uint8_t* bytes = g_input.get();
        g_quiz.pictures[Size(index)].given.assign(bytes, bytes + std::min(Size(size), g_inputSize));
    }
}

// Prepares picture index as `brivel pack` does, from the pixels the browser
// decoded (width x height RGBA in the input; 0 x 0 for a PNG, which our own
// decoder reads). Returns 0 when stored, 1 when the page must encode the
// pixels sent (EncodeWidth, EncodeHeight, EncodePixels) as JPEG, -1 when the
// picture cannot be held (PictureStatus says why).
BRIVEL_EXPORT(studio_prepare) int studio_prepare(int index, int width, int height) {
    if (index < 0 || Size(index) >= g_quiz.pictures.size()) {
        return -1;
    }
    Picture& picture = g_quiz.pictures[Size(index)];
    g_codec.Decoded(g_input.get(), g_inputSize, width, height);
    brivel::PrepOptions options;
    options.red = g_quiz.colour[0];
    options.green = g_quiz.colour[1];
    options.blue = g_quiz.colour[2];
    brivel::PicturePlan plan;
    std::vector<std::uint8_t> out;
    std::string detail;
    const brivel::PrepStatus status = brivel::PreparePicture(
        g_codec, picture.given.data(), picture.given.size(), options, plan, out, &detail);
    g_codec.Decoded(nullptr, 0, 0, 0);
    picture.unusable = status != brivel::PrepStatus::Ok;
    if (picture.unusable) {
        picture.stored = picture.given;
        Send(StudioField::PictureStatus, index,
             brivel::PrepStatusName(status, brivel::Wording::French));
        return -1;
    }
    Send(StudioField::PlanText, index,
         brivel::DescribePlan(plan, options.quality, brivel::Wording::French));
    if (const brivel::RgbImage* pending = g_codec.PendingEncode()) {
        SendNumber(StudioField::EncodeWidth, index, pending->width);
        SendNumber(StudioField::EncodeHeight, index, pending->height);
        // As the canvas takes them, which spares the page a loop over each pixel.
        std::string rgba(pending->pixels.size() / 3 * 4, '\xff');
        for (std::size_t from = 0, to = 0; to < rgba.size(); from += 3, to += 4) {
            std::memcpy(&rgba[to], &pending->pixels[from], 3);
        }
        Send(StudioField::EncodePixels, index, rgba);
        g_codec.ForgetEncode();
        picture.stored.clear();
        if (!plan.png) {
            picture.given.clear();  // the page's encoding comes back through studio_stored
        }
        return 1;
    }
    picture.stored = std::move(out);
    // Only a transparent PNG is prepared again (on the quiz colour): a photo's
    // file as given need not stay.
    if (!plan.png) {
        picture.given = picture.stored;
        picture.given.shrink_to_fit();
    }
    Send(StudioField::Stored, index,
         std::string_view(reinterpret_cast<const char*>(picture.stored.data()),
                          picture.stored.size()));
    return 0;
}

// What preparing picture index needs of the browser: for a JPEG, the size
// to decode it at (DecodeWidth, DecodeHeight), the smallest of 1/1, 1/2,
// 1/4 and 1/8 that still covers what is stored, as TurboJPEG's scaled
// decoding gives the tool. Returns 1 for a JPEG, 0 for a PNG, -1 when it is
// neither or cannot be read (PictureStatus says why).
BRIVEL_EXPORT(studio_plan) int studio_plan(int index) {
    if (index < 0 || Size(index) >= g_quiz.pictures.size()) {
        return -1;
    }
    const Picture& picture = g_quiz.pictures[Size(index)];
    // Planned, a transparent PNG would be decoded whole only to learn that it
    // is: studio_prepare decodes it anyway, and says what is wrong with it.
    const char* extension = brivel::PictureExtension(picture.given);
    if (extension != nullptr && std::string_view(extension) == ".png") {
        return 0;
    }
    brivel::PicturePlan plan;
    std::string detail;
    const brivel::PrepStatus status =
        brivel::PlanPicture(g_codec, picture.given.data(), picture.given.size(), plan, &detail);
    if (status != brivel::PrepStatus::Ok) {
        Send(StudioField::PictureStatus, index,
             brivel::PrepStatusName(status, brivel::Wording::French));
        return -1;
    }
    if (plan.png) {
        return 0;
    }
    const bool swap = brivel::SwapsSides(plan.orientation);
    const bool reencode = plan.action != brivel::PrepAction::Keep;
    const int needWidth = reencode ? (swap ? plan.shownHeight : plan.shownWidth) : 1;
    const int needHeight = reencode ? (swap ? plan.shownWidth : plan.shownHeight) : 1;
    int scale = 8;
    while (scale > 1 && ((plan.width + scale - 1) / scale < needWidth ||
                         (plan.height + scale - 1) / scale < needHeight)) {
        scale /= 2;
    }
    SendNumber(StudioField::DecodeWidth, index, (plan.width + scale - 1) / scale);
    SendNumber(StudioField::DecodeHeight, index, (plan.height + scale - 1) / scale);
    return 1;
}

// Hides a JPEG's EXIF orientation in the input (1 when it had one): the
// browser then decodes the pixels as stored, and the library turns them as
// pack does.
BRIVEL_EXPORT(studio_hide_orientation) int studio_hide_orientation() {
    return brivel::HideJpegOrientation(g_input.get(), g_inputSize) > 0 ? 1 : 0;
}

// Opens the quiz file in the input (Windows, Linux, web or .res), replacing
// the quiz; its pictures still to be prepared, as given ones are. Returns
// the number of pictures, or -1 with OpenFailure.
BRIVEL_EXPORT(studio_open) int studio_open(int size) {
    const std::vector<std::uint8_t> bytes(g_input.get(),
                                          g_input.get() + std::min(Size(size), g_inputSize));
    std::string reason;
    std::optional<brivel::ResReadResult> read = BundleOf(bytes, reason);
    std::optional<brivel::QuizTexts> texts;
    if (read) {
        brivel::ResFileResources resources(std::move(read->entries));
        NoMessages sink;
        texts = brivel::ReadQuizTexts(resources, sink, reason);
        reason = "les textes de ce quiz sont abîmés";
        std::vector<Picture> pictures;
        for (std::size_t i = 0; texts && i < texts->text.pictures.size(); ++i) {
            std::optional<brivel::PictureResource> found =
                brivel::FindPicture(resources, brivel::PictureResourceId(static_cast<int>(i)));
            Picture picture;
            if (found) {
                picture.given = std::move(found->bytes);
            }
            const char* extension = brivel::PictureExtension(picture.given);
            char name[16];
            std::snprintf(name, sizeof name, "%02zu%s", i + 1, extension ? extension : "");
            picture.name = name;
            pictures.push_back(std::move(picture));
        }
        if (texts) {
            g_quiz = QuizOf(texts->text, texts->codes, std::move(pictures));
            return static_cast<int>(g_quiz.pictures.size());
        }
    }
    Send(StudioField::OpenFailure, 0, reason);
    return -1;
}

// One file of a quiz folder (its name, nameSize bytes, then its bytes).
BRIVEL_EXPORT(studio_folder_file) void studio_folder_file(int nameSize, int size) {
    if (nameSize < 0 || size < 0 || Size(nameSize) + Size(size) > g_inputSize) {
        return;
    }
    const std::uint8_t* bytes = g_input.get() + nameSize;
    g_folder.emplace_back(Input(0, Size(nameSize)), std::vector<std::uint8_t>(bytes, bytes + size));
}

// Opens the folder given file by file, its quiz.toml in the input, as `brivel
// pack` reads it. Returns the number of pictures, or -1 with its problems
// (ProblemField, ProblemMessage) as studio_check sends them.
BRIVEL_EXPORT(studio_open_folder) int studio_open_folder(int size) {
    brivel::DescriptionSource source;
    source.file = brivel::kDescriptionFileName;
    source.text = Input(0, Size(size));
    source.picture = [](const std::string& name) {
        brivel::PictureFileRead file;
        file.path = name;
        for (const auto& [given, bytes] : g_folder) {
            if (given == name) {
                file.found = true;
                file.bytes = bytes;
            }
        }
        return file;
    };
    std::vector<brivel::DescriptionProblem> problems;
    const std::optional<brivel::QuizDescription> description =
        brivel::CheckQuizDescription(source, problems, g_codec, brivel::PictureCheck::Headers);
    if (!description) {
        g_folder.clear();
        for (const brivel::DescriptionProblem& problem : problems) {
            SendProblem(problem);
        }
        return -1;
    }
    std::vector<Picture> pictures;
    for (const std::string& name : description->pictureFiles) {
        Picture picture;
        picture.name = name;
        picture.given = source.picture(name).bytes.value_or(std::vector<std::uint8_t>());
        pictures.push_back(std::move(picture));
    }
    g_folder.clear();
    g_quiz = QuizOf(description->text, description->codes, std::move(pictures));
    return static_cast<int>(g_quiz.pictures.size());
}

namespace {

std::string* KeptText(brivel::StudioKept which, int index) {
    using brivel::StudioKept;
    if (index < 0) {
        return which == StudioKept::ExtraText1   ? &g_quiz.kept.extraText1
               : which == StudioKept::ExtraText2 ? &g_quiz.kept.extraText2
                                                 : nullptr;
    }
    if (Size(index) >= g_quiz.pictures.size()) {
        return nullptr;
    }
    Picture& picture = g_quiz.pictures[Size(index)];
    return which == StudioKept::SecondAnswer ? &picture.secondAnswer
           : which == StudioKept::Location   ? &picture.location
           : which == StudioKept::Extra      ? &picture.extra
                                             : nullptr;
}

std::uint8_t* KeptByte(brivel::StudioKept which) {
    using brivel::StudioKept;
    Kept& kept = g_quiz.kept;
    return which == StudioKept::Header              ? &kept.headerByte
           : which == StudioKept::FirstByte         ? &kept.firstByte
           : which == StudioKept::AnswersPerPicture ? &kept.answersPerPicture
           : which == StudioKept::Kind              ? &kept.kind
                                                    : nullptr;
}

constexpr int kKeptPerPicture = 16;

}  // namespace

// The whole quiz as the page shows it, after opening one.
BRIVEL_EXPORT(studio_describe) void studio_describe() {
    Send(StudioField::QuizText, static_cast<int>(brivel::StudioText::Title), g_quiz.title);
    Send(StudioField::QuizText, static_cast<int>(brivel::StudioText::Author), g_quiz.author);
    Send(StudioField::QuizText, static_cast<int>(brivel::StudioText::Explanation),
         g_quiz.explanation);
    SendNumber(StudioField::QuizColour, 0,
               g_quiz.colour[0] << 16 | g_quiz.colour[1] << 8 | g_quiz.colour[2]);
    for (int which = 0; which <= static_cast<int>(brivel::StudioKept::Extra); ++which) {
        const auto kept = static_cast<brivel::StudioKept>(which);
        if (const std::string* text = KeptText(kept, -1)) {
            Send(StudioField::QuizKept, which, *text);
        } else if (const std::uint8_t* byte = KeptByte(kept)) {
            Send(StudioField::QuizKept, which, std::to_string(*byte));
        }
        for (std::size_t i = 0; i < g_quiz.pictures.size(); ++i) {
            if (const std::string* text = KeptText(kept, static_cast<int>(i))) {
                Send(StudioField::PictureKept, static_cast<int>(i) * kKeptPerPicture + which,
                     *text);
            }
        }
    }
    for (std::size_t i = 0; i < g_quiz.pictures.size(); ++i) {
        const Picture& picture = g_quiz.pictures[i];
        const int index = static_cast<int>(i);
        Send(StudioField::PictureName, index, picture.name);
        Send(StudioField::PictureAnswer, index, picture.answer);
        Send(StudioField::PictureCode, index, picture.code);
        Send(StudioField::PictureBytes, index,
             std::string_view(reinterpret_cast<const char*>(picture.given.data()),
                              picture.given.size()));
    }
}

// What the draft kept of an opened quiz (which: studio_fields.h's Kept) from
// the input, for the quiz (index -1) or a picture.
BRIVEL_EXPORT(studio_set_kept) void studio_set_kept(int which, int index, int size) {
    const auto kept = static_cast<brivel::StudioKept>(which);
    const std::string text = Input(0, Size(size));
    if (std::string* field = KeptText(kept, index)) {
        *field = text;
    } else if (std::uint8_t* byte = KeptByte(kept); byte != nullptr && index < 0) {
        *byte = static_cast<std::uint8_t>(std::atoi(text.c_str()));
    }
}

// Every problem `brivel check` would report, each as its field then its
// message; returns the number of errors.
BRIVEL_EXPORT(studio_check) int studio_check() {
    std::vector<brivel::DescriptionProblem> problems;
    Check(g_quiz, problems);
    int errors = 0;
    for (const brivel::DescriptionProblem& problem : problems) {
        errors += problem.warning ? 0 : 1;
        SendProblem(problem);
    }
    std::vector<std::string> names = FileNames(g_quiz);
    for (std::size_t i = 0; i < names.size(); ++i) {
        Send(StudioField::FileName, static_cast<int>(i), names[i]);
    }
    return errors;
}

// The input's names, each ended by a NUL, in `brivel new`'s order (NameOrder).
BRIVEL_EXPORT(studio_order) void studio_order(int size) {
    const std::string names = Input(0, Size(size));
    std::vector<std::string_view> given;
    for (std::size_t start = 0, end; (end = names.find('\0', start)) != std::string::npos;
         start = end + 1) {
        given.push_back(std::string_view(names).substr(start, end - start));
    }
    std::vector<std::uint32_t> order(given.size());
    for (std::size_t i = 0; i < order.size(); ++i) {
        order[i] = static_cast<std::uint32_t>(i);
    }
    std::stable_sort(order.begin(), order.end(), [&given](std::uint32_t a, std::uint32_t b) {
        return brivel::NaturalLess(given[a], given[b]);
    });
    Send(StudioField::NameOrder, 0,
         std::string_view(reinterpret_cast<const char*>(order.data()),
                          order.size() * sizeof order[0]));
}

// Grades the input (UTF-8, what a player types) against picture index's
// answer as the players do; the verdict comes as Verdict. -1 without one.
BRIVEL_EXPORT(studio_grade) int studio_grade(int index, int size) {
    if (index < 0 || Size(index) >= g_quiz.pictures.size()) {
        return -1;
    }
    const std::string answer = brivel::Utf8ToCp1252Lossy(g_quiz.pictures[Size(index)].answer);
    const std::string typed = brivel::Utf8ToCp1252Lossy(Input(0, Size(size)));
    Send(StudioField::Verdict, index,
         brivel::Cp1252ToUtf8(brivel::VerdictText(brivel::Grade(answer, typed))));
    return 0;
}

// Writes the quiz in form (studio_fields.h's Form), the bare player of that
// form in the input, as Output. Returns 0, or -1 when the quiz has an error
// or the player cannot carry it.
BRIVEL_EXPORT(studio_write) int studio_write(int form, int playerSize) {
    const auto which = static_cast<brivel::StudioForm>(form);
    const std::vector<std::string> names = FileNames(g_quiz);
    if (which == brivel::StudioForm::Description) {
        Send(StudioField::Output, form, Description(g_quiz, names));
        return 0;
    }
    const bool unusable = std::any_of(g_quiz.pictures.begin(), g_quiz.pictures.end(),
                                      [](const Picture& picture) { return picture.unusable; });
    const std::optional<std::vector<brivel::ResEntry>> entries =
        unusable ? std::nullopt : Resources();
    if (!entries) {
        return -1;
    }
    const std::string player = Input(0, Size(playerSize));
    std::optional<std::string> out;
    switch (which) {
        case brivel::StudioForm::Res:
            out = brivel::WriteResFile(*entries);
            break;
        case brivel::StudioForm::Web:
            out = brivel::tool::PutBundleInPage(player, brivel::WriteResFile(*entries));
            break;
        case brivel::StudioForm::Linux:
            out = brivel::AppendBundle(player, brivel::WriteResFile(*entries));
            break;
        case brivel::StudioForm::Windows: {
            brivel::PeWriteResult written = brivel::AddPeResources(
                reinterpret_cast<const std::uint8_t*>(player.data()), player.size(), *entries);
            if (written.status == brivel::PeStatus::Ok) {
                out = std::move(written.bytes);
            }
            break;
        }
        case brivel::StudioForm::Folder: {
            brivel::ZipWriter zip;
            zip.Add(brivel::kDescriptionFileName, Description(g_quiz, names));
            for (std::size_t i = 0; i < names.size(); ++i) {
                const std::vector<std::uint8_t>& bytes = g_quiz.pictures[i].stored;
                zip.Add(names[i], std::string(bytes.begin(), bytes.end()));
            }
            out = zip.Finish();
            break;
        }
        case brivel::StudioForm::Description:
            break;
    }
    if (!out || out->empty()) {
        return -1;
    }
    Send(StudioField::Output, form, *out);
    return 0;
}

// The .res bundle of the quiz as it stands, for the preview (the web player's
// brivel_preview): made whatever the checks say, texts the players cannot
// show as "?", pictures not prepared yet left out; pictures 0 gives the texts
// alone, which is all that typing changes.
BRIVEL_EXPORT(studio_preview) int studio_preview(int pictures) {
    const auto cp1252 = [](const std::string& utf8) { return brivel::Utf8ToCp1252Lossy(utf8); };
    brivel::QuizText text;
    text.title = cp1252(g_quiz.title);
    text.author = cp1252(g_quiz.author);
    text.explanation = cp1252(g_quiz.explanation);
    text.extraText1 = cp1252(g_quiz.kept.extraText1);
    text.extraText2 = cp1252(g_quiz.kept.extraText2);
    text.headerByte = g_quiz.kept.headerByte;
    text.firstByte = g_quiz.kept.firstByte;
    text.answersPerPicture = g_quiz.kept.answersPerPicture;
    text.kind = g_quiz.kept.kind;
    text.red = g_quiz.colour[0];
    text.green = g_quiz.colour[1];
    text.blue = g_quiz.colour[2];
    std::vector<std::string> codes;
    for (const Picture& picture : g_quiz.pictures) {
        text.pictures.push_back({cp1252(picture.answer), cp1252(picture.secondAnswer),
                                 cp1252(picture.location), cp1252(picture.extra)});
        codes.push_back(cp1252(picture.code));
    }
    NoMessages sink;
    std::string error;
    std::optional<std::vector<brivel::ResEntry>> entries =
        brivel::MakeQuizResources(text, codes, {}, sink, error);
    if (!entries) {
        return -1;
    }
    for (std::size_t i = 0; pictures != 0 && i < g_quiz.pictures.size(); ++i) {
        std::optional<brivel::ResEntry> picture =
            brivel::PictureResEntry(static_cast<int>(i), g_quiz.pictures[i].stored);
        if (picture) {
            entries->push_back(std::move(*picture));
        }
    }
    Send(StudioField::Output, 0, brivel::WriteResFile(*entries));
    return 0;
}
