#include "maker/quiz_forms.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <utility>

#include "maker/appended_bundle_writer.h"
#include "maker/carried_notices.h"
#include "maker/pe_resources.h"
#include "maker/quiz_bundle.h"
#include "maker/res_writer.h"
#include "maker/scorm_package.h"
#include "maker/text_compose.h"
#include "maker/web_quiz.h"
#include "quiz/appended_bundle.h"
#include "services/message_sink.h"
#include "services/quiz_resources.h"
#include "text/cp1252.h"

namespace brivel {

namespace {

// What a .res bundle starts with: the empty entry's sizes, type and name.
constexpr std::size_t kResMark = 16;

bool IsElf(const std::uint8_t* bytes, std::size_t size) {
    return size >= 4 && std::memcmp(bytes,
                                    "\x7f"
                                    "ELF",
                                    4) == 0;
}

bool IsPe(const std::uint8_t* bytes, std::size_t size) {
    return size >= 2 && bytes[0] == 'M' && bytes[1] == 'Z';
}

// Joins a folder's name and a name in it; a folder without a name adds none.
std::string InFolder(const std::string& folder, const std::string& name) {
    return folder.empty() ? name : folder + "/" + name;
}

class NoMessages final : public MessageSink {
public:
    void ShowMessage(const char* /*text*/, const char* /*caption*/, MessageIcon /*icon*/) override {
    }
};

OpenedQuiz Failed(FormStatus status, std::string detail = std::string()) {
    OpenedQuiz opened;
    opened.status = status;
    opened.detail = std::move(detail);
    return opened;
}

// The entries of the .res bundle in bytes, or the failure.
OpenedQuiz ReadBundle(const std::uint8_t* bytes, std::size_t size, std::vector<ResEntry>& entries) {
    ResReadResult read = ReadResFile(bytes, size);
    if (read.status != ResStatus::Ok) {
        return Failed(FormStatus::DamagedResources, std::string(ResStatusName(read.status)) +
                                                        " at byte " +
                                                        std::to_string(read.errorOffset));
    }
    entries = std::move(read.entries);
    return OpenedQuiz();
}

// The resources the quiz file carries in its form, or the failure.
OpenedQuiz Unwrap(const std::vector<std::uint8_t>& file, QuizForm form,
                  std::vector<ResEntry>& entries) {
    if (form == QuizForm::Res) {
        return ReadBundle(file.data(), file.size(), entries);
    }
    if (form == QuizForm::Windows) {
        PeReadResult read = ReadPeResources(file.data(), file.size());
        if (read.status != PeStatus::Ok) {
            return Failed(FormStatus::UnreadableQuizProgram, PeStatusName(read.status));
        }
        if (!ResFileResources(read.entries)
                 .Find(ResourceType::Named(kQuizResourceType), kQuizTextId)) {
            return Failed(FormStatus::BareWindowsPlayer);
        }
        entries = std::move(read.entries);
        return OpenedQuiz();
    }
    if (form == QuizForm::Web) {
        const std::optional<std::vector<std::uint8_t>> bundle = tool::BundleOfPage(file);
        if (!bundle) {
            return Failed(FormStatus::PageNotBase64);
        }
        if (bundle->empty()) {
            return Failed(FormStatus::BareWebPlayer);
        }
        return ReadBundle(bundle->data(), bundle->size(), entries);
    }
    std::size_t offset = 0;
    std::size_t length = 0;
    const BundleStatus status = LocateBundle(file.data(), file.size(), offset, length);
    if (status == BundleStatus::NoBundle && IsElf(file.data(), file.size())) {
        return Failed(FormStatus::BareLinuxPlayer);
    }
    if (status != BundleStatus::Ok) {
        return Failed(FormStatus::NotAQuiz, BundleStatusName(status));
    }
    return ReadBundle(file.data() + offset, length, entries);
}

// The quiz of a quiz file's resources: its texts, and its pictures as it holds them.
OpenedQuiz FromResources(QuizForm form, std::vector<ResEntry> entries) {
    OpenedQuiz opened;
    opened.form = form;
    ResFileResources& resources = opened.resources.emplace(std::move(entries));
    NoMessages sink;
    std::string error;
    const std::optional<QuizTexts> texts = ReadQuizTexts(resources, sink, error);
    if (!texts) {
        return Failed(FormStatus::DamagedTexts, error);
    }
    std::vector<Quiz::Picture> pictures(texts->text.pictures.size());
    for (std::size_t i = 0; i < pictures.size(); ++i) {
        const int index = static_cast<int>(i);
        if (std::optional<PictureResource> found =
                FindPicture(resources, PictureResourceId(index))) {
            pictures[i].given = std::move(found->bytes);
        }
        const char* extension = PictureExtension(pictures[i].given);
        char name[16];
        std::snprintf(name, sizeof name, "%02d%s", index + 1, extension ? extension : "");
        pictures[i].name = name;
    }
    opened.quiz = QuizOfTexts(*texts, std::move(pictures));
    return opened;
}

OpenedQuiz FromArchive(const std::vector<std::uint8_t>& file, PictureCodec& codec,
                       const FolderCheck& check) {
    ZipFolder zip = ReadZipFolder(file.data(), file.size());
    if (zip.status == ZipStatus::NoDescription) {
        return Failed(FormStatus::NoDescription);
    }
    if (zip.status == ZipStatus::TooLarge) {
        return Failed(FormStatus::ArchiveTooLarge);
    }
    if (zip.status != ZipStatus::Ok) {
        return Failed(FormStatus::DamagedArchive,
                      ZipStatusName(zip.status) +
                          (zip.entry.empty() ? std::string() : " (" + zip.entry + ")"));
    }
    FolderCheck inside = check;
    if (!zip.folder.empty()) {
        inside.name = InFolder(check.name, zip.folder.substr(0, zip.folder.size() - 1));
    }
    return OpenQuizFiles(std::move(zip.files), codec, inside);
}

constexpr std::size_t kNoFile = static_cast<std::size_t>(-1);

// The file named name, or named so once composed: a Mac's archive keeps its
// accents apart, the description has them composed. kNoFile when none is.
std::size_t FindFile(const std::vector<FolderFile>& files, const std::string& name) {
    for (std::size_t i = 0; i < files.size(); ++i) {
        if (files[i].name == name) {
            return i;
        }
    }
    const std::optional<std::string> composed = Composed(name);
    for (std::size_t i = 0; composed && i < files.size(); ++i) {
        if (Composed(files[i].name) == composed) {
            return i;
        }
    }
    return kNoFile;
}

// Picture index's resource with the first bytes of data alone, typed by them;
// nothing when they are neither a JPEG's nor a PNG's.
std::optional<ResEntry> PictureResourceOf(std::size_t index, const std::uint8_t* data,
                                          std::size_t size) {
    return PictureResEntry(static_cast<int>(index),
                           std::vector<std::uint8_t>(data, data + std::min<std::size_t>(size, 8)));
}

FormStatus NeitherJpegNorPng(std::size_t index, std::string& detail) {
    detail = "picture " + std::to_string(index + 1) + " is neither a JPEG nor a PNG";
    return FormStatus::ResourcesNotMade;
}

// A .res bundle of the texts' entries and then the pictures, each read as its
// turn comes; length is what was written.
FormStatus WriteBundle(const std::vector<ResEntry>& texts, std::size_t count,
                       PictureSource& pictures, ByteSink& out, std::uint64_t& length,
                       std::string& detail) {
    static constexpr char kPadding[4] = {};
    length = 0;
    // Every part padded to 4 bytes: the headers already are.
    const auto write = [&out, &length](const void* data, std::size_t size) {
        length += size + ResPaddingTo4(size);
        return out.Write(data, size) && out.Write(kPadding, ResPaddingTo4(size));
    };
    std::vector<std::size_t> order(count);
    for (std::size_t i = 0; i < count; ++i) {
        order[i] = i;
    }
    pictures.Expect(order);
    bool written = write(kResEmptyEntry, sizeof kResEmptyEntry);
    for (std::size_t i = 0; written && i < texts.size() + count; ++i) {
        const std::uint8_t* data = nullptr;
        std::size_t size = 0;
        std::optional<ResEntry> entry;
        if (i < texts.size()) {
            data = texts[i].data.data();
            size = texts[i].data.size();
        } else if (!pictures.Read(i - texts.size(), data, size)) {
            return FormStatus::UnusablePicture;
        } else if (!(entry = PictureResourceOf(i - texts.size(), data, size))) {
            return NeitherJpegNorPng(i - texts.size(), detail);
        }
        const ResEntry& about = i < texts.size() ? texts[i] : *entry;
        const std::string header = ResEntryHeader(about.type, about.id, about.language, size);
        if (header.empty()) {
            return FormStatus::ResourceTooLarge;
        }
        written = write(header.data(), header.size()) && write(data, size);
    }
    return written ? FormStatus::Ok : FormStatus::NotWritten;
}

// A Windows quiz: the player with the texts' entries and the pictures among
// its resources, each picture read as its turn comes.
FormStatus WriteWindowsQuiz(const std::vector<std::uint8_t>& player,
                            const std::vector<ResEntry>& texts, std::size_t count,
                            PictureSource& pictures, ByteSink& out, std::string& detail) {
    std::vector<PeAddition> added;
    for (const ResEntry& entry : texts) {
        added.push_back({entry.type, entry.id, entry.language, entry.data.size()});
    }
    for (std::size_t i = 0; i < count; ++i) {
        std::uint64_t size = 0;
        std::vector<std::uint8_t> head;
        if (!pictures.Describe(i, size, head)) {
            return FormStatus::UnusablePicture;
        }
        const std::optional<ResEntry> entry = PictureResourceOf(i, head.data(), head.size());
        if (!entry) {
            return NeitherJpegNorPng(i, detail);
        }
        added.push_back({entry->type, entry->id, entry->language, size});
    }
    std::vector<std::size_t> order;
    for (const std::size_t index : PeAdditionOrder(added)) {
        if (index >= texts.size()) {
            order.push_back(index - texts.size());
        }
    }
    pictures.Expect(order);
    bool unusable = false;
    const PeStatus status = WritePeResources(
        player.data(), player.size(), added,
        [&](std::size_t index, ByteSink& to) {
            if (index < texts.size()) {
                return to.Write(texts[index].data.data(), texts[index].data.size());
            }
            const std::uint8_t* data = nullptr;
            std::size_t size = 0;
            // One the source says it holds, and then another: the layout stands on the first.
            unusable =
                !pictures.Read(index - texts.size(), data, size) || size != added[index].size;
            return !unusable && to.Write(data, size);
        },
        out);
    if (status == PeStatus::NotWritten) {
        return unusable ? FormStatus::UnusablePicture : FormStatus::NotWritten;
    }
    if (status != PeStatus::Ok) {
        detail = PeStatusName(status);
        return FormStatus::PlayerCannotCarry;
    }
    return FormStatus::Ok;
}

// The pictures a quiz holds, as stored.
class StoredPictures final : public PictureSource {
public:
    explicit StoredPictures(const Quiz& quiz) : quiz_(quiz) {}

