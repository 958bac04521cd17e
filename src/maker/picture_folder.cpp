#include "maker/picture_folder.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <utility>

#include <utf8proc.h>

#include "maker/picture_prep.h"
#include "maker/quiz_description.h"
#include "maker/text_compose.h"
#include "pictures/png_decoder.h"

namespace brivel {

namespace {

namespace fs = std::filesystem;

// What a person compares first: case folded and, without marks, the accents
// taken off ("Été" as "ete"). The bytes themselves when name is not UTF-8.
std::string Folded(std::string_view name, bool marks) {
    const int options =
        UTF8PROC_STABLE | UTF8PROC_COMPOSE | UTF8PROC_CASEFOLD | (marks ? 0 : UTF8PROC_STRIPMARK);
    utf8proc_uint8_t* mapped = nullptr;
    const utf8proc_ssize_t length =
        utf8proc_map(reinterpret_cast<const utf8proc_uint8_t*>(name.data()),
                     static_cast<utf8proc_ssize_t>(name.size()), &mapped,
                     static_cast<utf8proc_option_t>(options));
    const std::unique_ptr<utf8proc_uint8_t, decltype(&std::free)> owned(mapped, &std::free);
    if (length < 0) {
        return std::string(name);
    }
    return std::string(reinterpret_cast<const char*>(mapped), static_cast<std::size_t>(length));
}

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

// name as a TOML text in double quotes; a byte that is not UTF-8 becomes "?",
// since the whole description must be UTF-8.
std::string Quoted(std::string_view name) {
    std::string out = "\"";
    const auto* bytes = reinterpret_cast<const utf8proc_uint8_t*>(name.data());
    for (std::size_t at = 0; at < name.size();) {
        utf8proc_int32_t code = 0;
        const utf8proc_ssize_t length =
            utf8proc_iterate(bytes + at, static_cast<utf8proc_ssize_t>(name.size() - at), &code);
        if (length <= 0) {
            out += '?';
            ++at;
            continue;
        }
        if (code == '"' || code == '\\') {
            out += '\\';
        }
        if (code < 0x20 || code == 0x7F) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04X", static_cast<unsigned>(code));
            out += escaped;
        } else {
            out.append(name.substr(at, static_cast<std::size_t>(length)));
        }
        at += static_cast<std::size_t>(length);
    }
    return out + "\"";
}

constexpr std::uint8_t kJpegStart[] = {0xFF, 0xD8, 0xFF};

bool StartsWith(const std::uint8_t* head, std::size_t size, const std::uint8_t* mark,
                std::size_t length) {
    return head != nullptr && size >= length && std::memcmp(head, mark, length) == 0;
}

}  // namespace

bool IsHiddenFileName(std::string_view name) {
    constexpr std::string_view kThumbs = "thumbs.db";
    return name.empty() || name[0] == '.' ||
           (name.size() == kThumbs.size() &&
            std::equal(name.begin(), name.end(), kThumbs.begin(), [](char c, char lower) {
                return std::tolower(static_cast<unsigned char>(c)) == lower;
            }));
}

bool NaturalLess(std::string_view name, std::string_view other) {
    for (const bool marks : {false, true}) {
        if (const int order = CompareNames(Folded(name, marks), Folded(other, marks)); order != 0) {
            return order < 0;
        }
    }
    return name < other;
}

std::optional<FolderPicture> PictureOfFile(std::string_view name, const std::uint8_t* head,
                                           std::size_t size) {
    if (IsHiddenFileName(name)) {
        return std::nullopt;
    }
    FolderPicture picture;
    if (!StartsWith(head, size, kJpegStart, sizeof kJpegStart) &&
        !StartsWith(head, size, kPngSignature, sizeof kPngSignature)) {
        picture.unusable = NotAPictureReason(head, size);
        // Only a format makers meet is named, with its conversion.
        if (picture.unusable == NotAPictureReason(nullptr, 0)) {
            return std::nullopt;
        }
    }
    picture.name = std::string(name);
    if (!Composed(name)) {
        picture.unusable = "its name is not UTF-8, which quiz.toml is: rename it";
    }
    return picture;
}

bool PicturesInFolder(const std::string& dir, std::vector<FolderPicture>& pictures,
                      std::string& reason) {
    std::error_code error;
    for (fs::directory_iterator entry(dir, error), end; !error && entry != end;
         entry.increment(error)) {
        const std::string name = entry->path().filename().string();
        std::error_code ignored;
        // A folder, a pipe or a device is no picture, and reading one could block.
        if (IsHiddenFileName(name) || !fs::is_regular_file(entry->status(ignored))) {
            continue;
        }
        std::uint8_t head[kPictureHeadSize];
        std::FILE* file = std::fopen(entry->path().c_str(), "rb");
        if (file == nullptr) {
            continue;
        }
        const std::size_t size = std::fread(head, 1, sizeof head, file);
        std::fclose(file);
        if (std::optional<FolderPicture> picture = PictureOfFile(name, head, size)) {
            pictures.push_back(std::move(*picture));
        }
    }
    if (error) {
        reason = error.message();
        return false;
    }
    std::sort(pictures.begin(), pictures.end(), [](const FolderPicture& a, const FolderPicture& b) {
        return NaturalLess(a.name, b.name);
    });
    return true;
}

std::string StarterDescriptionFor(const std::vector<FolderPicture>& pictures) {
    const std::string starter = StarterDescription();
    if (pictures.empty()) {
        return starter;
    }
    // The starter's comments, without its two examples.
    std::string text = starter.substr(0, starter.find("\n[[picture]]\n") + 1);
    text +=
        "# The pictures found beside this file, in name order (move a block to play\n"
        "# them in another): write each answer between its quotes, and a code step\n"
        "# for each if the quiz gives a code.\n";
    for (const FolderPicture& picture : pictures) {
        const std::string name = Quoted(Composed(picture.name).value_or(picture.name));
        const std::string block = "[[picture]]\nfile = " + name + "\nanswer = \"\"\ncode = \"\"\n";
        if (picture.unusable.empty()) {
            text += "\n" + block;
            continue;
        }
        text += "\n# " + name + ": " + picture.unusable +
                "; then name the new file here and remove the # signs:\n";
        for (std::size_t start = 0; start < block.size();) {
            const std::size_t end = block.find('\n', start) + 1;
            text += "# " + block.substr(start, end - start);
            start = end;
        }
    }
    return text;
}

}  // namespace brivel
