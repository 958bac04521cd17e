#pragma once

#include <cstdint>
#include <string_view>

#include "services/graphics.h"
#include "text/fixed_text.h"

namespace brivel {

// Slots of codeSteps and typedAnswers: the most pictures a quiz can have.
inline constexpr int kMaxPictures = 96;
// linkText holds at most 24 characters.
inline constexpr std::size_t kLinkTextSize = 25;

// One picture of the quiz. Entries are linked in quiz-text order and owned by
// the record's PictureList.
struct PictureEntry {
    char answer[kTextSize];
    char altAnswer[kTextSize];
    char location[kTextSize];
    char extraInfo[kTextSize];
    std::int32_t found;  // 1 once the last grading gave "BRAVO"
    PictureEntry* previous;
    PictureEntry* next;
};

struct PictureList {
    PictureEntry* first = nullptr;
    PictureEntry* last = nullptr;
};

// The one record of the quiz being played. Texts are Windows-1252.
class QuizRecord {
public:
    // Creates the two fonts and five brushes through graphics, which must
    // outlive the record.
    explicit QuizRecord(GraphicsFactory& graphics);
    ~QuizRecord();
    QuizRecord(const QuizRecord&) = delete;
    QuizRecord& operator=(const QuizRecord&) = delete;

    // Sets the quiz colour and replaces backBrush by a brush of that colour.
    void SetBackColour(std::uint8_t red, std::uint8_t green, std::uint8_t blue);

    std::int32_t headerSetting = 0;
    char title[kTextSize] = {};
    char author[kTextSize] = {};
    char explanation[kTextSize] = {};
    char extraText1[kTextSize] = {};
    char extraText2[kTextSize] = {};
    std::int32_t pictureCount = 0;
    std::int32_t answersPerPicture = 0;
    char codeSteps[kMaxPictures][kTextSize] = {};
    std::int32_t extraKind = 0;
    FontHandle progressFont = nullptr;
    FontHandle titleFont = nullptr;
    std::uint8_t backRed = 0;
    std::uint8_t backBlue = 0;
    std::uint8_t backGreen = 0;
    BrushHandle backBrush = nullptr;
    BrushHandle redBrush = nullptr;
    BrushHandle greenBrush = nullptr;
    BrushHandle orangeBrush = nullptr;
    BrushHandle amberBrush = nullptr;
    WindowHandle headerPanel = nullptr;
    char linkText[kLinkTextSize] = {};
    char linkAddress[kTextSize] = {};  // what the link opens; empty: the quiz shows no link
    char statusText[kTextSize] = {};
    PictureList pictures;
    char typedAnswers[kMaxPictures][kTextSize] = {};

private:
    void FreePictures();

    GraphicsFactory& graphics_;
};

// Appends an entry with the three texts (each cut to 259 bytes). When memory
// runs out nothing is appended and nothing is reported.
void AppendPicture(QuizRecord& record, std::string_view answer, std::string_view altAnswer,
                   std::string_view location);

// The entry of a zero-based picture index; an index at or past the end gives
// the last entry, an empty list gives null.
PictureEntry* PictureAt(const QuizRecord& record, std::uint32_t index);

// How many of the indexes 0 to pictureCount - 1 lead to a found entry. An
// entry shared by several indexes counts once per index.
int CountFound(const QuizRecord& record);

}  // namespace brivel