    bool Describe(std::size_t index, std::uint64_t& size,
                  std::vector<std::uint8_t>& head) override {
        const std::vector<std::uint8_t>& stored = quiz_.pictures[index].stored;
        size = stored.size();
        head.assign(stored.begin(), stored.begin() + std::min<std::size_t>(stored.size(), 8));
        return true;
    }

    bool Read(std::size_t index, const std::uint8_t*& data, std::size_t& size) override {
        data = quiz_.pictures[index].stored.data();
        size = quiz_.pictures[index].stored.size();
        return true;
    }

private:
    const Quiz& quiz_;
};

}  // namespace

const char* QuizFormName(QuizForm form) {
    switch (form) {
        case QuizForm::Res:
            return "a .res bundle";
        case QuizForm::Windows:
            return "a Windows quiz";
        case QuizForm::Linux:
            return "a Linux quiz";
        case QuizForm::Web:
            return "a web quiz";
        case QuizForm::Folder:
            return "a quiz folder's .zip";
        case QuizForm::Scorm12:
            return "a SCORM 1.2 package";
        case QuizForm::Scorm2004:
            return "a SCORM 2004 package";
        case QuizForm::Description:
            break;
    }
    return "a quiz description";
}

QuizForm PlayerForm(QuizForm form) {
    return form == QuizForm::Scorm12 || form == QuizForm::Scorm2004 ? QuizForm::Web : form;
}

std::optional<QuizForm> RecogniseQuizForm(const std::uint8_t* bytes, std::size_t size,
                                          bool whole) {
    if (size >= kResMark && std::memcmp(bytes, kResEmptyEntry, kResMark) == 0) {
        return QuizForm::Res;
    }
    if (IsPe(bytes, size)) {
        return QuizForm::Windows;
    }
    if (tool::IsWebPlayerPage(bytes, size, whole)) {
        return QuizForm::Web;
    }
    if (LooksLikeZip(bytes, size)) {
        return QuizForm::Folder;
    }
    std::size_t offset = 0;
    std::size_t length = 0;
    if (IsElf(bytes, size) || LocateBundle(bytes, size, offset, length) == BundleStatus::Ok) {
        return QuizForm::Linux;
    }
    return std::nullopt;
}

const char* FormStatusName(FormStatus status, Wording wording) {
    const bool french = wording == Wording::French;
    switch (status) {
        case FormStatus::Ok:
            return french ? "fait" : "ok";
        case FormStatus::NotAQuiz:
            return french ? "ce fichier n'est pas un quiz Brivel"
                          : "neither a .res bundle nor a Windows, Linux or web quiz nor a quiz "
                            "folder's .zip";
        case FormStatus::DamagedResources:
            return french ? "ce fichier n'est pas un quiz Brivel, ou il est abîmé"
                          : "damaged quiz resources";
        case FormStatus::UnreadableQuizProgram:
            return french ? "ce programme n'est pas un quiz Brivel, ou il est abîmé"
                          : "not a readable Windows quiz";
        case FormStatus::BareWindowsPlayer:
            return french ? "c'est le lecteur Windows seul, sans quiz"
                          : "a bare Windows player, with no quiz in it";
        case FormStatus::BareLinuxPlayer:
            return french ? "c'est le lecteur Linux seul, sans quiz"
                          : "a bare Linux player, with no quiz in it";
        case FormStatus::BareWebPlayer:
            return french ? "c'est la page du lecteur web seule, sans quiz"
                          : "a bare web player, with no quiz in it";
        case FormStatus::PageNotBase64:
            return french ? "le quiz de cette page web est abîmé"
                          : "a web player page whose quiz is not base64";
        case FormStatus::DamagedTexts:
            return french ? "les textes de ce quiz sont abîmés" : "damaged quiz texts";
        case FormStatus::DamagedArchive:
            return french ? "cette archive .zip est abîmée, ou d'un genre qui ne se lit pas ici"
                          : "a .zip that does not read";
        case FormStatus::ArchiveTooLarge:
            return french ? "cette archive .zip est trop grande pour un quiz"
                          : "a .zip too large for a quiz folder";
        case FormStatus::NoDescription:
            return french ? "cette archive .zip ne contient pas de quiz (pas de fichier "
                            "quiz.toml) : décompressez-la, puis ajoutez ici ses images"
                          : "a .zip with no quiz.toml in it";
        case FormStatus::DescriptionErrors:
            return french ? "le quiz a des erreurs" : "the quiz has errors";
        case FormStatus::NotWebPlayer:
            return french ? "ce n'est pas la page du lecteur web" : "not a web player page";
        case FormStatus::NotLinuxProgram:
            return french ? "ce n'est pas un programme Linux"
                          : "not a Linux program (no ELF header)";
        case FormStatus::WindowsNotLinux:
            return french ? "c'est un programme Windows, pas le lecteur Linux"
                          : "a Windows program, not a Linux player";
        case FormStatus::LinuxNotWindows:
            return french ? "c'est un programme Linux, pas le lecteur Windows"
                          : "a Linux program, not a Windows player";
        case FormStatus::UnreadablePlayer:
            return french ? "ce programme Windows ne se lit pas"
                          : "not a Windows program we can read";
        case FormStatus::PlayerCannotCarry:
            return french ? "ce lecteur Windows ne peut pas recevoir le quiz"
                          : "cannot carry the quiz";
        case FormStatus::UnusablePicture:
            return french ? "une image ne peut pas entrer dans le quiz"
                          : "a picture could not be prepared";
        case FormStatus::ResourcesNotMade:
            return french ? "le quiz ne peut pas être assemblé"
                          : "the quiz's resources cannot be made";
        case FormStatus::ResourceTooLarge:
            return french ? "le quiz est trop grand" : "a resource is too large for a .res bundle";
        case FormStatus::NotWritten:
            return french ? "le quiz n'a pas pu être écrit en entier" : "not written in full";
    }
    return french ? "état inconnu" : "unknown status";
}

std::string FormMessage(FormStatus status, const std::string& detail) {
    return FormStatusName(status) + (detail.empty() ? std::string() : ": " + detail);
}

OpenedQuiz OpenQuiz(std::vector<std::uint8_t> bytes, PictureCodec& codec,
                    const FolderCheck& check) {
    const QuizForm form = RecogniseQuizForm(bytes.data(), bytes.size()).value_or(QuizForm::Linux);
    if (form == QuizForm::Folder) {
        OpenedQuiz opened = FromArchive(bytes, codec, check);
        opened.form = QuizForm::Folder;
        return opened;
    }
    std::vector<ResEntry> entries;
    OpenedQuiz unwrapped = Unwrap(bytes, form, entries);
    if (unwrapped.status != FormStatus::Ok) {
        return unwrapped;
    }
    // Its bytes, now in the entries, are not held twice while the pictures are copied out.
    bytes = std::vector<std::uint8_t>();
    return FromResources(form, std::move(entries));
}

OpenedQuiz OpenQuizFiles(std::vector<FolderFile> files, PictureCodec& codec,
                         const FolderCheck& check) {
    DescriptionSource source;
    source.file = InFolder(check.name, kDescriptionFileName);
    if (const std::size_t at = FindFile(files, kDescriptionFileName); at != kNoFile) {
        source.text.emplace(files[at].bytes.begin(), files[at].bytes.end());
    } else {
        source.reason = "missing";
    }
    source.picture = [&files, &check](const std::string& name) {
        PictureFileRead read;
        read.path = InFolder(check.name, name);
        const std::size_t at = FindFile(files, name);
        if (at != kNoFile) {
            read.found = true;
            read.held = &files[at].bytes;
        }
        return read;
    };
    OpenedQuiz opened = OpenQuizFolder(source, codec, check);
    std::vector<std::size_t> found;
    for (const Quiz::Picture& picture : opened.quiz.pictures) {
        found.push_back(FindFile(files, picture.name));
    }
    for (std::size_t i = 0; i < found.size(); ++i) {
        if (found[i] == kNoFile) {
            continue;
        }
        // A file no later picture shows again is handed over, not copied.
        std::vector<std::uint8_t>& bytes = files[found[i]].bytes;
        const bool again = std::find(found.begin() + static_cast<std::ptrdiff_t>(i) + 1,
                                     found.end(), found[i]) != found.end();
        opened.quiz.pictures[i].given = again ? bytes : std::move(bytes);
    }
    return opened;
}

OpenedQuiz OpenQuizFolder(const DescriptionSource& source, PictureCodec& codec,
                          const FolderCheck& check) {
    OpenedQuiz opened;
    opened.form = QuizForm::Folder;
    std::optional<QuizDescription> description =
        CheckQuizDescription(source, opened.problems, codec, check.pictures, check.fit);
    if (!description) {
        opened.status = FormStatus::DescriptionErrors;
        return opened;
    }
    std::vector<Quiz::Picture> pictures(description->pictureNames.size());
    for (std::size_t i = 0; i < pictures.size(); ++i) {
        pictures[i].name = description->pictureNames[i];
    }
    opened.texts = {std::move(description->text), std::move(description->codes),
                    std::move(description->link), std::move(description->descriptions)};
    opened.quiz = QuizOfTexts(opened.texts, std::move(pictures));
    opened.pictureFiles = std::move(description->pictureFiles);
    return opened;
}

FormStatus CheckPlayer(QuizForm form, const std::vector<std::uint8_t>& player,
                       std::string& detail) {
    const bool elf = IsElf(player.data(), player.size());
    switch (PlayerForm(form)) {
        case QuizForm::Web:
            return tool::IsWebPlayerPage(player.data(), player.size()) ? FormStatus::Ok
                                                                       : FormStatus::NotWebPlayer;
        case QuizForm::Linux:
            return elf                                  ? FormStatus::Ok
                   : IsPe(player.data(), player.size()) ? FormStatus::WindowsNotLinux
                                                        : FormStatus::NotLinuxProgram;
        case QuizForm::Windows: {
            if (elf) {
                return FormStatus::LinuxNotWindows;
            }
            const PeStatus read = ReadPeResources(player.data(), player.size()).status;
            detail = read == PeStatus::Ok ? std::string() : PeStatusName(read);
            return read == PeStatus::Ok ? FormStatus::Ok : FormStatus::UnreadablePlayer;
        }
        case QuizForm::Res:
        case QuizForm::Folder:
        case QuizForm::Description:
        case QuizForm::Scorm12:
        case QuizForm::Scorm2004:
            break;
    }
    return FormStatus::Ok;
}

WrittenQuiz WriteQuiz(const Quiz& quiz, QuizForm form, const std::vector<std::uint8_t>& player,
                      PictureCodec& codec, ZipTime made) {
    WrittenQuiz written;
    const auto fail = [&written](FormStatus status, std::string detail = std::string()) {
        written.status = status;
        written.detail = std::move(detail);
        return std::move(written);
    };
    if (form == QuizForm::Description) {
        written.bytes = FormatDescription(quiz, DescriptionWriter::Studio);
        return written;
    }
    if (std::any_of(quiz.pictures.begin(), quiz.pictures.end(),
                    [](const Quiz::Picture& picture) { return picture.unusable; })) {
        return fail(FormStatus::UnusablePicture);
    }
    const std::optional<QuizDescription> description = CheckQuiz(quiz, written.problems, codec);
    if (!description) {
        return fail(FormStatus::DescriptionErrors);
    }
    if (form == QuizForm::Folder) {
        ZipWriter zip(made);
        bool held =
            zip.Add(kDescriptionFileName, FormatDescription(quiz, DescriptionWriter::Studio));
        const std::vector<std::string> names = PictureFileNames(quiz);
        for (std::size_t i = 0; held && i < names.size(); ++i) {
            const std::vector<std::uint8_t>& bytes = quiz.pictures[i].stored;
            held = zip.Add(names[i], std::string(bytes.begin(), bytes.end()));
        }
        held = held && zip.Add(kNoticesFileName, kZipNotices);
        if (!held) {
            return fail(FormStatus::ResourceTooLarge);
        }
        written.bytes = zip.Finish();
        return written;
    }
    StoredPictures pictures(quiz);
    StringSink out;
    const FormStatus status = StreamQuiz({description->text, description->codes, description->link,
                                          description->descriptions},
                                         form, player,
                                         pictures, out, written.detail);
    if (status != FormStatus::Ok) {
        return fail(status, written.detail);
    }
    written.bytes = std::move(out.bytes);
    return written;
}

FormStatus StreamQuiz(const QuizTexts& texts, QuizForm form,
                      const std::vector<std::uint8_t>& player, PictureSource& pictures,
                      ByteSink& sink, std::string& detail) {
    if (form == QuizForm::Folder || form == QuizForm::Description) {
        detail = "a quiz folder is written whole";
        return FormStatus::ResourcesNotMade;
    }
    if (form == QuizForm::Scorm12 || form == QuizForm::Scorm2004) {
        // A zip entry's size and CRC come before its bytes: the page is made whole first.
        StringSink page;
        const FormStatus status = StreamQuiz(texts, QuizForm::Web, player, pictures, page, detail);
        if (status != FormStatus::Ok) {
            return status;
        }
        const std::optional<std::string> package =
            WriteScormPackage(form == QuizForm::Scorm12 ? ScormEdition::V12 : ScormEdition::V2004,
                              page.bytes, Cp1252ToUtf8(texts.text.title));
        if (!package) {
            return FormStatus::ResourceTooLarge;
        }
        return sink.Write(*package) ? FormStatus::Ok : FormStatus::NotWritten;
    }
    const FormStatus playable = CheckPlayer(form, player, detail);
    if (playable != FormStatus::Ok) {
        return playable;
    }
    NoMessages messages;
    const std::optional<std::vector<ResEntry>> entries =
        MakeQuizResources(texts, messages, detail);
    if (!entries) {
        return FormStatus::ResourcesNotMade;
    }
    const std::size_t count = texts.text.pictures.size();
    std::uint64_t length = 0;
    switch (form) {
        case QuizForm::Windows:
            return WriteWindowsQuiz(player, *entries, count, pictures, sink, detail);
        case QuizForm::Linux: {
            if (!sink.Write(player.data(), BareSize(player.data(), player.size()))) {
                return FormStatus::NotWritten;
            }
            const FormStatus status = WriteBundle(*entries, count, pictures, sink, length, detail);
            if (status != FormStatus::Ok) {
                return status;
            }
            return sink.Write(BundleTrailer(length)) ? FormStatus::Ok : FormStatus::NotWritten;
        }
        case QuizForm::Web: {
            // CheckPlayer found the quiz element.
            const tool::QuizSlot slot = *tool::FindQuizSlot(player.data(), player.size());
            if (!sink.Write(player.data(), slot.begin)) {
                return FormStatus::NotWritten;
            }
            tool::PiecesSink pieces(sink);
            const FormStatus status =
                WriteBundle(*entries, count, pictures, pieces, length, detail);
            if (status != FormStatus::Ok) {
                return status;
            }
            return pieces.Finish() && sink.Write(player.data() + slot.end, player.size() - slot.end)
                       ? FormStatus::Ok
                       : FormStatus::NotWritten;
        }
        case QuizForm::Res:
        case QuizForm::Folder:
        case QuizForm::Description:
        case QuizForm::Scorm12:
        case QuizForm::Scorm2004:
            break;
    }
    return WriteBundle(*entries, count, pictures, sink, length, detail);
}

std::string PreviewBundle(const Quiz& quiz, bool pictures) {
    const auto shown = [](const std::string& utf8) { return Utf8ToCp1252Lossy(utf8); };
    QuizTexts texts;
    texts.link = IsLinkAddress(quiz.link) ? quiz.link : std::string();
    QuizText& text = texts.text;
    text.title = shown(quiz.title);
    text.author = shown(quiz.author);
    text.explanation = shown(quiz.explanation);
    text.extraText1 = shown(quiz.extraText1);
    text.extraText2 = shown(quiz.extraText2);
    text.headerByte = quiz.headerByte;
    text.firstByte = quiz.firstByte;
    text.answersPerPicture = quiz.answersPerPicture;
    text.kind = quiz.kind;
    text.red = quiz.colour[0];
    text.green = quiz.colour[1];
    text.blue = quiz.colour[2];
    for (const Quiz::Picture& picture : quiz.pictures) {
        text.pictures.push_back({shown(picture.answer), shown(picture.secondAnswer),
                                 shown(picture.location), shown(picture.extra)});
        texts.codes.push_back(shown(picture.code));
        texts.descriptions.push_back(picture.description);
    }
    NoMessages sink;
    std::string error;
    std::optional<std::vector<ResEntry>> entries = MakeQuizResources(texts, sink, error);
    if (!entries) {
        return std::string();
    }
    for (std::size_t i = 0; pictures && i < quiz.pictures.size(); ++i) {
        if (std::optional<ResEntry> picture =
                PictureResEntry(static_cast<int>(i), quiz.pictures[i].stored)) {
            entries->push_back(std::move(*picture));
        }
    }
    return WriteResFile(*entries);
}

}  // namespace brivel
