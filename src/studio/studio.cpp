// The studio's WebAssembly exports: the page's script is the screen, the
// files and the browser's picture codecs; the quiz being made, its checks,
// its pictures' preparation and every form it is written in are the maker
// library's, as `brivel` runs it. Each export converts its arguments, calls
// the library and sends the answers through the imports.

#include <algorithm>
#include <array>
#include <climits>
#include <cstdint>
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
#include "maker/tar_archive.h"
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
// A quiz opened, until the page takes it in place of g_quiz or not.
brivel::OpenedQuiz g_opened;
std::unique_ptr<std::uint8_t[]> g_input;
std::size_t g_inputSize = 0;
brivel::BrowserCodec g_codec;
brivel::studio::CarriedFonts g_fonts;
// A quiz folder's files, given one by one before studio_open_folder.
std::vector<brivel::FolderFile> g_folder;
// The last id given to a picture: ids are never given twice, so that a
// draft's bytes kept under one never pass for another picture's.
std::uint32_t g_lastId = 0;
// Counts every change to the pictures (their order, their bytes).
std::uint32_t g_stamp = 0;

std::size_t Size(int size) {
    return size > 0 ? static_cast<std::size_t>(size) : 0;
}

std::string Input(std::size_t at, std::size_t size) {
    if (at > g_inputSize || size > g_inputSize - at) {
        return std::string();
    }
    return std::string(reinterpret_cast<const char*>(g_input.get()) + at, size);
}

std::vector<std::uint8_t> InputBytes(std::size_t at, std::size_t size) {
    if (at > g_inputSize || size > g_inputSize - at) {
        return {};
    }
    return std::vector<std::uint8_t>(g_input.get() + at, g_input.get() + at + size);
}

std::vector<std::uint8_t> InputBytes(int size) {
    return InputBytes(0, std::min(Size(size), g_inputSize));
}

// Whether the input holds parts of these sizes, one after the other.
bool InputHolds(int first, int second, int third = 0) {
    return first >= 0 && second >= 0 && third >= 0 &&
           Size(first) + Size(second) + Size(third) <= g_inputSize;
}

std::vector<brivel::Quiz::Picture>::iterator Find(int id) {
    return std::find_if(g_quiz.pictures.begin(), g_quiz.pictures.end(),
                        [id](const brivel::Quiz::Picture& picture) {
                            return id > 0 && picture.id == static_cast<std::uint32_t>(id);
                        });
}

// The picture of that id, or none.
brivel::Quiz::Picture* PictureOf(int id) {
    const auto found = Find(id);
    return found != g_quiz.pictures.end() ? &*found : nullptr;
}

// Its bytes changed: the draft keeps them again, the preview shows them.
void BytesChanged(brivel::Quiz::Picture& picture) {
    picture.revision = ++g_stamp;
}

void GiveId(brivel::Quiz::Picture& picture) {
    picture.id = ++g_lastId;
    BytesChanged(picture);
}

// The forms by their studio_fields.h numbers, which count from 0.
constexpr brivel::QuizForm kForms[] = {
#define BRIVEL_STUDIO_QUIZ_FORM(name, number) brivel::QuizForm::name,
    BRIVEL_STUDIO_FORMS(BRIVEL_STUDIO_QUIZ_FORM)
#undef BRIVEL_STUDIO_QUIZ_FORM
};

// A problem as the page takes it: its field, then the tool's words, then the
// French shown beside the field, each with its severity (0 error, 1 warning,
// 2 info).
void SendProblems(const std::vector<brivel::DescriptionProblem>& problems) {
    for (const brivel::DescriptionProblem& problem : problems) {
        const int severity = static_cast<int>(problem.severity);
        Send(StudioField::ProblemField, severity, problem.field);
        Send(StudioField::ProblemMessage, severity, problem.message);
        Send(StudioField::ProblemFrench, severity, problem.french);
    }
}

// The quiz opened, kept aside for studio_use_opened, or -1 with the problems
// of a quiz folder and why it does not open (OpenFailure).
int Opened(brivel::OpenedQuiz opened) {
    g_opened = brivel::OpenedQuiz();
    if (opened.status != brivel::FormStatus::Ok) {
        SendProblems(opened.problems);
        Send(StudioField::OpenFailure, 0,
             std::string_view(brivel::FormStatusName(opened.status, brivel::Wording::French)));
        return -1;
    }
    g_opened = std::move(opened);
    return static_cast<int>(g_opened.quiz.pictures.size());
}

