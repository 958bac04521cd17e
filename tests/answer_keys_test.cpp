#include "fltk/answer_keys.h"

#include <gtest/gtest.h>

namespace brivel {
namespace {

TEST(AnswerKeysTest, EnterGradesOnceOnTheReleaseOfItsOwnPresses) {
    AnswerKeys keys;
    // Pressed elsewhere (in the chooser, say): its release is not ours.
    EXPECT_EQ(keys.OnRelease(AnswerKey::Enter), AnswerKeyAction::Swallow);
    EXPECT_EQ(keys.OnPress(AnswerKey::Enter, false), AnswerKeyAction::Swallow);
    EXPECT_EQ(keys.OnPress(AnswerKey::Enter, false), AnswerKeyAction::Swallow);  // auto-repeat
    EXPECT_EQ(keys.OnRelease(AnswerKey::Enter), AnswerKeyAction::Grade);
    EXPECT_EQ(keys.OnRelease(AnswerKey::Enter), AnswerKeyAction::Swallow);
}

TEST(AnswerKeysTest, AltEnterGradesOnThePress) {
    AnswerKeys keys;
    EXPECT_EQ(keys.OnPress(AnswerKey::Enter, true), AnswerKeyAction::Grade);
    EXPECT_EQ(keys.OnRelease(AnswerKey::Enter), AnswerKeyAction::Swallow);
}

TEST(AnswerKeysTest, F2SavesOnTheReleaseOfItsOwnPressOrWithAlt) {
    AnswerKeys keys;
    EXPECT_EQ(keys.OnRelease(AnswerKey::F2), AnswerKeyAction::Swallow);
    EXPECT_EQ(keys.OnPress(AnswerKey::F2, false), AnswerKeyAction::Swallow);
    EXPECT_EQ(keys.OnRelease(AnswerKey::F2), AnswerKeyAction::Save);
    EXPECT_EQ(keys.OnPress(AnswerKey::F2, true), AnswerKeyAction::Save);
}

TEST(AnswerKeysTest, FocusLossForgetsAPress) {
    AnswerKeys keys;
    keys.OnPress(AnswerKey::Enter, false);
    keys.OnPress(AnswerKey::F2, false);
    keys.Forget();
    EXPECT_EQ(keys.OnRelease(AnswerKey::Enter), AnswerKeyAction::Swallow);
    EXPECT_EQ(keys.OnRelease(AnswerKey::F2), AnswerKeyAction::Swallow);
}

TEST(AnswerKeysTest, TabLineBreaksAndUpDownNeverReachTheText) {
    AnswerKeys keys;
    EXPECT_EQ(keys.OnPress(AnswerKey::Tab, false), AnswerKeyAction::Swallow);
    EXPECT_EQ(keys.OnPress(AnswerKey::LineBreak, false), AnswerKeyAction::Swallow);
    EXPECT_EQ(keys.OnPress(AnswerKey::UpDown, false), AnswerKeyAction::Swallow);
    EXPECT_EQ(keys.OnPress(AnswerKey::Other, false), AnswerKeyAction::PassOn);
    EXPECT_EQ(keys.OnRelease(AnswerKey::Other), AnswerKeyAction::PassOn);
}

}  // namespace
}  // namespace brivel
