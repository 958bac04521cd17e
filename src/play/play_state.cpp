#include "play/play_state.h"

#include <algorithm>
#include <cstdio>

#include "play/grading.h"

namespace brivel {

std::string ProgressText(int found, int count) {
    char text[32];
    std::snprintf(text, sizeof text, " %d / %d", found, count);
    return text;
}

std::string ChooserLabel(int k) {
    char text[32];
    std::snprintf(text, sizeof text, "Image n\xB0%d", k);
    return text;
}

const VerdictFill* VerdictFillOf(std::string_view word) {
    struct WordFill {
        Verdict verdict;
        VerdictFill fill;
    };
    static const WordFill kFills[] = {
        {Verdict::Anagram, {&QuizRecord::orangeBrush, {255, 100, 0}}},
        {Verdict::Correct, {&QuizRecord::greenBrush, {0, 255, 0}}},
        {Verdict::Wrong, {&QuizRecord::redBrush, {255, 0, 0}}},
    };
    static const VerdictFill kHint{&QuizRecord::amberBrush, {255, 203, 38}};
    for (const WordFill& entry : kFills) {
        if (word == VerdictText(entry.verdict)) {
            return &entry.fill;
        }
    }
    if (word == VerdictText(Verdict::Unanswered)) {
        return nullptr;
    }
    return &kHint;
}

BrushHandle VerdictBrush(const QuizRecord& record, std::string_view word) {
    const VerdictFill* fill = VerdictFillOf(word);
    return fill != nullptr ? record.*fill->brush : nullptr;
}

int PlayState::Count() const {
    // The loader keeps the count within the record's slots; a record filled
    // some other way must not lead play outside them.
    return std::clamp(record_.pictureCount, 0, kMaxPictures);
}

std::string_view PlayState::CodeText(int found) const {
    if (found <= 0) {
        return "      ";
    }
    return TextOf(record_.codeSteps[std::min(found, kMaxPictures) - 1]);
}

std::optional<Verdict> PlayState::MarkFound(int index, std::string_view text) {
    PictureEntry* entry = index >= 0 && index < Count()
                              ? PictureAt(record_, static_cast<std::uint32_t>(index))
                              : nullptr;
    if (entry == nullptr) {
        return std::nullopt;
    }
    const Verdict verdict = Grade(TextOf(entry->answer), text);
    entry->found = verdict == Verdict::Correct ? 1 : 0;
    return verdict;
}

void PlayState::ShowFound() {
    const int found = CountFound(record_);
    view_.ShowProgress(ProgressText(found, Count()));
    view_.ShowCode(CodeText(found));
}

void PlayState::GradePicture(int index, std::string_view text) {
    if (const std::optional<Verdict> verdict = MarkFound(index, text)) {
        view_.ShowVerdict(VerdictText(*verdict));
        ShowFound();
    }
}

void PlayState::ShowCurrent() {
    view_.ShowPicture(current_);
    view_.SelectChooserEntry(current_);
    view_.SetBoxText(TextOf(record_.typedAnswers[current_]));
    GradePicture(current_, view_.BoxText());
}

void PlayState::StoreBoxText() {
    CopyText(record_.typedAnswers[current_], view_.BoxText());
}

void PlayState::NextPicture() {
    StoreBoxText();
    ++current_;
    if (current_ >= Count()) {
        current_ = 0;
    }
    ShowCurrent();
}

void PlayState::PreviousPicture() {
    StoreBoxText();
    --current_;
    if (current_ < 0) {
        // With no picture at all there is no last one to wrap to.
        current_ = std::max(Count() - 1, 0);
    }
    ShowCurrent();
}

void PlayState::ChoosePicture(int index) {
    if (index < 0 || index >= Count()) {
        return;
    }
    StoreBoxText();
    current_ = index;
    ShowCurrent();
}

void PlayState::SubmitAnswer(int index) {
    GradePicture(index, view_.BoxText());
}

void PlayState::StartPlay() {
    current_ = 0;
    for (int i = 0; i < Count(); ++i) {
        view_.SetBoxText(TextOf(record_.typedAnswers[i]));
        GradePicture(i, view_.BoxText());
    }
    view_.SetBoxText(TextOf(record_.typedAnswers[current_]));
    GradePicture(current_, view_.BoxText());
    ShowCurrent();
}

}  // namespace brivel
