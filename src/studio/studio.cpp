// The studio's WebAssembly exports: the page's script is the screen, the
// files and the browser's picture codecs; the quiz being made, its checks,
// its pictures' preparation and every form it is written in are the maker
// library's, as `brivel` runs it. Each export converts its arguments, calls
// the library and sends the answers through the imports.

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <memory>
#include <new>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "maker/picture_folder.h"
#include "maker/picture_prep.h"
#include "maker/player_window.h"
#include "maker/quiz_bundle.h"
#include "maker/quiz_forms.h"
#include "play/grading.h"
#include "studio/browser_codec.h"
#include "studio/studio_fields.h"
#include "studio/studio_fonts.h"
#include "studio/studio_imports.h"
#include "text/cp1252.h"

#define BRIVEL_EXPORT(name) extern "C" __attribute__((export_name(#name)))

namespace {

using brivel::StudioField;

void Send(StudioField field, int index, std::string_view bytes) {
    brivel_studio_text(static_cast<int>(field), index, bytes.data(),
                       static_cast<int>(bytes.size()));
}

void Send(StudioField field, int index, const std::vector<std::uint8_t>& bytes) {
    Send(field, index, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

void SendNumber(StudioField field, int index, int value) {
    brivel_studio_number(static_cast<int>(field), index, value);
}

brivel::Quiz g_quiz;
std::unique_ptr<std::uint8_t[]> g_input;
std::size_t g_inputSize = 0;
brivel::BrowserCodec g_codec;
brivel::studio::CarriedFonts g_fonts;
// A quiz folder's files, given one by one before studio_open_folder.
std::vector<brivel::FolderFile> g_folder;

std::size_t Size(int size) {
    return size > 0 ? static_cast<std::size_t>(size) : 0;
}

std::string Input(std::size_t at, std::size_t size) {
    if (at > g_inputSize || size > g_inputSize - at) {
        return std::string();
    }
    return std::string(reinterpret_cast<const char*>(g_input.get()) + at, size);
}

std::vector<std::uint8_t> InputBytes(int size) {
    return std::vector<std::uint8_t>(g_input.get(),
                                     g_input.get() + std::min(Size(size), g_inputSize));
}

// The picture at index, or none.
brivel::Quiz::Picture* PictureAt(int index) {
    return index >= 0 && Size(index) < g_quiz.pictures.size() ? &g_quiz.pictures[Size(index)]
                                                              : nullptr;
}

// The forms by their studio_fields.h numbers, which count from 0.
constexpr brivel::QuizForm kForms[] = {
#define BRIVEL_STUDIO_QUIZ_FORM(name, number) brivel::QuizForm::name,
    BRIVEL_STUDIO_FORMS(BRIVEL_STUDIO_QUIZ_FORM)
#undef BRIVEL_STUDIO_QUIZ_FORM
};

// A problem as the page takes it: its field, then the tool's words, then the
// French shown beside the field.
void SendProblems(const std::vector<brivel::DescriptionProblem>& problems) {
    for (const brivel::DescriptionProblem& problem : problems) {
        const int warning = problem.warning ? 1 : 0;
        Send(StudioField::ProblemField, warning, problem.field);
        Send(StudioField::ProblemMessage, warning, problem.message);
        Send(StudioField::ProblemFrench, warning, problem.french);
    }
}

// The quiz opened, or -1 with the problems of a quiz folder and why it does
// not open (OpenFailure).
int Opened(brivel::OpenedQuiz opened) {
    if (opened.status != brivel::FormStatus::Ok) {
        SendProblems(opened.problems);
        Send(StudioField::OpenFailure, 0,
             std::string_view(brivel::FormStatusName(opened.status, brivel::Wording::French)));
        return -1;
    }
    g_quiz = std::move(opened.quiz);
    return static_cast<int>(g_quiz.pictures.size());
}

std::string* TextOf(brivel::StudioText text, int index) {
    using brivel::StudioText;
    if (text == StudioText::Answer || text == StudioText::Code) {
        brivel::Quiz::Picture* picture = PictureAt(index);
        return picture == nullptr           ? nullptr
               : text == StudioText::Answer ? &picture->answer
                                            : &picture->code;
    }
    return text == StudioText::Title         ? &g_quiz.title
           : text == StudioText::Author      ? &g_quiz.author
           : text == StudioText::Explanation ? &g_quiz.explanation
                                             : nullptr;
}

std::string* KeptText(brivel::StudioKept which, int index) {
    using brivel::StudioKept;
    if (index < 0) {
        return which == StudioKept::ExtraText1   ? &g_quiz.kept.extraText1
               : which == StudioKept::ExtraText2 ? &g_quiz.kept.extraText2
                                                 : nullptr;
    }
    brivel::Quiz::Picture* picture = PictureAt(index);
    return picture == nullptr                  ? nullptr
           : which == StudioKept::SecondAnswer ? &picture->secondAnswer
           : which == StudioKept::Location     ? &picture->location
           : which == StudioKept::Extra        ? &picture->extra
                                               : nullptr;
}

std::uint8_t* KeptByte(brivel::StudioKept which) {
    using brivel::StudioKept;
    brivel::Quiz::Kept& kept = g_quiz.kept;
    return which == StudioKept::Header              ? &kept.headerByte
           : which == StudioKept::FirstByte         ? &kept.firstByte
           : which == StudioKept::AnswersPerPicture ? &kept.answersPerPicture
           : which == StudioKept::Kind              ? &kept.kind
                                                    : nullptr;
}

constexpr int kKeptPerPicture = 16;

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
    brivel::Quiz::Picture picture;
    picture.name = Input(0, Size(nameSize));
    const std::uint8_t* bytes = g_input.get() + nameSize;
    picture.given.assign(bytes, bytes + size);
    const std::size_t at = std::min(Size(index), g_quiz.pictures.size());
    g_quiz.pictures.insert(g_quiz.pictures.begin() + static_cast<std::ptrdiff_t>(at),
                           std::move(picture));
    return static_cast<int>(at);
}

BRIVEL_EXPORT(studio_remove_picture) void studio_remove_picture(int index) {
    if (PictureAt(index) != nullptr) {
        g_quiz.pictures.erase(g_quiz.pictures.begin() + index);
    }
}

BRIVEL_EXPORT(studio_move_picture) void studio_move_picture(int from, int to) {
    if (PictureAt(from) == nullptr || PictureAt(to) == nullptr) {
        return;
    }
    brivel::Quiz::Picture moved = std::move(g_quiz.pictures[Size(from)]);
    g_quiz.pictures.erase(g_quiz.pictures.begin() + from);
    g_quiz.pictures.insert(g_quiz.pictures.begin() + to, std::move(moved));
}

BRIVEL_EXPORT(studio_clear) void studio_clear() {
    g_quiz = brivel::Quiz();
}

// The picture as stored byte for byte: one the quiz already held, opened
// again, or one the page encoded or prepared on its threads (the input's
// bytes). Only a PNG is prepared again (on the quiz colour): anything else's
// given bytes are those stored.
BRIVEL_EXPORT(studio_stored) void studio_stored(int index, int size) {
    if (brivel::Quiz::Picture* picture = PictureAt(index)) {
        brivel::StorePicture(*picture, InputBytes(size));
    }
}

// The file's bytes (the input's size bytes) of picture index, added without
// them: the page reads a file only when its turn to be prepared comes.
BRIVEL_EXPORT(studio_given) void studio_given(int index, int size) {
    if (brivel::Quiz::Picture* picture = PictureAt(index)) {
        picture->given = InputBytes(size);
    }
}

// Prepares picture index as `brivel pack` does, from the pixels the browser
// decoded (width x height RGBA in the input; 0 x 0 for a PNG, which our own
// decoder reads). Returns 0 when stored, 1 when the page must encode the
// pixels sent (EncodeWidth, EncodeHeight, EncodePixels) as JPEG, -1 when the
// picture cannot be held (PictureStatus says why).
BRIVEL_EXPORT(studio_prepare) int studio_prepare(int index, int width, int height) {
    if (PictureAt(index) == nullptr) {
        return -1;
    }
    brivel::Quiz::Picture& picture = *PictureAt(index);
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
        // The page's encoding comes back through studio_stored.
        brivel::StorePicture(picture, {});
        return 1;
    }
    brivel::StorePicture(picture, std::move(out));
    Send(StudioField::Stored, index, picture.stored);
    return 0;
}

// What preparing picture index needs of the browser: for a JPEG, the size
// to decode it at (DecodeWidth, DecodeHeight), the smallest of 1/1, 1/2,
// 1/4 and 1/8 that still covers what is stored, as TurboJPEG's scaled
// decoding gives the tool. Returns 1 for a JPEG, 0 for a PNG, -1 when it is
// neither or cannot be read (PictureStatus says why).
BRIVEL_EXPORT(studio_plan) int studio_plan(int index) {
    if (PictureAt(index) == nullptr) {
        return -1;
    }
    const brivel::Quiz::Picture& picture = *PictureAt(index);
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

// Opens the quiz file in the input (Windows, Linux, web, .res, or a quiz
// folder's .zip), replacing the quiz; its pictures still to be prepared, as
// given ones are. Returns the number of pictures, or -1 with OpenFailure
// (and a folder's problems as studio_check sends them).
BRIVEL_EXPORT(studio_open) int studio_open(int size) {
    return Opened(brivel::OpenQuiz(InputBytes(size), g_codec));
}

// The form of the file whose first size bytes are in the input, as its
// studio_fields.h Form number; -1 when it is no quiz.
BRIVEL_EXPORT(studio_quiz_form) int studio_quiz_form(int size) {
    const std::optional<brivel::QuizForm> form =
        brivel::RecogniseQuizForm(g_input.get(), std::min(Size(size), g_inputSize));
    for (std::size_t i = 0; form && i < std::size(kForms); ++i) {
        if (kForms[i] == *form) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

// One file of a quiz folder (its name, nameSize bytes, then its bytes).
BRIVEL_EXPORT(studio_folder_file) void studio_folder_file(int nameSize, int size) {
    if (nameSize < 0 || size < 0 || Size(nameSize) + Size(size) > g_inputSize) {
        return;
    }
    const std::uint8_t* bytes = g_input.get() + nameSize;
    g_folder.push_back({Input(0, Size(nameSize)), std::vector<std::uint8_t>(bytes, bytes + size)});
}

// Opens the folder given file by file, its quiz.toml in the input, as `brivel
// pack` reads it. Returns the number of pictures, or -1 with its problems
// (ProblemField, ProblemMessage) as studio_check sends them.
BRIVEL_EXPORT(studio_open_folder) int studio_open_folder(int size) {
    std::vector<brivel::FolderFile> files = std::move(g_folder);
    g_folder.clear();
    files.push_back({brivel::kDescriptionFileName, InputBytes(size)});
    return Opened(brivel::OpenQuizFiles(std::move(files), g_codec));
}

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
        const brivel::Quiz::Picture& picture = g_quiz.pictures[i];
        const int index = static_cast<int>(i);
        Send(StudioField::PictureName, index, picture.name);
        Send(StudioField::PictureAnswer, index, picture.answer);
        Send(StudioField::PictureCode, index, picture.code);
        Send(StudioField::PictureBytes, index, picture.given);
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
// message, and each picture's name in the quiz folder; returns the number of errors.
BRIVEL_EXPORT(studio_check) int studio_check() {
    static const brivel::FitCheck fit = brivel::tool::PlayerFitCheck(g_fonts);
    std::vector<brivel::DescriptionProblem> problems;
    brivel::CheckQuiz(g_quiz, problems, g_codec, fit);
    SendProblems(problems);
    const std::vector<std::string> names = brivel::PictureFileNames(g_quiz);
    for (std::size_t i = 0; i < names.size(); ++i) {
        Send(StudioField::FileName, static_cast<int>(i), names[i]);
    }
    return static_cast<int>(std::count_if(problems.begin(), problems.end(),
                                          [](const auto& problem) { return !problem.warning; }));
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
    if (PictureAt(index) == nullptr) {
        return -1;
    }
    const std::string answer = brivel::Utf8ToCp1252Lossy(PictureAt(index)->answer);
    const std::string typed = brivel::Utf8ToCp1252Lossy(Input(0, Size(size)));
    Send(StudioField::Verdict, index,
         brivel::Cp1252ToUtf8(brivel::VerdictText(brivel::Grade(answer, typed))));
    return 0;
}

// Writes the quiz in form (studio_fields.h's Form), the bare player of that
// form in the input, as Output. Returns 0, or -1 when the quiz has an error
// or the player cannot carry it.
BRIVEL_EXPORT(studio_write) int studio_write(int form, int playerSize) {
    if (form < 0 || Size(form) >= std::size(kForms)) {
        return -1;
    }
    const brivel::WrittenQuiz written =
        brivel::WriteQuiz(g_quiz, kForms[form], InputBytes(playerSize), g_codec);
    if (written.status != brivel::FormStatus::Ok) {
        return -1;
    }
    Send(StudioField::Output, form, written.bytes);
    return 0;
}

// The .res bundle of the quiz as it stands, for the preview (the web player's
// brivel_preview): made whatever the checks say, texts the players cannot
// show as "?", pictures not prepared yet left out; pictures 0 gives the texts
// alone, which is all that typing changes.
BRIVEL_EXPORT(studio_preview) int studio_preview(int pictures) {
    const std::string bundle = brivel::PreviewBundle(g_quiz, pictures != 0);
    if (bundle.empty()) {
        return -1;
    }
    Send(StudioField::Output, 0, bundle);
    return 0;
}
