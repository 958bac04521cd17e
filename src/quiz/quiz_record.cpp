#include "quiz/quiz_record.h"

#include <new>

namespace brivel {

namespace {

constexpr FontSpec kProgressFont{25, 400, false, false};
constexpr FontSpec kTitleFont{-15, 700, true, false};

}  // namespace

QuizRecord::QuizRecord(GraphicsFactory& graphics) : graphics_(graphics) {
    // The order of creation is the order in which the player has always made them.
    progressFont = graphics_.MakeFont(kProgressFont);
    titleFont = graphics_.MakeFont(kTitleFont);
    headerSetting = 0;
    CopyText(title, "nom du brivel");
    CopyText(author, " createur");
    pictureCount = 2;
    backRed = 90;
    backBlue = 150;
    backGreen = 95;
    backBrush = graphics_.MakeSolidBrush({backRed, backGreen, backBlue});
    answersPerPicture = 1;
    extraKind = 0;
    redBrush = graphics_.MakeSolidBrush({255, 0, 0});
    greenBrush = graphics_.MakeSolidBrush({0, 255, 0});
    orangeBrush = graphics_.MakeSolidBrush({255, 100, 0});
    amberBrush = graphics_.MakeSolidBrush({255, 203, 38});
}

QuizRecord::~QuizRecord() {
    graphics_.ReleaseBrush(backBrush);
    graphics_.ReleaseBrush(redBrush);
    graphics_.ReleaseBrush(greenBrush);
    graphics_.ReleaseBrush(orangeBrush);
    graphics_.ReleaseBrush(amberBrush);
    graphics_.ReleaseFont(titleFont);
    graphics_.ReleaseFont(progressFont);
    FreePictures();
}

void QuizRecord::SetBackColour(std::uint8_t red, std::uint8_t green, std::uint8_t blue) {
    backRed = red;
    backGreen = green;
    backBlue = blue;
    // The constructor's brush is ours too: replacing it without releasing it
    // would leak a GDI object.
    BrushHandle previous = backBrush;
    backBrush = graphics_.MakeSolidBrush({red, green, blue});
    graphics_.ReleaseBrush(previous);
}

void QuizRecord::FreePictures() {
    PictureEntry* entry = pictures.first;
    while (entry != nullptr) {
        PictureEntry* next = entry->next;
        delete entry;
        entry = next;
    }
    pictures.first = nullptr;
    pictures.last = nullptr;
}

void AppendPicture(QuizRecord& record, std::string_view answer, std::string_view altAnswer,
                   std::string_view location) {
    auto* entry = new (std::nothrow) PictureEntry{};
    if (entry == nullptr) {
        return;
    }
    CopyText(entry->answer, answer);
    CopyText(entry->altAnswer, altAnswer);
    CopyText(entry->location, location);
    PictureList& list = record.pictures;
    entry->previous = list.last;
    if (list.last != nullptr) {
        list.last->next = entry;
    } else {
        list.first = entry;
    }
    list.last = entry;
}

PictureEntry* PictureAt(const QuizRecord& record, std::uint32_t index) {
    PictureEntry* current = nullptr;
    std::uint32_t steps = 0;
    for (PictureEntry* node = record.pictures.first; node != nullptr; node = node->next) {
        current = node;
        ++steps;
        if (steps > index) {
            break;
        }
    }
    return current;
}

int CountFound(const QuizRecord& record) {
    int found = 0;
    for (std::int32_t i = 0; i < record.pictureCount; ++i) {
        const PictureEntry* entry = PictureAt(record, static_cast<std::uint32_t>(i));
        if (entry != nullptr && entry->found == 1) {
            ++found;
        }
    }
    return found;
}

}  // namespace brivel