// Text number text (kQuizTexts) of the quiz (id 0) or of the picture of that id.
std::string* TextOf(int text, int id) {
    if (text < 0 || Size(text) >= std::size(brivel::kQuizTexts)) {
        return nullptr;
    }
    const brivel::QuizTextKey& key = brivel::kQuizTexts[text];
    if (id == 0) {
        return key.quiz != nullptr ? &(g_quiz.*key.quiz) : nullptr;
    }
    brivel::Quiz::Picture* picture = PictureOf(id);
    return picture != nullptr && key.picture != nullptr ? &(picture->*key.picture) : nullptr;
}

int Rgb(const std::array<std::uint8_t, 3>& colour) {
    return colour[0] << 16 | colour[1] << 8 | colour[2];
}

// Why the picture cannot be held, as the checks say it, naming its file.
std::string Refusal(const brivel::Quiz::Picture& picture, brivel::PrepStatus status,
                    const brivel::PicturePlan& plan, const std::string& detail) {
    return "l'image " + picture.name + " " +
           brivel::PictureRefusal(status, picture.given.data(), picture.given.size(), plan, detail)
               .french;
}

bool IsPng(const std::vector<std::uint8_t>& bytes) {
    const char* extension = brivel::PictureExtension(bytes);
    return extension != nullptr && std::string_view(extension) == ".png";
}

// Whether a picture may have transparent areas, which lie on the quiz colour.
bool OnColour(const std::vector<std::uint8_t>& given) {
    return IsPng(given) || brivel::OtherPictureKind(given.data(), given.size()) != nullptr;
}

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

// Text number text (the page's Text) of the quiz (id 0) or of a picture,
// from the input's size bytes.
BRIVEL_EXPORT(studio_set_text) void studio_set_text(int text, int id, int size) {
    if (std::string* field = TextOf(text, id)) {
        *field = Input(0, Size(size));
    }
}

BRIVEL_EXPORT(studio_set_colour) void studio_set_colour(int rgb) {
    g_quiz.colour = {static_cast<std::uint8_t>(rgb >> 16), static_cast<std::uint8_t>(rgb >> 8),
                     static_cast<std::uint8_t>(rgb)};
}

BRIVEL_EXPORT(studio_colour) int studio_colour() {
    return Rgb(g_quiz.colour);
}

// A picture file added last: its name (nameSize bytes) then its bytes (none
// while the page has not read them) in the input. Returns its id, or -1.
BRIVEL_EXPORT(studio_add_picture) int studio_add_picture(int nameSize, int size) {
    if (!InputHolds(nameSize, size) || g_lastId >= INT_MAX) {
        return -1;
    }
    brivel::Quiz::Picture& picture = g_quiz.pictures.emplace_back();
    picture.name = Input(0, Size(nameSize));
    picture.given = InputBytes(Size(nameSize), Size(size));
    GiveId(picture);
    return static_cast<int>(picture.id);
}

BRIVEL_EXPORT(studio_remove_picture) void studio_remove_picture(int id) {
    if (const auto found = Find(id); found != g_quiz.pictures.end()) {
        g_quiz.pictures.erase(found);
        ++g_stamp;
    }
}

// The picture of that id put at place to.
BRIVEL_EXPORT(studio_move_picture) void studio_move_picture(int id, int to) {
    const auto found = Find(id);
    if (found == g_quiz.pictures.end() || to < 0 || Size(to) >= g_quiz.pictures.size()) {
        return;
    }
    brivel::Quiz::Picture moved = std::move(*found);
    g_quiz.pictures.erase(found);
    g_quiz.pictures.insert(g_quiz.pictures.begin() + to, std::move(moved));
    ++g_stamp;
}

BRIVEL_EXPORT(studio_clear) void studio_clear() {
    g_quiz = brivel::Quiz();
    ++g_stamp;
}

// Whether the quiz is as new (1), nothing in it that starting another would lose.
BRIVEL_EXPORT(studio_empty) int studio_empty() {
    const bool typed = std::any_of(std::begin(brivel::kQuizTexts), std::end(brivel::kQuizTexts),
                                   [](const brivel::QuizTextKey& key) {
                                       return key.quiz != nullptr && !(g_quiz.*key.quiz).empty();
                                   });
    return !typed && g_quiz.pictures.empty() ? 1 : 0;
}

