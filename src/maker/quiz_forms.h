#pragma once

// Every form a quiz takes, opened into the one quiz (quiz_model.h) and
// written from it: a .res bundle of its resources, a Windows quiz (the
// Windows player with the resources in its resource section), a Linux quiz
// (the Linux player with the bundle appended), a web quiz (the web player's
// page with the bundle in it), and the quiz folder: its quiz.toml beside its
// pictures, on disk or as one .zip; and written only, a learning platform's
// SCORM package (scorm_package.h) of the web quiz. The tool and the studio
// call these; the caller prints.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "maker/byte_sink.h"
#include "maker/picture_codec.h"
#include "maker/picture_prep.h"
#include "maker/quiz_bundle.h"
#include "maker/quiz_description.h"
#include "maker/quiz_model.h"
#include "maker/zip_archive.h"
#include "quiz/res_file.h"

namespace brivel {

enum class QuizForm {
    Res,
    Windows,
    Linux,
    Web,
    Folder,       // the quiz folder as one .zip
    Description,  // its quiz.toml alone: written, never recognised
    Scorm12,      // a SCORM 1.2 package of the web quiz: written, never recognised
    Scorm2004,    // a SCORM 2004 package of it
};

// "a .res bundle", "a Windows quiz", "a Linux quiz", "a web quiz", "a quiz
// folder's .zip", "a quiz description", "a SCORM 1.2 package", "a SCORM 2004 package".
const char* QuizFormName(QuizForm form);

// The form whose bare player a quiz of form carries: the web quiz's for a
// SCORM package, else form itself.
QuizForm PlayerForm(QuizForm form);

// The form of a file from its first bytes (its trailer for a Linux quiz, or
// a Linux program); nothing when it is none. With whole false, bytes are the
// file's first kQuizFormHead or fewer, and a page that starts as the web
// player's is taken for a web quiz (opening it tells).
std::optional<QuizForm> RecogniseQuizForm(const std::uint8_t* bytes, std::size_t size,
                                          bool whole = true);
inline constexpr std::size_t kQuizFormHead = 64;

enum class FormStatus {
    Ok,  // opened, or written
    // Opening.
    NotAQuiz,               // none of the forms (detail: why no quiz is appended to it)
    DamagedResources,       // its .res bundle does not read (detail: where and why)
    UnreadableQuizProgram,  // a Windows program whose resources do not read (detail: why)
    BareWindowsPlayer,      // a player with no quiz in it
    BareLinuxPlayer,
    BareWebPlayer,
    PageNotBase64,      // a web player's page whose quiz is not base64
    DamagedTexts,       // the quiz's texts are missing or do not read (detail: which, why)
    DamagedArchive,     // a .zip that does not read (detail: why, and the entry)
    ArchiveTooLarge,    // a .zip whose quiz folder would pass kZipLimit
    NoDescription,      // a .zip with no quiz.toml in it
    DescriptionErrors,  // a quiz folder, or a quiz to write, with errors (the problems)
    // Writing.
    NotWebPlayer,       // the player given is not the web player's page
    NotLinuxProgram,    // it is no Linux program at all
    WindowsNotLinux,    // it is a Windows program, where a Linux player is needed
    LinuxNotWindows,    // it is a Linux program, where a Windows player is needed
    UnreadablePlayer,   // a Windows program whose resources do not read (detail: why)
    PlayerCannotCarry,  // the Windows player cannot take the quiz's resources (detail: why)
    UnusablePicture,    // a picture could not be prepared
    ResourcesNotMade,   // the texts do not pack, or a picture is no JPEG or PNG (detail)
    ResourceTooLarge,   // a resource of 4 GiB or more, or a file a .zip cannot hold
    NotWritten,         // the sink refused the bytes (it knows why)
};

// A short meaning of the status: the tool's English, or the studio's French.
const char* FormStatusName(FormStatus status, Wording wording = Wording::English);

// The status as the tool says it: its name, then its detail when it has one.
std::string FormMessage(FormStatus status, const std::string& detail);

// How a quiz folder is checked as it is opened.
struct FolderCheck {
    std::string name;  // the folder's, to name its files in problems; empty: none
    PictureCheck pictures = PictureCheck::Headers;
    FitCheck fit;
};

struct OpenedQuiz {
    FormStatus status = FormStatus::Ok;
    std::string detail;  // the lower reader's words, in English
    QuizForm form = QuizForm::Res;
    // Its texts, and its pictures as given (a quiz's pictures as it holds them).
    Quiz quiz;
    // A quiz file's resources as they are, for what shows the quiz as a
    // player does; none for a quiz folder.
    std::optional<ResFileResources> resources;
    // A quiz folder's: every problem of its description, and where each
    // picture was found, as the description names it.
    std::vector<DescriptionProblem> problems;
    std::vector<std::string> pictureFiles;
    // A quiz folder's texts as checked, to write it with StreamQuiz.
    QuizTexts texts;
};

// Opens a quiz file of any form, a quiz folder's .zip included (checked as
// check says, its pictures read whole). The bytes are released once read.
OpenedQuiz OpenQuiz(std::vector<std::uint8_t> bytes, PictureCodec& codec,
                    const FolderCheck& check = {});

// Opens a quiz folder given as its files, quiz.toml among them.
OpenedQuiz OpenQuizFiles(std::vector<FolderFile> files, PictureCodec& codec,
                         const FolderCheck& check = {});

// Opens the quiz folder that source reads, its pictures' bytes left unread:
// pictureFiles says where each is.
OpenedQuiz OpenQuizFolder(const DescriptionSource& source, PictureCodec& codec,
                          const FolderCheck& check = {});

// Whether player is a bare player, or a quiz, of form's platform, which can
// carry a quiz: Ok, or the status saying what it is instead.
FormStatus CheckPlayer(QuizForm form, const std::vector<std::uint8_t>& player, std::string& detail);

struct WrittenQuiz {
    FormStatus status = FormStatus::Ok;
    std::string detail;  // the lower writer's words, in English
    std::string bytes;
    std::vector<DescriptionProblem> problems;  // what the checks found first
};

// The quiz in form, checked first (a description alone is written as it
// stands); player is the bare player's file for the Windows, Linux and web
// forms (the web player's for a SCORM package). The quiz folder's forms are
// the studio's downloads, written as it writes them, the folder's .zip
// dated made with its notices beside quiz.toml (carried_notices.h; a SCORM
// package depends on the quiz alone).
WrittenQuiz WriteQuiz(const Quiz& quiz, QuizForm form, const std::vector<std::uint8_t>& player,
                      PictureCodec& codec, ZipTime made = kZipEpoch);

// The pictures of a quiz being written, had one at a time, so that a quiz of
// large pictures is never held whole.
class PictureSource {
public:
    virtual ~PictureSource() = default;

