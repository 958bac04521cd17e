#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace brivel {

// The quiz text as laid out in the "PATCH" 104 resource: four header bytes,
// five "|"-ended fields, the picture groups, the kind byte with its extra
// section, and the three colour bytes. Texts are Windows-1252 bytes, kept
// whole here; the record cuts them to its buffers.
struct QuizPicture {
    std::string answer;
    std::string altAnswer;  // only when answersPerPicture is 2
    std::string location;
    std::string extraInfo;  // only for kinds 2, 3 and 4
};

struct QuizText {
    std::uint8_t firstByte = 0;   // not interpreted
    std::uint8_t headerByte = 1;  // headerSetting + 1
    std::uint8_t answersPerPicture = 1;
    std::string title;
    std::string author;
    std::string explanation;
    std::string extraText1;
    std::string extraText2;
    std::vector<QuizPicture> pictures;  // as many as the count byte says
    std::uint8_t kind = 0;
    std::uint8_t red = 0;
    std::uint8_t green = 0;
    std::uint8_t blue = 0;
};

// Whether the extra section has one record per picture for this kind, and
// how many fields each record has (0 when there is no section).
int ExtraFieldsPerPicture(std::uint8_t kind);

// Parses a decoded quiz text. Returns nothing when the text is malformed:
// it ends before an expected "|" or byte, it has more than 96 pictures, or
// answersPerPicture x pictures is above 96. Bytes after the colour are ignored.
std::optional<QuizText> ParseQuizText(std::string_view bytes);

// Parses a decoded codes text into exactly count lines, each ended by a
// carriage return and one more byte. Returns nothing when it ends early.
std::optional<std::vector<std::string>> ParseCodesText(std::string_view bytes, int count);

// The inverses of the two parsers, for the authoring tool. They check
// nothing (the tool's checker does): a "|" inside a field or a carriage
// return inside a line is written as is and cannot be read back, a kind-3
// record's dropped second field is written empty, and only the low byte of
// pictures.size() is stored.
std::string FormatQuizText(const QuizText& quiz);
std::string FormatCodesText(const std::vector<std::string>& lines);

}  // namespace brivel