// The picture as stored byte for byte, as the page's threads prepared it or
// the page encoded it: in the input, its note (noteSize bytes; none leaves
// it as it is), its file as given (givenSize bytes; none: as the module has
// it), then its size bytes stored. Only a PNG or a picture of another kind
// (WebP, GIF, ...) is prepared again (on the quiz colour): a JPEG's given
// bytes are those stored. Returns 1 for a picture laid on the quiz colour,
// else 0; -1 when it is gone.
BRIVEL_EXPORT(studio_stored) int studio_stored(int id, int noteSize, int givenSize, int size) {
    brivel::Quiz::Picture* picture = PictureOf(id);
    if (picture == nullptr || !InputHolds(noteSize, givenSize, size)) {
        return -1;
    }
    if (noteSize > 0) {
        picture->note = Input(0, Size(noteSize));
    }
    if (givenSize > 0) {
        picture->given = InputBytes(Size(noteSize), Size(givenSize));
    }
    picture->unusable = false;
    brivel::StorePicture(*picture, InputBytes(Size(noteSize) + Size(givenSize), Size(size)));
    BytesChanged(*picture);
    return OnColour(picture->given) ? 1 : 0;
}

// The file's bytes (the input's size bytes) of a picture added without
// them: the page reads a file only when its turn to be prepared comes.
BRIVEL_EXPORT(studio_given) int studio_given(int id, int size) {
    brivel::Quiz::Picture* picture = PictureOf(id);
    if (picture == nullptr) {
        return -1;
    }
    picture->given = InputBytes(size);
    BytesChanged(*picture);
    return 0;
}

// A picture's bytes (which: 1 its file as given, where that is not what is
// stored, as Given; 2 what is stored, as Stored; 3 both). -1 when it is gone.
BRIVEL_EXPORT(studio_bytes) int studio_bytes(int id, int which) {
    const brivel::Quiz::Picture* picture = PictureOf(id);
    if (picture == nullptr) {
        return -1;
    }
    // One that cannot be held stores its file only for the checks to name it.
    const bool stored = !picture->unusable && !picture->stored.empty();
    if ((which & 1) != 0 && !picture->given.empty() &&
        (!stored || picture->given != picture->stored)) {
        Send(StudioField::Given, id, picture->given);
    }
    if ((which & 2) != 0 && stored) {
        Send(StudioField::Stored, id, picture->stored);
    }
    return 0;
}

// Prepares a picture as `brivel pack` does, from the pixels the browser
// decoded (width x height RGBA in the input; 0 x 0 for a PNG, which our own
// decoder reads, for a picture the browser could not decode, or for a JPEG
// decoded here after studio_decode_jpegs_here; -1 x 0 when it decodes no
// picture of that kind), its note saying how. Returns 0 when stored (Stored),
// 1 when the page must encode the pixels sent (EncodeWidth, EncodeHeight,
// EncodePixels) as JPEG, -1 when the picture cannot be held (PictureStatus
// and its note say why) or is gone, -2 when the JPEG is left to the browser
// to decode (damaged or CMYK), nothing changed.
BRIVEL_EXPORT(studio_prepare) int studio_prepare(int id, int width, int height) {
    if (PictureOf(id) == nullptr) {
        return -1;
    }
    brivel::Quiz::Picture& picture = *PictureOf(id);
    if (width < 0) {
        if (const char* kind =
                brivel::OtherPictureKind(picture.given.data(), picture.given.size())) {
            g_codec.ReadsNo(kind);
        }
    }
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
    if (g_codec.LeftToBrowser()) {
        return -2;
    }
    picture.unusable = status != brivel::PrepStatus::Ok;
    BytesChanged(picture);
    if (picture.unusable) {
        picture.stored = picture.given;
        picture.note = Refusal(picture, status, plan, detail);
        Send(StudioField::PictureStatus, id, picture.note);
        return -1;
    }
    picture.note = brivel::DescribePlan(plan, options.quality, brivel::Wording::French);
    Send(StudioField::PlanText, id, picture.note);
    if (const brivel::RgbImage* pending = g_codec.PendingEncode()) {
        SendNumber(StudioField::EncodeWidth, id, pending->width);
        SendNumber(StudioField::EncodeHeight, id, pending->height);
        // As the canvas takes them, which spares the page a loop over each pixel.
        std::string rgba(pending->pixels.size() / 3 * 4, '\xff');
        for (std::size_t from = 0, to = 0; to < rgba.size(); from += 3, to += 4) {
            std::memcpy(&rgba[to], &pending->pixels[from], 3);
        }
        Send(StudioField::EncodePixels, id, rgba);
        g_codec.ForgetEncode();
        // The page's encoding comes back through studio_stored.
        brivel::StorePicture(picture, {});
        return 1;
    }
    brivel::StorePicture(picture, std::move(out));
    Send(StudioField::Stored, id, picture.stored);
    return 0;
}

