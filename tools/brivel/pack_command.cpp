// brivel pack: a quiz description and its pictures put into a quiz of any form.

#include <cstdio>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "commands.h"
#include "files.h"
#include "maker/quiz_bundle.h"
#include "pack_pictures.h"
#include "player_fonts.h"
#include "players.h"
#include "quiz/res_file.h"
#include "quiz_file.h"
#include "text/cp1252.h"
#include "turbojpeg_codec.h"

namespace brivel::tool {

namespace fs = std::filesystem;

namespace {

int PackQuiz(const PackOptions& options) {
    const QuizForm form =
        options.platform.empty() ? QuizFormOfPath(options.out) : *QuizFormNamed(options.platform);
    if (!options.platform.empty()) {
        WarnOfContradictingName(form, options.out);
    } else {
        WarnOfNamelessForm(options.out);
    }
    std::string player = options.player;
    if (form != QuizForm::Res && player.empty()) {
        const std::optional<std::string> found = DefaultPlayer(form);
        if (!found) {
            return 1;
        }
        player = *found;
    }
    if (!IsSafeOutput("pack", options.out, {options.dir}) ||
        (form != QuizForm::Res && !player.empty() && !IsPlayerFor(form, player))) {
        return 1;
    }
    std::vector<DescriptionProblem> problems;
    TurboJpegCodec codec;
    const std::optional<QuizDescription> description = LoadQuizDescription(
        options.dir, problems, codec,
        options.pictures.keep ? PictureCheck::Decode : PictureCheck::Headers, ToolFitCheck("pack"));
    PrintDescriptionProblems("pack", problems);
    if (!description) {
        return 1;
    }
    std::vector<std::string> inputs = description->pictureFiles;
    inputs.push_back((fs::path(options.dir) / kDescriptionFileName).string());
    inputs.push_back(player);
    if (!IsSafeOutput("pack", options.out, inputs)) {
        return 1;
    }
    const std::optional<std::vector<std::vector<std::uint8_t>>> pictures =
        PackPictures(*description, options.pictures);
    if (!pictures) {
        return 1;
    }
    StderrSink sink;
    std::string error;
    const std::optional<std::vector<ResEntry>> entries =
        MakeQuizResources(description->text, description->codes, *pictures, sink, error);
    if (!entries) {
        std::fprintf(stderr, "brivel pack: %s\n", error.c_str());
        return 1;
    }
    const std::optional<std::string> quiz = MakeQuizFile(form, *entries, player);
    if (!quiz || !WriteAtomically("pack", options.out, *quiz, form == QuizForm::Linux)) {
        return 1;
    }
    std::printf("wrote %s: %s\n", options.out.c_str(), PictureCount(pictures->size()).c_str());
    return 0;
}

}  // namespace

int RunPack(const PackOptions& options) {
    const int status = PackQuiz(options);
    if (status != 0) {
        // Every failure above is told where it happens; this says what it left.
        std::fprintf(stderr, "brivel pack: %s: nothing written\n", options.out.c_str());
    }
    return status;
}

}  // namespace brivel::tool
