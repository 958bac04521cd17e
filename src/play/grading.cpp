#include "play/grading.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "text/fixed_text.h"

namespace brivel {

namespace {

std::string_view Clamp(std::string_view text) {
    return text.substr(0, std::min(text.size(), kTextMaxLength));
}

// Copies at most 259 bytes of text into buffer and returns the length.
std::size_t Load(char (&buffer)[kTextSize], std::string_view text) {
    text = Clamp(text);
    std::memcpy(buffer, text.data(), text.size());
    return text.size();
}

bool SameLetters(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    char sortedA[kTextSize];
    char sortedB[kTextSize];
    std::size_t la = Load(sortedA, a);
    std::size_t lb = Load(sortedB, b);
    // Signed byte order, so the sorted copies are reproducible across platforms.
    auto bySignedValue = [](char x, char y) {
        return static_cast<signed char>(x) < static_cast<signed char>(y);
    };
    std::sort(sortedA, sortedA + la, bySignedValue);
    std::sort(sortedB, sortedB + lb, bySignedValue);
    return std::memcmp(sortedA, sortedB, la) == 0;
}

}  // namespace

std::string AsciiQuotes(std::string_view typed) {
    std::string text(typed);
    for (char& c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte == 0x91 || byte == 0x92) {
            c = '\'';
        } else if (byte == 0x93 || byte == 0x94) {
            c = '"';
        }
    }
    return text;
}

const char* VerdictText(Verdict verdict) {
    switch (verdict) {
        case Verdict::Unanswered:
            return "?";
        case Verdict::Correct:
            return "BRAVO";
        case Verdict::Anagram:
            return "Anagramme";
        case Verdict::OneEdit:
            return "Quasiment";
        case Verdict::TwoEdits:
            return "Presque";
        case Verdict::TooLong:
            return "Trop long";
        case Verdict::TooShort:
            return "Trop court";
        case Verdict::NotFar:
            return "pas loin";
        case Verdict::GoodIdea:
            return "y a de l'id\xE9"
                   "e";
        case Verdict::Wrong:
            return "FAUX";
    }
    return "?";
}

void UpperAscii(char* text, std::size_t length) {
    for (std::size_t i = 0; i < length; ++i) {
        if (text[i] >= 'a' && text[i] <= 'z') {
            text[i] = static_cast<char>(text[i] - 0x20);
        }
    }
}

std::size_t NormalizeTyped(char* text, std::size_t length) {
    // The trailing walk never looks at index 0; the leading count then takes
    // a text of spaces only down to nothing.
    while (length > 1 && text[length - 1] == ' ') {
        --length;
    }
    std::size_t leading = 0;
    while (leading < length && text[leading] == ' ') {
        ++leading;
    }
    length -= leading;
    std::memmove(text, text + leading, length);
    UpperAscii(text, length);
    return length;
}

int EditDistance(std::string_view a, std::string_view b, int limit) {
    a = Clamp(a);
    b = Clamp(b);
    // The table a row at a time (1 KB, where the whole would take 270 KB),
    // along the shorter text: the distance is the same either way.
    if (b.size() > a.size()) {
        std::swap(a, b);
    }
    const int kMore = std::max(limit, 0) + 1;  // stands for every distance above limit
    const std::size_t band = static_cast<std::size_t>(kMore - 1);
    if (a.size() - b.size() > band) {
        return kMore;
    }
    // A cell further than limit from the diagonal holds more than limit: only
    // the band around it is computed, and a row above limit ends the search.
    int row[kTextSize];
    for (std::size_t j = 0; j <= b.size(); ++j) {
        row[j] = std::min(static_cast<int>(j), kMore);
    }
    for (std::size_t i = 1; i <= a.size(); ++i) {
        const std::size_t first = i > band ? i - band : 1;
        const std::size_t last = std::min(b.size(), i + band);
        int diagonal = row[first - 1];
        row[first - 1] = first == 1 ? std::min(static_cast<int>(i), kMore) : kMore;
        int least = row[first - 1];
        for (std::size_t j = first; j <= last; ++j) {
            const int above = row[j];
            const int substitution = diagonal + (a[i - 1] == b[j - 1] ? 0 : 1);
            const int insertion = std::min(above, row[j - 1]) + 1;
            row[j] = std::min(std::min(substitution, insertion), kMore);
            least = std::min(least, row[j]);
            diagonal = above;
        }
        if (least >= kMore) {
            return kMore;
        }
    }
    return row[b.size()];
}

