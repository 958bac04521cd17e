#include "web/header_text.h"

#include <algorithm>

#include "text/text_wrap.h"

namespace brivel::web {

std::vector<std::string> Lines(std::string_view utf8, int width, const PageFace& face) {
    return WrapText(utf8, width,
                    [&face](std::string_view text) { return CarriedTextWidth(face, text); });
}

std::string_view ShownPart(std::string_view utf8, const WindowRect& box, const PageFace& face) {
    const int whole = box.h / std::max(CarriedLineHeight(face), 1);
    std::size_t end = 0;
    int count = 0;
    for (const std::string& line : Lines(utf8, box.w, face)) {
        if (count == whole) {
            return utf8.substr(0, end);
        }
        const std::size_t found = utf8.find(line, end);
        end = found == std::string_view::npos ? utf8.size() : found + line.size();
        ++count;
    }
    return utf8;
}

}  // namespace brivel::web
