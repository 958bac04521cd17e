#include "quiz_file.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <utility>
#include <vector>

#include "commands.h"
#include "files.h"
#include "turbojpeg_codec.h"

namespace brivel::tool {

namespace {

std::string Lowercase(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

}  // namespace

const char* QuizFormKey(QuizForm form) {
    switch (form) {
        case QuizForm::Windows:
            return "windows";
        case QuizForm::Linux:
            return "linux";
        case QuizForm::Web:
            return "web";
        case QuizForm::Folder:
            return "folder";
        case QuizForm::Description:
            return "description";
        case QuizForm::Scorm12:
            return "scorm";
        case QuizForm::Scorm2004:
            return "scorm2004";
        case QuizForm::Res:
            break;
    }
    return "res";
}

std::optional<QuizForm> QuizFormNamed(const std::string& given) {
    const std::string name = Lowercase(given);
    for (const QuizForm form : kPackedForms) {
        if (name == QuizFormKey(form)) {
            return form;
        }
    }
    return std::nullopt;
}

QuizForm QuizFormOfPath(const std::string& path) {
    const std::string extension = Lowercase(std::filesystem::path(path).extension().string());
    if (extension == ".res") {
        return QuizForm::Res;
    }
    if (extension == ".html" || extension == ".htm") {
        return QuizForm::Web;
    }
    return extension == ".exe" ? QuizForm::Windows : QuizForm::Linux;
}

std::optional<OpenedQuiz> OpenQuizFile(const char* command, const std::string& path,
                                       const FolderCheck& check) {
    std::string reason;
    std::optional<std::vector<std::uint8_t>> bytes = ReadWholeFile(path, &reason);
    if (!bytes) {
        std::fprintf(stderr, "brivel %s: %s: %s\n", command, path.c_str(), reason.c_str());
        return std::nullopt;
    }
    FolderCheck named = check;
    named.name = path;
    TurboJpegCodec codec;
    OpenedQuiz opened = OpenQuiz(std::move(*bytes), codec, named);
    // A folder's errors are its problems; its warnings are pack's and check's to say.
    if (opened.status == FormStatus::DescriptionErrors) {
        PrintDescriptionProblems(command, opened.problems);
        return std::nullopt;
    }
    if (opened.status != FormStatus::Ok) {
        std::fprintf(stderr, "brivel %s: %s: %s\n", command, path.c_str(),
                     FormMessage(opened.status, opened.detail).c_str());
        return std::nullopt;
    }
    return opened;
}

bool IsPictureOf(const char* command, const Quiz& quiz, const std::string& path, int picture) {
    const std::size_t count = quiz.pictures.size();
    if (picture >= 1 && static_cast<std::size_t>(picture) <= count) {
        return true;
    }
    std::fprintf(stderr, "brivel %s: %s: picture %d: the quiz has pictures 1 to %zu\n", command,
                 path.c_str(), picture, count);
    return false;
}

std::string CheckQuizOutput(const std::string& out) {
    if (out.empty()) {
        return "an empty name: give the quiz to write, as -o myquiz.exe";
    }
    const std::string name = out.substr(out.rfind('/') + 1);
    if (name.empty()) {
        return out + " names a folder: give the quiz file to write in it";
    }
    const std::string lower = Lowercase(name);
    for (const char* extension : {".exe", ".res", ".html", ".htm"}) {
        if (lower == extension) {
            return out + " is an extension without a name: write NAME" + name;
        }
    }
    return std::string();
}

void WarnOfNamelessForm(const std::string& out) {
    const std::string extension = Lowercase(std::filesystem::path(out).extension().string());
    if (QuizFormOfPath(out) != QuizForm::Linux || extension.empty() || extension == ".bin" ||
        extension == ".run" || extension == ".x86_64") {
        return;
    }
    std::fprintf(stderr,
                 "brivel pack: warning: %s: %s names no quiz form: writing a Linux quiz (.exe "
                 "makes a Windows quiz, .html a web quiz, .res the resources alone%s)\n",
                 out.c_str(), extension.c_str(),
                 extension == ".zip" ? "; --platform scorm a learning platform's package" : "");
}

void WarnOfContradictingName(QuizForm form, const std::string& out) {
    const QuizForm named = QuizFormOfPath(out);
    // A platform takes its package as a .zip, which names no form of its own.
    const bool package = PlayerForm(form) != form || form == QuizForm::Folder;
    if (package ? Lowercase(std::filesystem::path(out).extension().string()) != ".zip"
                : named != form) {
        std::fprintf(stderr,
                     "brivel pack: warning: %s: its name asks for %s, but --platform makes %s%s\n",
                     out.c_str(), QuizFormName(named), QuizFormName(form),
                     form == QuizForm::Windows ? " (Windows runs only names ending in .exe)" : "");
    }
}

}  // namespace brivel::tool
