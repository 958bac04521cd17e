// brivel picture: a picture file through the player's own decoding and
// fitting, written out as PPM or PNG so quiz makers see what players will see.

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "commands.h"
#include "files.h"
#include "pictures/fit.h"
#include "pictures/image.h"
#include "pictures/jpeg_decoder.h"
#include "pictures/picture_loader.h"
#include "pictures/png_decoder.h"
#include "pictures/resample.h"
#include "quiz/quiz_loader.h"
#include "quiz/quiz_record.h"
#include "quiz_file.h"

#define STB_IMAGE_WRITE_IMPLEMENTATION
#define STB_IMAGE_WRITE_STATIC
#include <stb/stb_image_write.h>

namespace brivel::tool {

namespace {

struct Box {
    int width = 0;
    int height = 0;
};

// "WxH" with both sides positive; nothing otherwise.
std::optional<Box> ParseBox(const std::string& text) {
    Box box;
    char x = 0;
    char extra = 0;
    if (std::sscanf(text.c_str(), "%d%c%d%c", &box.width, &x, &box.height, &extra) != 3 ||
        (x != 'x' && x != 'X') || box.width <= 0 || box.height <= 0) {
        return std::nullopt;
    }
    return box;
}

bool EndsWith(const std::string& text, const char* suffix) {
    const std::string s(suffix);
    return text.size() >= s.size() && text.compare(text.size() - s.size(), s.size(), s) == 0;
}

// The picture as the player decodes it; a message on stderr when it cannot.
std::optional<RgbImage> Decode(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    static constexpr std::uint8_t kJpeg[] = {0xFF, 0xD8, 0xFF};
    static constexpr std::uint8_t kPng[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    const auto startsWith = [&bytes](const std::uint8_t* signature, std::size_t size) {
        return bytes.size() >= size && std::equal(signature, signature + size, bytes.begin());
    };
    if (startsWith(kJpeg, sizeof kJpeg)) {
        std::string error;
        std::optional<RgbImage> picture = DecodeJpeg(bytes.data(), bytes.size(), &error);
        if (!picture) {
            std::fprintf(stderr, "brivel picture: %s: JPEG error: %s\n", path.c_str(),
                         error.c_str());
        } else if (!error.empty()) {
            std::fprintf(stderr, "brivel picture: %s: JPEG warning: %s\n", path.c_str(),
                         error.c_str());
        }
        return picture;
    }
    if (!startsWith(kPng, sizeof kPng)) {
        std::fprintf(stderr, "brivel picture: %s: %s\n", path.c_str(),
                     NotAPictureReason(bytes.data(), bytes.size()).c_str());
        return std::nullopt;
    }
    PngDecoder decoder;
    Dib dib;
    if (decoder.LoadFromMemory(bytes.data(), bytes.size()) && decoder.Decode() &&
        decoder.MakeDib(kDefaultPngFormat, dib)) {
        RgbImage picture = DibToRgb(dib);
        if (picture.pixels.empty()) {
            std::fprintf(stderr, "brivel picture: %s: out of memory for the RGB picture\n",
                         path.c_str());
            return std::nullopt;
        }
        return picture;
    }
    if (decoder.error() == PngError::None) {
        // MakeDib leaves the error as it was when a row cannot be rendered.
        std::fprintf(stderr, "brivel picture: %s: PNG rows cannot be rendered (bad filter type)\n",
                     path.c_str());
    } else {
        std::fprintf(stderr, "brivel picture: %s: PNG error %s (0x%X)\n", path.c_str(),
                     PngErrorName(decoder.error()), static_cast<unsigned>(decoder.error()));
    }
    return std::nullopt;
}

void AppendBytes(void* context, void* data, int size) {
    auto* out = static_cast<std::vector<std::uint8_t>*>(context);
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    out->insert(out->end(), bytes, bytes + size);
}

// The whole output file in memory, so nothing is written unless it is whole.
std::vector<std::uint8_t> Encode(const RgbImage& picture, bool png) {
    std::vector<std::uint8_t> out;
    if (png) {
        if (stbi_write_png_to_func(&AppendBytes, &out, picture.width, picture.height, 3,
                                   picture.pixels.data(), picture.width * 3) == 0) {
            out.clear();
        }
        return out;
    }
    const std::string header =
        "P6\n" + std::to_string(picture.width) + " " + std::to_string(picture.height) + "\n255\n";
    out.reserve(header.size() + picture.pixels.size());
    out.assign(header.begin(), header.end());
    out.insert(out.end(), picture.pixels.begin(), picture.pixels.end());
    return out;
}

}  // namespace

int WritePicture(const char* command, const RgbImage& picture, const std::string& output,
                 const std::string& input) {
    if (!IsSafeOutput(command, output, {input})) {
        return 1;
    }
    const std::vector<std::uint8_t> encoded = Encode(picture, EndsWith(output, ".png"));
    if (encoded.empty()) {
        std::fprintf(stderr, "brivel %s: cannot encode %s\n", command, output.c_str());
        return 1;
    }
    return WriteAtomically(command, output, std::string(encoded.begin(), encoded.end())) ? 0 : 1;
}

bool IsBox(const std::string& text) {
    return ParseBox(text).has_value();
}

std::string CheckPictureOutput(const std::string& text) {
    return EndsWith(text, ".ppm") || EndsWith(text, ".png")
               ? std::string()
               : "the output's name must end in .ppm or .png";
}

int RunPicture(const PictureCommandOptions& options) {
    std::string reason;
    const std::optional<std::vector<std::uint8_t>> bytes = ReadWholeFile(options.input, &reason);
    if (!bytes) {
        std::fprintf(stderr, "brivel picture: %s: %s\n", options.input.c_str(), reason.c_str());
        return 1;
    }
    std::optional<RgbImage> picture = Decode(options.input, *bytes);
    if (!picture) {
        return 1;
    }
    if (!options.fit.empty()) {
        const Box box = *ParseBox(options.fit);
        const FitStatus status = FitInPlace(*picture, box.width, box.height);
        if (status != FitStatus::Ok) {
            std::fprintf(stderr, "brivel picture: %d x %d into %s: %s\n", picture->width,
                         picture->height, options.fit.c_str(), FitStatusName(status));
            return 1;
        }
    }
    return WritePicture("picture", *picture, options.output, options.input);
}

}  // namespace brivel::tool
