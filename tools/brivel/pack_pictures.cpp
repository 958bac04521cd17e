#include "pack_pictures.h"

#include <unistd.h>

#include <cstdio>
#include <string>
#include <utility>

#include "files.h"
#include "turbojpeg_codec.h"

namespace brivel::tool {

namespace {

// A picture kept as it is that some players cannot show as the others do.
void WarnOfPlayersThatCannotShow(PictureCodec& codec, const std::string& path,
                                 const std::vector<std::uint8_t>& bytes) {
    PicturePlan plan;
    if (PlanPicture(codec, bytes.data(), bytes.size(), plan, nullptr) != PrepStatus::Ok) {
        return;
    }
    if (plan.cmyk) {
        std::fprintf(stderr,
                     "brivel pack: warning: %s: a CMYK JPEG, which the Windows and Linux players "
                     "show as nothing; without --keep-pictures pack stores it in RGB\n",
                     path.c_str());
    }
    if (plan.transparent) {
        std::fprintf(stderr,
                     "brivel pack: warning: %s: a transparent PNG: the Windows and Linux players "
                     "show the colours its transparent areas hide, the web player shows through "
                     "them; without --keep-pictures pack lays them on the quiz colour\n",
                     path.c_str());
    }
}

}  // namespace

std::optional<std::vector<std::vector<std::uint8_t>>> PackPictures(
    const QuizDescription& description, const PictureOptions& options) {
    const bool progress = isatty(STDERR_FILENO) == 1;
    const std::size_t count = description.pictureFiles.size();
    PrepOptions prep;
    prep.red = description.text.red;
    prep.green = description.text.green;
    prep.blue = description.text.blue;
    prep.quality = options.quality;
    TurboJpegCodec codec;
    std::vector<std::vector<std::uint8_t>> pictures;
    for (std::size_t i = 0; i < count; ++i) {
        const std::string& path = description.pictureFiles[i];
        std::string reason;
        std::optional<std::vector<std::uint8_t>> bytes = ReadWholeFile(path, &reason);
        if (!bytes) {
            std::fprintf(stderr, "brivel pack: %s: %s\n", path.c_str(), reason.c_str());
            return std::nullopt;
        }
        if (options.keep) {
            WarnOfPlayersThatCannotShow(codec, path, *bytes);
            pictures.push_back(std::move(*bytes));
            continue;
        }
        PicturePlan plan;
        std::vector<std::uint8_t> prepared;
        std::string detail;
        if (PreparePicture(codec, bytes->data(), bytes->size(), prep, plan, prepared, &detail) !=
            PrepStatus::Ok) {
            std::fprintf(stderr, "brivel pack: %s: %s\n", path.c_str(), detail.c_str());
            return std::nullopt;
        }
        if (progress) {
            std::fprintf(stderr, "brivel pack: %zu/%zu %s: %s\n", i + 1, count, path.c_str(),
                         DescribePlan(plan, options.quality).c_str());
        }
        pictures.push_back(std::move(prepared));
    }
    return pictures;
}

void PrintPicturePlans(const QuizDescription& description) {
    TurboJpegCodec codec;
    for (const std::string& path : description.pictureFiles) {
        const std::optional<std::vector<std::uint8_t>> bytes = ReadWholeFile(path);
        PicturePlan plan;
        // The description's own check has named any picture that cannot be read.
        if (bytes &&
            PlanPicture(codec, bytes->data(), bytes->size(), plan, nullptr) == PrepStatus::Ok &&
            plan.action != PrepAction::Keep) {
            std::printf("%s: info: prepared by pack: %s\n", path.c_str(),
                        DescribePlan(plan, kDefaultJpegQuality).c_str());
        }
    }
}

}  // namespace brivel::tool
