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

bool PackPictures(Quiz& quiz, const std::vector<std::string>& files,
                  const PictureOptions& options) {
    const bool progress = isatty(STDERR_FILENO) == 1;
    const std::size_t count = quiz.pictures.size();
    PrepOptions prep;
    prep.red = quiz.colour[0];
    prep.green = quiz.colour[1];
    prep.blue = quiz.colour[2];
    prep.quality = options.quality;
    TurboJpegCodec codec;
    for (std::size_t i = 0; i < count; ++i) {
        Quiz::Picture& picture = quiz.pictures[i];
        const std::string& path = files[i];
        std::string reason;
        std::optional<std::vector<std::uint8_t>> bytes =
            picture.given.empty() ? ReadWholeFile(path, &reason) : std::move(picture.given);
        picture.given = std::vector<std::uint8_t>();
        if (!bytes) {
            std::fprintf(stderr, "brivel pack: %s: %s\n", path.c_str(), reason.c_str());
            return false;
        }
        if (options.keep) {
            WarnOfPlayersThatCannotShow(codec, path, *bytes);
            picture.stored = std::move(*bytes);
            continue;
        }
        PicturePlan plan;
        std::string detail;
        if (PreparePicture(codec, bytes->data(), bytes->size(), prep, plan, picture.stored,
                           &detail) != PrepStatus::Ok) {
            std::fprintf(stderr, "brivel pack: %s: %s\n", path.c_str(), detail.c_str());
            return false;
        }
        if (progress) {
            std::fprintf(stderr, "brivel pack: %zu/%zu %s: %s\n", i + 1, count, path.c_str(),
                         DescribePlan(plan, options.quality).c_str());
        }
    }
    return true;
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
