#include "text/text_wrap.h"

namespace brivel {

namespace {

constexpr std::size_t kNone = std::string_view::npos;

std::size_t NextCharacter(std::string_view text, std::size_t at) {
    ++at;
    while (at < text.size() && (static_cast<unsigned char>(text[at]) & 0xC0) == 0x80) {
        ++at;
    }
    return at;
}

// The end of the longest run of whole characters from start that fits.
std::size_t FittingEnd(std::string_view text, std::size_t start, int width,
                       const MeasureText& measure) {
    std::size_t end = start;
    while (end < text.size()) {
        const std::size_t next = NextCharacter(text, end);
        if (measure(text.substr(start, next - start)) > width) {
            break;
        }
        end = next;
    }
    return end;
}

// Where the line from start ends when the character at fitEnd does not fit:
// the last space up to fitEnd, else just after the last '/' or '-' before
// it, else fitEnd itself (at least one character).
std::size_t BreakBefore(std::string_view text, std::size_t start, std::size_t fitEnd) {
    const std::size_t space = text.substr(0, fitEnd + 1).find_last_of(' ');
    if (space != kNone && space >= start) {
        return space;
    }
    const std::size_t mark = text.substr(0, fitEnd).find_last_of("/-");
    if (mark != kNone && mark >= start) {
        return mark + 1;
    }
    return fitEnd > start ? fitEnd : NextCharacter(text, start);
}

std::string_view TrimTrailingSpaces(std::string_view line) {
    const std::size_t last = line.find_last_not_of(' ');
    return last == kNone ? std::string_view() : line.substr(0, last + 1);
}

}  // namespace

std::vector<std::string> WrapText(std::string_view utf8, int width, const MeasureText& measure) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < utf8.size()) {
        const std::size_t fitEnd = FittingEnd(utf8, start, width, measure);
        if (fitEnd == utf8.size()) {
            lines.emplace_back(utf8.substr(start));
            break;
        }
        const std::size_t end = BreakBefore(utf8, start, fitEnd);
        lines.emplace_back(TrimTrailingSpaces(utf8.substr(start, end - start)));
        start = end;
        while (start < utf8.size() && utf8[start] == ' ') {
            ++start;
        }
    }
    return lines;
}

}  // namespace brivel