int ContainmentScan(std::string_view answer, std::string_view typed) {
    const bool typedIsLonger = typed.size() >= answer.size();
    const std::string_view pattern = typedIsLonger ? answer : typed;
    const std::string_view text = typedIsLonger ? typed : answer;
    const int sign = typedIsLonger ? 1 : -1;
    if (pattern.empty()) {
        return sign;
    }
    std::size_t i = 0;
    std::size_t j = 0;
    for (;;) {
        while (j < text.size() && text[j] != pattern[0]) {
            ++j;
        }
        if (j == text.size()) {
            return 0;
        }
        std::size_t matched = 0;
        while (text[j] == pattern[i]) {
            ++matched;
            ++i;
            ++j;
            if (i == pattern.size() || j == text.size()) {
                break;
            }
        }
        if (matched == pattern.size()) {
            return sign * 2;
        }
        // j stays where the match broke: the scan never steps back.
        i = 0;
    }
}

namespace {

LetterSketch Sketch(const char* text, std::size_t length) {
    LetterSketch sketch;
    for (std::size_t i = 0; i < length; ++i) {
        sketch.letters |= std::uint64_t{1} << (static_cast<unsigned char>(text[i]) & 63);
    }
    sketch.length = length;
    return sketch;
}

std::size_t Bits(std::uint64_t bits) {
    std::size_t count = 0;
    for (; bits != 0; bits &= bits - 1) {
        ++count;
    }
    return count;
}

}  // namespace

LetterSketch SketchAnswer(std::string_view answer) {
    char a[kTextSize];
    const std::size_t la = Load(a, answer);
    UpperAscii(a, la);
    return Sketch(a, la);
}

LetterSketch SketchTyped(std::string_view typed) {
    char t[kTextSize];
    return Sketch(t, NormalizeTyped(t, Load(t, typed)));
}

// Grade's verdicts other than Wrong need a distance under 3, a containment
// or a distance under a fifth of the longer text. A bucket of bytes that one
// text has and the other lacks costs at least one edit.
bool MayHint(const LetterSketch& answer, const LetterSketch& typed) {
    if (typed.length == 0) {
        return false;
    }
    const std::size_t la = answer.length;
    const std::size_t lt = typed.length;
    const std::uint64_t onlyAnswer = answer.letters & ~typed.letters;
    const std::uint64_t onlyTyped = typed.letters & ~answer.letters;
    const std::size_t least =
        std::max({Bits(onlyAnswer), Bits(onlyTyped), la > lt ? la - lt : lt - la});
    if (least < 3) {
        return true;
    }
    // The shorter inside the longer (ContainmentScan's cases).
    if (lt >= la ? onlyAnswer == 0 : onlyTyped == 0) {
        return true;
    }
    return std::max(la, lt) > 5 * least;
}

Verdict Grade(std::string_view answer, std::string_view typed) {
    char a[kTextSize];
    char t[kTextSize];
    const std::size_t la = Load(a, answer);
    UpperAscii(a, la);
    const std::size_t lt = NormalizeTyped(t, Load(t, typed));
    const std::string_view upperAnswer(a, la);
    const std::string_view normalized(t, lt);

    if (lt == 0) {
        return Verdict::Unanswered;
    }
    // Past the limit, the distance decides nothing below: no verdict of one
    // or two edits, and "y a de l'idée" only under a fifth of the longer text.
    const int d =
        EditDistance(upperAnswer, normalized,
                     static_cast<int>(std::max<std::size_t>(2, (std::max(la, lt) - 1) / 5)));
    if (d == 0) {
        return Verdict::Correct;
    }
    if (SameLetters(upperAnswer, normalized)) {
        return Verdict::Anagram;
    }
    if (d == 1) {
        return Verdict::OneEdit;
    }
    if (d == 2) {
        return Verdict::TwoEdits;
    }
    // The thresholds below are the exact integer forms of 100 * lt / la > 70
    // and > 50, and of 100 * (M - d) / M > 80, for texts of up to 259 bytes.
    const int scan = ContainmentScan(upperAnswer, normalized);
    if (scan == 2) {
        return Verdict::TooLong;
    }
    if (scan == -2) {
        if (la <= 9) {
            return Verdict::Wrong;
        }
        if (10 * lt > 7 * la) {
            return Verdict::TooShort;
        }
        if (2 * lt > la) {
            return Verdict::NotFar;
        }
        return Verdict::Wrong;
    }
    const std::size_t longest = std::max(la, lt);
    if (longest > 5 * static_cast<std::size_t>(d)) {
        return Verdict::GoodIdea;
    }
    return Verdict::Wrong;
}

}  // namespace brivel