// What preparing a picture needs of the browser: for a JPEG, the size
// to decode it at (DecodeWidth, DecodeHeight), the smallest of 1/1, 1/2,
// 1/4 and 1/8 that still covers what is stored, as TurboJPEG's scaled
// decoding gives the tool. Returns 1 for a JPEG, 0 for a PNG, 2 for a picture
// of another kind that the browser may decode (whole and upright), -1 when it
// is none of these or cannot be read (PictureStatus says why).
BRIVEL_EXPORT(studio_plan) int studio_plan(int id) {
    if (PictureOf(id) == nullptr) {
        return -1;
    }
    const brivel::Quiz::Picture& picture = *PictureOf(id);
    // Planned, a transparent PNG would be decoded whole only to learn that it
    // is: studio_prepare decodes it anyway, and says what is wrong with it.
    if (IsPng(picture.given)) {
        return 0;
    }
    const char* kind = brivel::OtherPictureKind(picture.given.data(), picture.given.size());
    if (kind != nullptr && g_codec.ReadsKind(kind) &&
        !brivel::OtherPictureTooLarge(picture.given.data(), picture.given.size())) {
        Send(StudioField::Kind, id, kind);
        return 2;
    }
    brivel::PicturePlan plan;
    std::string detail;
    const brivel::PrepStatus status =
        brivel::PlanPicture(g_codec, picture.given.data(), picture.given.size(), plan, &detail);
    if (status != brivel::PrepStatus::Ok) {
        Send(StudioField::PictureStatus, id, Refusal(picture, status, plan, detail));
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
    SendNumber(StudioField::DecodeWidth, id, (plan.width + scale - 1) / scale);
    SendNumber(StudioField::DecodeHeight, id, (plan.height + scale - 1) / scale);
    return 1;
}

// From now on JPEGs are decoded here when handed in without pixels: for the
// page's threads, which make their instance anew when a JPEG traps.
BRIVEL_EXPORT(studio_decode_jpegs_here) void studio_decode_jpegs_here() {
    g_codec.DecodeJpegsHere();
}

// Hides a JPEG's EXIF orientation in the input (1 when it had one): the
// browser then decodes the pixels as stored, and the library turns them as
// pack does.
BRIVEL_EXPORT(studio_hide_orientation) int studio_hide_orientation() {
    return brivel::HideJpegOrientation(g_input.get(), g_inputSize) > 0 ? 1 : 0;
}

// Opens the quiz file in the input (Windows, Linux, web, .res, or a quiz
// folder's .zip), kept aside until studio_use_opened: its pictures still to
// be prepared, as given ones are. Returns the number of pictures, or -1 with
// OpenFailure (and a folder's problems as studio_check sends them).
BRIVEL_EXPORT(studio_open) int studio_open(int size) {
    return Opened(brivel::OpenQuiz(InputBytes(size), g_codec));
}

// The form that the first size bytes of a file (in the input) show, as its
// studio_fields.h Form number; -1 when it is no quiz.
BRIVEL_EXPORT(studio_quiz_form) int studio_quiz_form(int size) {
    const std::optional<brivel::QuizForm> form =
        brivel::RecogniseQuizForm(g_input.get(), std::min(Size(size), g_inputSize), false);
    for (std::size_t i = 0; form && i < std::size(kForms); ++i) {
        if (kForms[i] == *form) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

// One file of a quiz folder (its name, nameSize bytes, then its bytes).
BRIVEL_EXPORT(studio_folder_file) void studio_folder_file(int nameSize, int size) {
    if (InputHolds(nameSize, size)) {
        g_folder.push_back({Input(0, Size(nameSize)), InputBytes(Size(nameSize), Size(size))});
    }
}

// Opens the folder given file by file, its quiz.toml in the input, as `brivel
// pack` reads it, as studio_open does.
BRIVEL_EXPORT(studio_open_folder) int studio_open_folder(int size) {
    std::vector<brivel::FolderFile> files = std::move(g_folder);
    g_folder.clear();
    files.push_back({brivel::kDescriptionFileName, InputBytes(size)});
    return Opened(brivel::OpenQuizFiles(std::move(files), g_codec));
}

// The quiz last opened in place of the one being made (use 1), or dropped
// (0). Returns the number of pictures.
BRIVEL_EXPORT(studio_use_opened) int studio_use_opened(int use) {
    if (use != 0 && g_opened.status == brivel::FormStatus::Ok) {
        g_quiz = std::move(g_opened.quiz);
        for (brivel::Quiz::Picture& picture : g_quiz.pictures) {
            GiveId(picture);
        }
        ++g_stamp;
    }
    g_opened = brivel::OpenedQuiz();
    return static_cast<int>(g_quiz.pictures.size());
}

// The quiz as the page shows it: its colour and texts (Text), then each
// picture in order (Picture, its id), its texts, note and state. Returns
// the number of pictures.
BRIVEL_EXPORT(studio_view) int studio_view() {
    SendNumber(StudioField::Colour, 0, Rgb(g_quiz.colour));
    const auto texts = [](const auto& owner, auto brivel::QuizTextKey::*member) {
        for (std::size_t i = 0; i < std::size(brivel::kQuizTexts); ++i) {
            if (const auto field = brivel::kQuizTexts[i].*member) {
                Send(StudioField::Text, static_cast<int>(i), owner.*field);
            }
        }
    };
    texts(g_quiz, &brivel::QuizTextKey::quiz);
    for (std::size_t i = 0; i < g_quiz.pictures.size(); ++i) {
        const brivel::Quiz::Picture& picture = g_quiz.pictures[i];
        SendNumber(StudioField::Picture, static_cast<int>(i), static_cast<int>(picture.id));
        texts(picture, &brivel::QuizTextKey::picture);
        Send(StudioField::Note, 0, picture.note);
        SendNumber(StudioField::Unusable, 0, picture.unusable ? 1 : 0);
        SendNumber(StudioField::StoredSize, 0,
                   picture.unusable ? 0 : static_cast<int>(picture.stored.size()));
        SendNumber(StudioField::OnColour, 0, OnColour(picture.given) ? 1 : 0);
        SendNumber(StudioField::Revision, static_cast<int>(picture.id),
                   static_cast<int>(picture.revision));
    }
    return static_cast<int>(g_quiz.pictures.size());
}

// Counts the changes to the pictures, their order and bytes: the same
// number, the same pictures.
BRIVEL_EXPORT(studio_revision) int studio_revision() {
    return static_cast<int>(g_stamp);
}

// The quiz as its draft keeps it (Record), then each picture it keeps as
// Revision (index: its id), whose bytes studio_bytes gives.
BRIVEL_EXPORT(studio_record) void studio_record() {
    Send(StudioField::Record, 0, brivel::FormatQuizRecord(g_quiz));
    for (const brivel::Quiz::Picture& picture : g_quiz.pictures) {
        if (!picture.given.empty() || !picture.stored.empty()) {
            SendNumber(StudioField::Revision, static_cast<int>(picture.id),
                       static_cast<int>(picture.revision));
        }
    }
}

// The quiz of a draft's record (the input's size bytes) in place of the one
// being made, its pictures' bytes still to come (studio_restore_bytes).
// Returns the number of pictures, or -1 when the record does not read.
BRIVEL_EXPORT(studio_restore) int studio_restore(int size) {
    std::optional<brivel::Quiz> quiz = brivel::ReadQuizRecord(Input(0, Size(size)));
    if (!quiz) {
        return -1;
    }
    g_quiz = std::move(*quiz);
    for (const brivel::Quiz::Picture& picture : g_quiz.pictures) {
        g_lastId = std::max(g_lastId, picture.id);
    }
    for (auto picture = g_quiz.pictures.begin(); picture != g_quiz.pictures.end(); ++picture) {
        // A record of no page: an id missing, or said twice.
        if (picture->id == 0 || picture->id > INT_MAX ||
            std::any_of(g_quiz.pictures.begin(), picture,
                        [&picture](const auto& earlier) { return earlier.id == picture->id; })) {
            picture->id = ++g_lastId;
        }
    }
    ++g_stamp;
    return static_cast<int>(g_quiz.pictures.size());
}

// A restored picture's bytes from its draft: its file as given (givenSize
// bytes; none when it is what is stored), then what is stored (none before
// it was prepared). Returns its revision, or -1 when it is gone.
BRIVEL_EXPORT(studio_restore_bytes) int studio_restore_bytes(int id, int givenSize, int size) {
    brivel::Quiz::Picture* picture = PictureOf(id);
    if (picture == nullptr || !InputHolds(givenSize, size)) {
        return -1;
    }
    picture->given = InputBytes(0, Size(givenSize));
    std::vector<std::uint8_t> stored = InputBytes(Size(givenSize), Size(size));
    if (!stored.empty()) {
        picture->given = picture->given.empty() ? stored : picture->given;
        brivel::StorePicture(*picture, std::move(stored));
    }
    BytesChanged(*picture);
    return static_cast<int>(picture->revision);
}

// Every problem `brivel check` would report, each as its field then its
// message; returns the number of errors.
BRIVEL_EXPORT(studio_check) int studio_check() {
    static const brivel::FitCheck fit = brivel::tool::PlayerFitCheck(g_fonts);
    std::vector<brivel::DescriptionProblem> problems;
    brivel::CheckQuiz(g_quiz, problems, g_codec, fit);
    SendProblems(problems);
    return static_cast<int>(std::count_if(problems.begin(), problems.end(),
                                          [](const auto& problem) {
                                              return problem.severity == brivel::Severity::Error;
                                          }));
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

// Grades the input (UTF-8, what a player types) against a picture's answer
// as the players do; the verdict comes as Verdict. -1 without one.
BRIVEL_EXPORT(studio_grade) int studio_grade(int id, int size) {
    if (PictureOf(id) == nullptr) {
        return -1;
    }
    const std::string answer = brivel::Utf8ToCp1252Lossy(PictureOf(id)->answer);
    const std::string typed = brivel::Utf8ToCp1252Lossy(Input(0, Size(size)));
    Send(StudioField::Verdict, id,
         brivel::Cp1252ToUtf8(brivel::VerdictText(brivel::Grade(answer, typed))));
    return 0;
}

// Writes the quiz in form (studio_fields.h's Form), the bare player of that
// form in the input, as Output; a quiz folder's .zip dated made (seconds
// since 1970 on the maker's clock, as ZipTime counts them). Returns 0, or -1
// with OpenFailure saying why, in French (the quiz has an error, the player
// cannot carry it).
BRIVEL_EXPORT(studio_write) int studio_write(int form, int playerSize, double made) {
    if (form < 0 || Size(form) >= std::size(kForms)) {
        return -1;
    }
    const bool dated = made >= static_cast<double>(brivel::kZipEpoch) && made < 1e13;
    const brivel::WrittenQuiz written =
        brivel::WriteQuiz(g_quiz, kForms[form], InputBytes(playerSize), g_codec,
                          dated ? static_cast<brivel::ZipTime>(made) : brivel::kZipEpoch);
    if (written.status != brivel::FormStatus::Ok) {
        Send(StudioField::OpenFailure, form,
             brivel::FormStatusName(written.status, brivel::Wording::French));
        return -1;
    }
    Send(StudioField::Output, form, written.bytes);
    return 0;
}

// The program in the input after its name (nameSize bytes) in a .tar, as
// Output, dated made: what keeps a Linux quiz's execute permission through a
// browser's download. Returns 0, or -1 for a name or size a .tar cannot hold.
BRIVEL_EXPORT(studio_tar) int studio_tar(int nameSize, int size, double made) {
    const std::string name = Input(0, Size(nameSize));
    const std::vector<std::uint8_t> bytes = InputBytes(Size(nameSize), Size(size));
    const bool dated = made > 0 && made < 1e13;
    const std::optional<std::string> tar = brivel::ProgramTar(
        name, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()),
        dated ? static_cast<std::int64_t>(made) : 0);
    if (!tar) {
        return -1;
    }
    Send(StudioField::Output, 0, *tar);
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
