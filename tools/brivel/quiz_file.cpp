#include "quiz_file.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <utility>

#include "commands.h"
#include "files.h"
#include "maker/appended_bundle_writer.h"
#include "maker/pe_resources.h"
#include "maker/res_writer.h"
#include "maker/web_quiz.h"
#include "quiz/appended_bundle.h"

namespace brivel::tool {

namespace {

std::string Lowercase(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

bool IsResFile(const std::vector<std::uint8_t>& bytes) {
    // The empty entry every 32-bit .res starts with: DataSize 0, HeaderSize 32,
    // TYPE 0xFFFF 0, NAME 0xFFFF 0.
    static constexpr std::uint8_t kStart[16] = {0,    0,    0, 0, 32,   0,    0, 0,
                                                0xFF, 0xFF, 0, 0, 0xFF, 0xFF, 0, 0};
    return bytes.size() >= sizeof kStart &&
           std::equal(kStart, kStart + sizeof kStart, bytes.begin());
}

bool IsPeFile(const std::vector<std::uint8_t>& bytes) {
    return bytes.size() >= 2 && bytes[0] == 'M' && bytes[1] == 'Z';
}

bool IsElfFile(const std::vector<std::uint8_t>& bytes) {
    return bytes.size() >= 4 && std::memcmp(bytes.data(),
                                            "\x7f"
                                            "ELF",
                                            4) == 0;
}

}  // namespace

const char* FormName(QuizForm form) {
    switch (form) {
        case QuizForm::Windows:
            return "a Windows quiz";
        case QuizForm::Linux:
            return "a Linux quiz";
        case QuizForm::Web:
            return "a web quiz";
        case QuizForm::Res:
            break;
    }
    return "a .res bundle";
}

namespace {

// Why bytes cannot be the bare player of form, or an empty string when they can.
std::string PlayerMismatch(QuizForm form, const std::vector<std::uint8_t>& bytes) {
    if (form == QuizForm::Web) {
        return IsWebPlayerPage(bytes) ? std::string() : "not a web player page";
    }
    if (form == QuizForm::Linux) {
        if (IsElfFile(bytes)) {
            return std::string();
        }
        return IsPeFile(bytes) ? "a Windows program, not a Linux player"
                               : "not a Linux program (no ELF header)";
    }
    if (IsElfFile(bytes)) {
        return "a Linux program, not a Windows player";
    }
    const PeReadResult read = ReadPeResources(bytes.data(), bytes.size());
    if (read.status != PeStatus::Ok) {
        return std::string("not a Windows program we can read: ") + PeStatusName(read.status);
    }
    return std::string();
}

std::optional<ResFileResources> FromRes(const char* command, const std::string& path,
                                        const std::uint8_t* bytes, std::size_t size) {
    ResReadResult read = ReadResFile(bytes, size);
    if (read.status != ResStatus::Ok) {
        std::fprintf(stderr, "brivel %s: %s: damaged quiz resources: %s at byte %zu\n", command,
                     path.c_str(), ResStatusName(read.status), read.errorOffset);
        return std::nullopt;
    }
    return ResFileResources(std::move(read.entries));
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
        case QuizForm::Res:
            break;
    }
    return "res";
}

std::optional<QuizForm> QuizFormNamed(const std::string& given) {
    const std::string name = Lowercase(given);
    for (const QuizForm form : {QuizForm::Res, QuizForm::Windows, QuizForm::Linux, QuizForm::Web}) {
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

std::optional<ResFileResources> OpenQuizFile(const char* command, const std::string& path,
                                             QuizForm* form) {
    std::string reason;
    const std::optional<std::vector<std::uint8_t>> bytes = ReadWholeFile(path, &reason);
    if (!bytes) {
        std::fprintf(stderr, "brivel %s: %s: %s\n", command, path.c_str(), reason.c_str());
        return std::nullopt;
    }
    // Whichever the platform, a player without a quiz is named the same way.
    const auto bare = [command, &path](const char* platform) {
        std::fprintf(stderr, "brivel %s: %s: a bare %s player, with no quiz in it\n", command,
                     path.c_str(), platform);
        return std::nullopt;
    };
    QuizForm found = QuizForm::Res;
    std::optional<ResFileResources> resources;
    if (IsResFile(*bytes)) {
        resources = FromRes(command, path, bytes->data(), bytes->size());
    } else if (IsPeFile(*bytes)) {
        PeReadResult read = ReadPeResources(bytes->data(), bytes->size());
        if (read.status != PeStatus::Ok) {
            std::fprintf(stderr, "brivel %s: %s: not a readable Windows quiz: %s\n", command,
                         path.c_str(), PeStatusName(read.status));
            return std::nullopt;
        }
        found = QuizForm::Windows;
        resources.emplace(std::move(read.entries));
        if (!resources->Find(ResourceType::Named(kQuizResourceType), kQuizTextId)) {
            return bare("Windows");
        }
    } else if (IsWebPlayerPage(*bytes)) {
        const std::optional<std::vector<std::uint8_t>> bundle = BundleOfPage(*bytes);
        if (bundle && bundle->empty()) {
            return bare("web");
        }
        if (!bundle) {
            std::fprintf(stderr, "brivel %s: %s: a web player page whose quiz is not base64\n",
                         command, path.c_str());
            return std::nullopt;
        }
        found = QuizForm::Web;
        resources = FromRes(command, path, bundle->data(), bundle->size());
    } else {
        std::size_t offset = 0;
        std::size_t length = 0;
        const BundleStatus status = LocateBundle(bytes->data(), bytes->size(), offset, length);
        if (status == BundleStatus::NoBundle && IsElfFile(*bytes)) {
            return bare("Linux");
        }
        if (status != BundleStatus::Ok) {
            std::fprintf(
                stderr,
                "brivel %s: %s: neither a .res bundle nor a Windows, Linux or web quiz (%s)\n",
                command, path.c_str(), BundleStatusName(status));
            return std::nullopt;
        }
        found = QuizForm::Linux;
        resources = FromRes(command, path, bytes->data() + offset, length);
    }
    if (resources && form != nullptr) {
        *form = found;
    }
    return resources;
}

std::optional<OpenedQuiz> OpenQuiz(const char* command, const std::string& path) {
    QuizForm form = QuizForm::Res;
    std::optional<ResFileResources> resources = OpenQuizFile(command, path, &form);
    if (!resources) {
        return std::nullopt;
    }
    StderrSink sink;
    std::string error;
    std::optional<QuizTexts> texts = ReadQuizTexts(*resources, sink, error);
    if (!texts) {
        std::fprintf(stderr, "brivel %s: %s: %s\n", command, path.c_str(), error.c_str());
        return std::nullopt;
    }
    return OpenedQuiz{std::move(*resources), std::move(*texts), form};
}

bool IsPictureOf(const char* command, const OpenedQuiz& quiz, const std::string& path,
                 int picture) {
    const std::size_t count = quiz.texts.text.pictures.size();
    if (picture >= 1 && static_cast<std::size_t>(picture) <= count) {
        return true;
    }
    std::fprintf(stderr, "brivel %s: %s: picture %d: the quiz has pictures 1 to %zu\n", command,
                 path.c_str(), picture, count);
    return false;
}

std::optional<std::string> MakeQuizFile(QuizForm form, const std::vector<ResEntry>& entries,
                                        const std::string& player) {
    const std::string bundle = WriteResFile(entries);
    if (bundle.empty()) {
        std::fprintf(stderr, "brivel pack: a resource is too large for a .res bundle\n");
        return std::nullopt;
    }
    if (form == QuizForm::Res) {
        return bundle;
    }
    std::string reason;
    const std::optional<std::vector<std::uint8_t>> bytes = ReadWholeFile(player, &reason);
    if (!bytes) {
        std::fprintf(stderr, "brivel pack: %s: %s\n", player.c_str(), reason.c_str());
        return std::nullopt;
    }
    if (form == QuizForm::Web) {
        std::optional<std::string> page =
            PutBundleInPage(std::string(bytes->begin(), bytes->end()), bundle);
        if (!page) {
            std::fprintf(stderr, "brivel pack: %s: not a web player page\n", player.c_str());
        }
        return page;
    }
    if (form == QuizForm::Linux) {
        return AppendBundle(std::string(bytes->begin(), bytes->end()), bundle);
    }
    PeWriteResult written = AddPeResources(bytes->data(), bytes->size(), entries);
    if (written.status != PeStatus::Ok) {
        std::fprintf(stderr, "brivel pack: %s: cannot carry the quiz: %s\n", player.c_str(),
                     PeStatusName(written.status));
        return std::nullopt;
    }
    return std::move(written.bytes);
}

bool IsPlayerFor(QuizForm form, const std::string& player) {
    std::string reason;
    const std::optional<std::vector<std::uint8_t>> bytes = ReadWholeFile(player, &reason);
    if (bytes) {
        reason = PlayerMismatch(form, *bytes);
    }
    if (!reason.empty()) {
        std::fprintf(stderr, "brivel pack: %s: %s\n", player.c_str(), reason.c_str());
    }
    return reason.empty();
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
                 "makes a Windows quiz, .html a web quiz, .res the resources alone)\n",
                 out.c_str(), extension.c_str());
}

void WarnOfContradictingName(QuizForm form, const std::string& out) {
    const QuizForm named = QuizFormOfPath(out);
    if (named != form) {
        std::fprintf(stderr,
                     "brivel pack: warning: %s: its name asks for %s, but --platform makes %s%s\n",
                     out.c_str(), FormName(named), FormName(form),
                     form == QuizForm::Windows ? " (Windows runs only names ending in .exe)" : "");
    }
}

}  // namespace brivel::tool
