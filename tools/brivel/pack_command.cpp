// brivel pack: a quiz folder (or its .zip) put into a quiz of any form.

#include <malloc.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "commands.h"
#include "files.h"
#include "pack_pictures.h"
#include "player_fonts.h"
#include "players.h"
#include "quiz_file.h"
#include "turbojpeg_codec.h"

namespace brivel::tool {

namespace fs = std::filesystem;

namespace {

// The quiz folder DIR, or the .zip of one that stands for it, checked as
// pack checks it, with the files pack reads in inputs; nothing after a message.
std::optional<OpenedQuiz> OpenFolder(const PackOptions& options, std::vector<std::string>& inputs) {
    // Each picture is decoded later, as it is prepared or kept.
    FolderCheck check;
    check.pictures = PictureCheck::Headers;
    check.fit = ToolFitCheck("pack");
    std::error_code ignored;
    if (fs::is_regular_file(options.dir, ignored)) {
        std::optional<OpenedQuiz> opened = OpenQuizFile("pack", options.dir, check);
        if (opened) {
            PrintDescriptionProblems("pack", opened->problems);
        }
        if (opened && opened->form != QuizForm::Folder) {
            std::fprintf(stderr,
                         "brivel pack: %s: %s, not a quiz folder or its .zip (brivel unpack "
                         "makes a folder of it)\n",
                         options.dir.c_str(), QuizFormName(opened->form));
            return std::nullopt;
        }
        inputs = {options.dir};
        return opened;
    }
    TurboJpegCodec codec;
    OpenedQuiz opened = OpenQuizFolder(QuizFolderSource(options.dir), codec, check);
    PrintDescriptionProblems("pack", opened.problems);
    if (opened.status != FormStatus::Ok) {
        return std::nullopt;
    }
    inputs = opened.pictureFiles;
    inputs.push_back((fs::path(options.dir) / kDescriptionFileName).string());
    return opened;
}

// The bare player's bytes (none for the resources alone), or nothing after a
// message when it cannot be read or carry a quiz of form.
// When a quiz folder's .zip is made: SOURCE_DATE_EPOCH when set, for
// archives that a build gives again byte for byte, else now on this
// machine's clock.
ZipTime ArchiveTime() {
    if (const char* given = std::getenv("SOURCE_DATE_EPOCH"); given != nullptr && *given != '\0') {
        char* end = nullptr;
        const long long seconds = std::strtoll(given, &end, 10);
        if (*end == '\0') {
            return seconds;
        }
        std::fprintf(stderr, "brivel pack: warning: SOURCE_DATE_EPOCH=%s is not a number of "
                             "seconds: the .zip is dated now\n", given);
    }
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    return localtime_r(&now, &local) != nullptr ? now + local.tm_gmtoff : now;
}

// Whether form is a player with a quiz in it, or a package of one.
bool HasPlayer(QuizForm form) {
    return form != QuizForm::Res && form != QuizForm::Folder;
}

std::optional<std::vector<std::uint8_t>> ReadPlayer(QuizForm form, const std::string& player) {
    if (!HasPlayer(form)) {
        return std::vector<std::uint8_t>();
    }
    std::string reason;
    std::optional<std::vector<std::uint8_t>> read = ReadWholeFile(player, &reason);
    std::string detail;
    const FormStatus status = read ? CheckPlayer(form, *read, detail) : FormStatus::Ok;
    if (!read || status != FormStatus::Ok) {
        std::fprintf(stderr, "brivel pack: %s: %s\n", player.c_str(),
                     read ? FormMessage(status, detail).c_str() : reason.c_str());
        return std::nullopt;
    }
    return read;
}

// Why a quiz could not be written, unless its pictures or its file have said.
void PrintFailure(FormStatus status, const std::string& detail, const std::string& player) {
    if (status == FormStatus::Ok || status == FormStatus::UnusablePicture ||
        status == FormStatus::NotWritten) {
        return;
    }
    const bool ofPlayer =
        status == FormStatus::PlayerCannotCarry || status == FormStatus::NotWebPlayer;
    const std::string about = ofPlayer ? player + ": " : std::string();
    std::fprintf(stderr, "brivel pack: %s%s\n", about.c_str(), FormMessage(status, detail).c_str());
}

// The quiz with its pictures prepared: small enough to be made whole, and
// checked as the studio checks what it writes.
bool WritePrepared(const PackOptions& options, QuizForm form, const std::string& player,
                   OpenedQuiz& opened) {
    if (!PackPictures(opened.quiz, opened.pictureFiles, options.pictures)) {
        return false;
    }
    const std::optional<std::vector<std::uint8_t>> playerBytes = ReadPlayer(form, player);
    if (!playerBytes) {
        return false;
    }
    TurboJpegCodec codec;
    const WrittenQuiz quiz = WriteQuiz(opened.quiz, form, *playerBytes, codec, ArchiveTime());
    if (quiz.status != FormStatus::Ok) {
        PrintFailure(quiz.status, quiz.detail, player);
        return false;
    }
    return WriteAtomically("pack", options.out, quiz.bytes, form == QuizForm::Linux);
}

// The quiz with its pictures as they are, each written as it is read and
// checked, so that a quiz of large files is never held whole.
bool WriteKept(const PackOptions& options, QuizForm form, const std::string& player,
               OpenedQuiz& opened) {
    const std::optional<std::vector<std::uint8_t>> playerBytes = ReadPlayer(form, player);
    if (!playerBytes) {
        return false;
    }
    const std::unique_ptr<PictureSource> pictures =
        KeepPictures(opened.quiz, opened.pictureFiles, options.pictures);
    FormStatus status = FormStatus::Ok;
    std::string detail;
    const bool written = WriteAtomically(
        "pack", options.out,
        [&](ByteSink& sink) {
            status = StreamQuiz(opened.texts, form, *playerBytes, *pictures, sink, detail);
            return status == FormStatus::Ok;
        },
        form == QuizForm::Linux);
    PrintFailure(status, detail, player);
    return written;
}

int PackQuiz(const PackOptions& options) {
    const QuizForm form =
        options.platform.empty() ? QuizFormOfPath(options.out) : *QuizFormNamed(options.platform);
    if (!options.platform.empty()) {
        WarnOfContradictingName(form, options.out);
    } else {
        WarnOfNamelessForm(options.out);
    }
    std::string player = options.player;
    if (form == QuizForm::Folder && options.pictures.keep) {
        std::fprintf(stderr, "brivel pack: --keep-pictures: a quiz folder's .zip holds its "
                             "pictures prepared, as the studio's does\n");
        return 1;
    }
    if (HasPlayer(form) && player.empty()) {
        const std::optional<std::string> found = DefaultPlayer(PlayerForm(form));
        if (!found) {
            return 1;
        }
        player = *found;
    }
    if (!IsSafeOutput("pack", options.out, {options.dir})) {
        return 1;
    }
    // Only checked here: read again to be written, not held while the pictures are prepared.
    if (!ReadPlayer(form, player)) {
        return 1;
    }
    std::vector<std::string> inputs;
    std::optional<OpenedQuiz> opened = OpenFolder(options, inputs);
    if (!opened) {
        return 1;
    }
    inputs.push_back(player);
    if (!IsSafeOutput("pack", options.out, inputs)) {
        return 1;
    }
    const bool written = options.pictures.keep ? WriteKept(options, form, player, *opened)
                                               : WritePrepared(options, form, player, *opened);
    if (!written) {
        return 1;
    }
    std::printf("wrote %s: %s\n", options.out.c_str(),
                PictureCount(opened->quiz.pictures.size()).c_str());
    return 0;
}

}  // namespace

int RunPack(const PackOptions& options) {
    // A picture's buffers go back to the system as they are freed, not kept
    // for the next: what pack holds stays what the pictures in flight need.
    mallopt(M_MMAP_THRESHOLD, 1 << 20);
    const int status = PackQuiz(options);
    if (status != 0) {
        // Every failure above is told where it happens; this says what it left.
        std::fprintf(stderr, "brivel pack: %s: nothing written\n", options.out.c_str());
    }
    return status;
}

}  // namespace brivel::tool
