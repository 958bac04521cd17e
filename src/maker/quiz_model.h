#pragma once

// The quiz as a maker makes it, whatever it was opened from and whatever it
// is written as (quiz_forms.h): its texts as typed, in UTF-8, so that a check
// can quote them and say what the players cannot show; its pictures with the
// file each came from; and the keys no player shows, kept so that saving an
// opened quiz again changes nothing. quiz.toml is its text form.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "maker/picture_codec.h"
#include "maker/quiz_bundle.h"
#include "maker/quiz_description.h"
#include "quiz/quiz_text.h"

namespace brivel {

struct Quiz {
    struct Picture {
        std::string name;                  // its file's: as given, or 01.jpg... for an opened quiz
        std::vector<std::uint8_t> given;   // the file; empty while only its name is known
        std::vector<std::uint8_t> stored;  // as the quiz holds it; empty until prepared
        // Preparing it failed: given stands in for stored in the checks, which
        // then say what `brivel check` says of it, and no quiz is written.
        bool unusable = false;
        std::string answer;
        std::string code;  // the step shown once this many pictures are found
        std::string description;  // for players who cannot see it: the web player's name for it
        // Kept from an opened quiz: no player shows them.
        std::string secondAnswer;  // with answersPerPicture 2
        std::string location;
        std::string extra;  // for the kinds that have one
        // Where the quiz is made in a page (the studio): what preparing it
        // did, or why it cannot be held (unusable), in the maker's French;
        // its name there, whatever its place (0: none yet); and when its
        // bytes last changed, from a count that only grows, so that what
        // keeps them (the draft) writes them again only then.
        std::string note;
        std::uint32_t id = 0;
        std::uint32_t revision = 0;
    };

    std::string title;
    std::string author;
    std::string explanation;
    std::string link;  // the maker's web page, which the header's link opens; none when empty
    std::array<std::uint8_t, 3> colour = kDefaultColour;
    std::vector<Picture> pictures;
    // The quiz's own keys that no player shows, kept from an opened quiz.
    std::string extraText1;
    std::string extraText2;
    std::uint8_t answersPerPicture = 1;
    std::uint8_t headerByte = 1;
    std::uint8_t firstByte = 0;
    std::uint8_t kind = 0;
};

// The quiz's texts and its pictures', each by its quiz.toml key: what treats
// every text alike (the studio's page, its draft) goes through this list, so
// that a text added to the quiz is added here and reaches them all.
struct QuizTextKey {
    const char* key;
    std::string Quiz::*quiz;              // a text of the quiz, or null
    std::string Quiz::Picture::*picture;  // each picture's, or null
};

inline constexpr QuizTextKey kQuizTexts[] = {
    {"title", &Quiz::title, nullptr},
    {"author", &Quiz::author, nullptr},
    {"explanation", &Quiz::explanation, nullptr},
    {"link", &Quiz::link, nullptr},
    {"extra_text_1", &Quiz::extraText1, nullptr},
    {"extra_text_2", &Quiz::extraText2, nullptr},
    {"file", nullptr, &Quiz::Picture::name},
    {"answer", nullptr, &Quiz::Picture::answer},
    {"code", nullptr, &Quiz::Picture::code},
    {"description", nullptr, &Quiz::Picture::description},
    {"second_answer", nullptr, &Quiz::Picture::secondAnswer},
    {"location", nullptr, &Quiz::Picture::location},
    {"extra", nullptr, &Quiz::Picture::extra},
};

// The quiz of texts as a quiz file or a checked description holds them
// (Windows-1252, the link and descriptions UTF-8), with its pictures in
// order; their texts are filled in.
Quiz QuizOfTexts(const QuizTexts& texts, std::vector<Quiz::Picture> pictures);

// The pictures' names in the quiz folder: each its own, with the extension of
// what is stored (a PNG laid on the quiz colour is a JPEG now), and a number
// added where two would meet.
std::vector<std::string> PictureFileNames(const Quiz& quiz);

// Takes the picture as the quiz stores it (empty: not yet). The file as given
// stays only for a PNG, which is laid anew on each quiz colour; any other's
// given bytes are those stored, a photo's file not kept twice.
void StorePicture(Quiz::Picture& picture, std::vector<std::uint8_t> stored);

// Who writes a quiz.toml, which says how: its first comment, and whether the
// keys that hold their defaults are written too.
enum class DescriptionWriter {
    Unpack,  // every key, so that nothing depends on the reader's defaults
    Studio,  // only the keys that differ from their defaults, as a maker would write them
};

// The quiz's quiz.toml, its pictures named as PictureFileNames names them.
std::string FormatDescription(const Quiz& quiz, DescriptionWriter writer);

// The quiz whole as a page keeps it while it is being made (the studio's
// draft): every text as typed, errors and all, and each picture's name, id
// and note, but not its bytes, which are kept apart by id. A picture whose
// file was never read is left out: nothing could bring it back.
std::string FormatQuizRecord(const Quiz& quiz);

// The quiz of a record, its pictures without their bytes: a key the record
// lacks keeps its default, so that an older record reads too. Nothing when
// it does not read as one.
std::optional<Quiz> ReadQuizRecord(std::string_view record);

// The quiz checked as `brivel check` checks a folder, its stored pictures
// standing for the files (their headers read: they were decoded as they
// came); every problem goes to problems. Nothing when one is an error.
std::optional<QuizDescription> CheckQuiz(const Quiz& quiz,
                                         std::vector<DescriptionProblem>& problems,
                                         PictureCodec& codec, const FitCheck& fit = nullptr);

}  // namespace brivel
