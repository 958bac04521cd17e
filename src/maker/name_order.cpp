// The order of picture names (picture_folder.h's NaturalLess), said once for
// `brivel new` and the studio: only case folding and accents come from the
// platform (text_compose.h).

#include <algorithm>
#include <cctype>
#include <string>

#include "maker/picture_folder.h"
#include "maker/text_compose.h"

namespace brivel {

namespace {

constexpr const char* kDigits = "0123456789";

// Below, at or above zero as a comes before, with or after b, a run of digits
// against another by its value.
int CompareRuns(std::string_view a, std::string_view b) {
    std::size_t i = 0;
    std::size_t j = 0;
    while (i < a.size() && j < b.size()) {
        const bool digitA = std::isdigit(static_cast<unsigned char>(a[i])) != 0;
        const bool digitB = std::isdigit(static_cast<unsigned char>(b[j])) != 0;
        if (digitA && digitB) {
            const std::size_t endA = std::min(a.find_first_not_of(kDigits, i), a.size());
            const std::size_t endB = std::min(b.find_first_not_of(kDigits, j), b.size());
            std::string_view x = a.substr(i, endA - i);
            std::string_view y = b.substr(j, endB - j);
            x.remove_prefix(std::min(x.find_first_not_of('0'), x.size()));
            y.remove_prefix(std::min(y.find_first_not_of('0'), y.size()));
            // Any length of digits: a longer value is the larger one.
            if (x.size() != y.size()) {
                return x.size() < y.size() ? -1 : 1;
            }
            if (const int order = x.compare(y); order != 0) {
                return order;
            }
            i = endA;
            j = endB;
            continue;
        }
        if (a[i] != b[j]) {
            return static_cast<unsigned char>(a[i]) < static_cast<unsigned char>(b[j]) ? -1 : 1;
        }
        ++i;
        ++j;
    }
    return static_cast<int>(i < a.size()) - static_cast<int>(j < b.size());
}

// Names without their extensions first: photo.jpg comes before photo 2.jpg,
// though a space sorts before a dot.
int CompareNames(std::string_view a, std::string_view b) {
    const auto split = [](std::string_view name) {
        const std::size_t dot = name.rfind('.');
        return dot == std::string_view::npos || dot == 0
                   ? std::make_pair(name, std::string_view())
                   : std::make_pair(name.substr(0, dot), name.substr(dot));
    };
    const auto [stemA, extensionA] = split(a);
    const auto [stemB, extensionB] = split(b);
    const int order = CompareRuns(stemA, stemB);
    return order != 0 ? order : CompareRuns(extensionA, extensionB);
}

}  // namespace

bool NaturalLess(std::string_view name, std::string_view other) {
    for (const bool marks : {false, true}) {
        if (const int order = CompareNames(Folded(name, marks), Folded(other, marks)); order != 0) {
            return order < 0;
        }
    }
    return name < other;
}

}  // namespace brivel