    // Picture index's size and first bytes (up to 8: enough to tell a JPEG
    // from a PNG), before any picture is read: the Windows form lays out its
    // resources first. False when they cannot be had (the source knows why).
    virtual bool Describe(std::size_t index, std::uint64_t& size,
                          std::vector<std::uint8_t>& head) = 0;

    // The order in which Read will ask for the pictures, each once, told
    // before the first Read: a Windows quiz lays out JPEGs before PNGs.
    virtual void Expect(const std::vector<std::size_t>& /*order*/) {}

    // Picture index's bytes, valid until the next call. False when they
    // cannot be had (the source knows why).
    virtual bool Read(std::size_t index, const std::uint8_t*& data, std::size_t& size) = 0;
};

// The quiz of texts (as checked) and pictures written in form, a .res bundle
// or a player's, into sink as it goes; player is the bare player's file.
// UnusablePicture when pictures fails, NotWritten when sink does.
FormStatus StreamQuiz(const QuizTexts& texts, QuizForm form,
                      const std::vector<std::uint8_t>& player, PictureSource& pictures,
                      ByteSink& sink, std::string& detail);

// The .res bundle of the quiz as it stands, for a preview: made whatever the
// checks say, a text the players cannot show having "?" for what they cannot,
// pictures not prepared left out, and every picture left out without
// pictures (the texts alone are all that typing changes). Empty when the
// texts do not pack.
std::string PreviewBundle(const Quiz& quiz, bool pictures);

}  // namespace brivel
