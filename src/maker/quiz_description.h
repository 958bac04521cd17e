#pragma once

// The quiz description: the quiz.toml file a quiz maker writes by hand beside
// the picture files, read into the two texts the player's resources hold.

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "maker/picture_codec.h"
#include "maker/picture_prep.h"
#include "quiz/quiz_text.h"

namespace brivel {

// What a problem says: in English as the tool prints it, and in French, in
// plain words without the description's own names, as the studio shows it
// beside the field.
struct ProblemWords {
    std::string english;
    std::string french;
};

// How much a problem matters, numbered as the studio's page takes it.
enum class Severity : std::uint8_t {
    Error,    // no quiz is made
    Warning,  // the quiz is made, most likely not as its maker means
    Info,     // what the players or pack do, that the maker may want to know
};

// "error", "warning" or "info", as the tool prints them.
const char* SeverityName(Severity severity);

// One thing wrong with a description. line is 1-based, 0 when the problem has
// no place in the file (it cannot be read). field names the key, pictures
// counted from 1: "title", "picture[3].answer", "colour".
struct DescriptionProblem {
    std::string file;
    int line = 0;
    int column = 0;  // 1-based, 0 when only the line is known
    std::string field;
    std::string message;
    Severity severity = Severity::Error;
    std::string french;  // the message as the studio shows it
};

struct QuizDescription {
    QuizText text;                          // every text in Windows-1252
    std::vector<std::string> codes;         // one per picture, Windows-1252
    std::vector<std::string> pictureFiles;  // paths of the picture files, under dir
    std::vector<std::string> pictureNames;  // the files as the description names them
    std::string link;                       // the maker's web page, checked; empty: none
    std::vector<std::string> descriptions;  // UTF-8, one per picture ("" for none)
};

// The quiz colour when the description gives none.
inline constexpr std::array<std::uint8_t, 3> kDefaultColour = {90, 95, 150};

// The name of the description inside a quiz folder.
inline constexpr const char* kDescriptionFileName = "quiz.toml";

// How deeply LoadQuizDescription looks at the picture files.
enum class PictureCheck {
    Decode,   // each decoded whole, so that a damaged one is found
    Headers,  // their headers alone, for pack, which decodes each as it prepares it
};

// The header texts a description gives, each shown in a box of its own.
enum class HeaderField { Title, Author, Explanation, Code, Link };

// How a Windows-1252 text shows in its box: empty when whole, else a warning
// saying how much shows. Measuring needs the players' fonts, which the core
// does not have.
using FitCheck = std::function<ProblemWords(HeaderField field, std::string_view cp1252)>;

// Reads dir/quiz.toml and checks it with its pictures (JPEG through codec), appending every
// problem found to problems, and a warning for each header text that fit
// finds cut. Nothing when any problem is an error; warnings alone still give
// the description. pictureFiles, when given, receives the paths of the
// picture files it names, as QuizDescription has them, errors or not, once the
// file reads as TOML.
std::optional<QuizDescription> LoadQuizDescription(
    const std::string& dir, std::vector<DescriptionProblem>& problems, PictureCodec& codec,
    PictureCheck pictures = PictureCheck::Decode, const FitCheck& fit = nullptr,
    std::optional<std::vector<std::string>>* pictureFiles = nullptr);

// A picture file named by a description, as its source finds it.
struct PictureFileRead {
    std::string path;  // where it was found, or the name as written
    std::string shown;  // the name its messages give, when not the one written (the maker's own)
    bool refused = false;  // preparing it failed: an error, whatever its headers say
    bool found = false;
    std::optional<std::vector<std::uint8_t>> bytes;  // nothing: reason says why
    // Bytes the source holds, read in place (null: those above): the studio
    // checks its quiz at each keystroke, and copying 96 photos was most of it.
    const std::vector<std::uint8_t>* held = nullptr;
    std::string reason;
    std::string frenchReason;  // empty: the file cannot be read

    const std::vector<std::uint8_t>* Bytes() const {
        return held ? held : bytes ? &*bytes : nullptr;
    }
};

// Where a description and its pictures come from: a folder on disk, or files
// in memory (the page's in the browser, which has no folders, or a .zip's).
struct DescriptionSource {
    std::string file;                 // the description's name in problems
    std::optional<std::string> text;  // nothing: reason says why it cannot be read
    std::string reason;
    std::function<PictureFileRead(const std::string& name)> picture;
};

// Where LoadQuizDescription reads dir/quiz.toml and its pictures.
DescriptionSource QuizFolderSource(const std::string& dir);

// LoadQuizDescription on a description from source.
std::optional<QuizDescription> CheckQuizDescription(
    const DescriptionSource& source, std::vector<DescriptionProblem>& problems, PictureCodec& codec,
    PictureCheck pictures = PictureCheck::Decode, const FitCheck& fit = nullptr,
    std::optional<std::vector<std::string>>* pictureFiles = nullptr);

// Why a picture cannot be in a quiz, status (not Ok) being what checking or
// preparing its bytes said, detail the decoder's reason: an empty file, not
// a picture (its kind named), cut short, larger than the tool takes, or
// damaged. Without the file's name, which the caller gives.
ProblemWords PictureRefusal(PrepStatus status, const std::uint8_t* data, std::size_t size,
                            const PicturePlan& plan, const std::string& detail);

// A UTF-8 text as a TOML basic string, its quotes, backslashes and control
// characters escaped: what is typed is read back as typed.
std::string TomlQuoted(std::string_view utf8);

// The commented starter description written by `brivel new`; it refers to
// two pictures, 01.jpg and 02.jpg, that the maker still has to add.
const char* StarterDescription();

}  // namespace brivel
