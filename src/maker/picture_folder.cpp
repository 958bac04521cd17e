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

#include "io/input_file.h"
#include "maker/picture_prep.h"
#include "maker/quiz_description.h"
#include "maker/text_compose.h"
#include "pictures/png_decoder.h"

namespace brivel {

namespace {

namespace fs = std::filesystem;

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

std::optional<FolderPicture> PictureOfFile(std::string_view name, const std::uint8_t* head,
                                           std::size_t size) {
    if (IsHiddenFileName(name)) {
        return std::nullopt;
    }
    FolderPicture picture;
    // The tool reads WebP too, and stores it as a JPEG.
    const char* kind = OtherPictureKind(head, size);
    const bool webp = kind != nullptr && std::string_view(kind) == "WebP";
    if (!webp && !StartsWith(head, size, kJpegStart, sizeof kJpegStart) &&
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
        InputFile file(entry->path().string());
        if (!file.ok()) {
            continue;
        }
        const std::size_t size = file.ReadHead(head, sizeof head);
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
