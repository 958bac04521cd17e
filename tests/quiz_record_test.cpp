#include "quiz/quiz_record.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <tuple>
#include <vector>

#include "fakes.h"

namespace brivel {
namespace {

using testing::FakeGraphics;

std::vector<void*> Handles(std::initializer_list<std::uintptr_t> numbers) {
    std::vector<void*> handles;
    for (const std::uintptr_t k : numbers) {
        handles.push_back(FakeGraphics::HandleOf(k));
    }
    return handles;
}

TEST(QuizRecordTest, ConstructionDefaultsAndOrderOfCreation) {
    FakeGraphics graphics;
    {
        QuizRecord record(graphics);
        EXPECT_EQ(testing::Describe(record),
                  "0 2x1 kind 0 (90, 95, 150) nom du brivel| createur||||");
        EXPECT_EQ(record.pictures.last, nullptr);
        EXPECT_EQ(TextOf(record.typedAnswers[95]), "");
        EXPECT_EQ(record.headerPanel, nullptr);

        ASSERT_EQ(graphics.made.size(), 7u);
        EXPECT_TRUE(graphics.made[0].isFont);
        EXPECT_EQ(graphics.made[0].font, (FontSpec{25, 400, false, false}));
        EXPECT_EQ(graphics.made[1].font, (FontSpec{-15, 700, true, false}));
        const Rgb brushes[] = {
            {90, 95, 150}, {255, 0, 0}, {0, 255, 0}, {255, 100, 0}, {255, 203, 38}};
        for (int i = 0; i < 5; ++i) {
            EXPECT_FALSE(graphics.made[2 + i].isFont);
            EXPECT_EQ(graphics.made[2 + i].colour, brushes[i]) << "brush " << i;
        }
        EXPECT_EQ(record.progressFont, FakeGraphics::HandleOf(1));
        EXPECT_EQ(record.amberBrush, FakeGraphics::HandleOf(7));
        EXPECT_TRUE(graphics.released.empty());
    }
    // The five brushes, then the title font, then the progress font; each once.
    EXPECT_EQ(graphics.released, Handles({3, 4, 5, 6, 7, 2, 1}));
}

TEST(QuizRecordTest, SetBackColourReplacesTheBrushOnce) {
    FakeGraphics graphics;
    {
        QuizRecord record(graphics);
        record.SetBackColour(1, 2, 3);
        EXPECT_EQ(record.backBrush, FakeGraphics::HandleOf(8));
        EXPECT_EQ(graphics.made.back().colour, (Rgb{1, 2, 3}));
        EXPECT_EQ(graphics.released, Handles({3}));
    }
    // The replaced brush is not released a second time at destruction; its successor is.
    EXPECT_EQ(graphics.released, Handles({3, 8, 4, 5, 6, 7, 2, 1}));
}

TEST(PictureListTest, PictureAtClampsToTheLastEntry) {
    FakeGraphics graphics;
    QuizRecord record(graphics);
    EXPECT_EQ(PictureAt(record, 0), nullptr);
    EXPECT_EQ(PictureAt(record, 5), nullptr);

    for (const char* answer : {"un", "deux", "trois"}) {
        AppendPicture(record, answer, "", "");
    }
    const std::tuple<std::uint32_t, const char*> cases[] = {
        {0, "un"}, {1, "deux"}, {2, "trois"}, {3, "trois"}, {95, "trois"}, {0xFFFFFFFFu, "trois"}};
    for (const auto& [index, answer] : cases) {
        ASSERT_NE(PictureAt(record, index), nullptr);
        EXPECT_EQ(TextOf(PictureAt(record, index)->answer), answer) << index;
    }
}

TEST(PictureListTest, AppendLinksBothWaysAndCutsTexts) {
    FakeGraphics graphics;
    QuizRecord record(graphics);
    AppendPicture(record, std::string(300, 'a'), "alt", "loc");
    AppendPicture(record, "b", "", "");
    PictureEntry* first = record.pictures.first;
    PictureEntry* last = record.pictures.last;
    ASSERT_NE(first, last);
    const PictureEntry* none = nullptr;
    EXPECT_EQ(std::make_tuple(first->previous, first->next, last->previous, last->next),
              std::make_tuple(none, last, first, none));
    EXPECT_EQ(std::make_tuple(TextOf(first->answer), TextOf(first->altAnswer),
                              TextOf(first->location), TextOf(first->extraInfo)),
              std::make_tuple(std::string(259, 'a'), "alt", "loc", ""));
    EXPECT_EQ(first->found, 0);
}

TEST(PictureListTest, CountFoundCountsSharedEntriesPerIndex) {
    FakeGraphics graphics;
    QuizRecord record(graphics);
    record.pictureCount = 7;
    AppendPicture(record, "test", "test", "emplacement");
    AppendPicture(record, "test", "test", "emplacement");
    EXPECT_EQ(CountFound(record), 0);
    record.pictures.last->found = 1;
    EXPECT_EQ(CountFound(record), 6);
    record.pictures.first->found = 1;
    EXPECT_EQ(CountFound(record), 7);
    record.pictureCount = 0;
    EXPECT_EQ(CountFound(record), 0);
}

}  // namespace
}  // namespace brivel
