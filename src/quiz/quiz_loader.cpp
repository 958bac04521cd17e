#include "quiz/quiz_loader.h"

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "quiz/lzw.h"
#include "quiz/quiz_text.h"

namespace brivel {

namespace {

constexpr char kStatusText[] =
    "R\xE9"
    "alis\xE9"
    " avec la version 2.2";
constexpr char kAnswersError[] =
    "Erreur dans le d\xE9"
    "cryptage des reponses";
constexpr char kCodesError[] =
    "Erreur dans le d\xE9"
    "cryptage des codes";
constexpr char kErrorCaption[] = "Brivel";

std::optional<std::vector<std::uint8_t>> FindPacked(ResourceProvider& resources, std::uint16_t id) {
    return resources.Find(ResourceType::Named(kQuizResourceType), id);
}

// The unpacked text, or nothing when the decoder refuses the bytes.
std::optional<std::string> Unpack(const std::vector<std::uint8_t>& packed, MessageSink& sink) {
    CodecResult decoded = LzwDecode(packed.data(), packed.size(), sink);
    if (decoded.status != DecodeStatus::Ok) {
        return std::nullopt;
    }
    return std::string(decoded.bytes.begin(), decoded.bytes.end());
}

void LoadTestMode(QuizRecord& record) {
    CopyText(record.title, "Nom du brivel");
    CopyText(record.author, "Createur brivel");
    CopyText(record.explanation, "Explications du brivel");
    CopyText(record.extraText1, "TEST");
    CopyText(record.extraText2, "TEST");
    record.pictureCount = 7;
    record.answersPerPicture = 1;
    record.extraKind = 3;
    record.headerSetting = 2;
    record.SetBackColour(53, 203, 163);
    AppendPicture(record, "test", "test", "emplacement");
    AppendPicture(record, "test", "test", "emplacement");
}

void Apply(const QuizText& quiz, QuizRecord& record) {
    record.headerSetting = static_cast<std::int32_t>(quiz.headerByte) - 1;
    record.pictureCount = static_cast<std::int32_t>(quiz.pictures.size());
    record.answersPerPicture = quiz.answersPerPicture;
    CopyText(record.title, quiz.title);
    CopyText(record.author, quiz.author);
    CopyText(record.explanation, quiz.explanation);
    CopyText(record.extraText1, quiz.extraText1);
    CopyText(record.extraText2, quiz.extraText2);
    for (const QuizPicture& picture : quiz.pictures) {
        AppendPicture(record, picture.answer, picture.altAnswer, picture.location);
    }
    record.extraKind = quiz.kind;
    if (ExtraFieldsPerPicture(quiz.kind) > 0) {
        for (std::size_t i = 0; i < quiz.pictures.size(); ++i) {
            // Through PictureAt, as a short list (an entry that could not be
            // allocated) hands its last entry to later pictures.
            PictureEntry* entry = PictureAt(record, static_cast<std::uint32_t>(i));
            if (entry != nullptr) {
                CopyText(entry->extraInfo, quiz.pictures[i].extraInfo);
            }
        }
    }
    record.SetBackColour(quiz.red, quiz.green, quiz.blue);
}

}  // namespace

bool IsLinkAddress(std::string_view address) {
    const std::size_t scheme = address.rfind("https://", 0) == 0  ? 8
                               : address.rfind("http://", 0) == 0 ? 7
                                                                  : 0;
    return scheme > 0 && address.size() > scheme && address.size() < kTextSize &&
           std::all_of(address.begin(), address.end(), [](char c) { return c > ' ' && c < 0x7F; });
}

std::vector<std::string> DescriptionLines(std::string_view text) {
    std::vector<std::string> lines;
    for (std::size_t start = 0, end; start < text.size(); start = end + 1) {
        end = std::min(text.find('\n', start), text.size());
        lines.emplace_back(text.substr(start, end - start));
    }
    return lines;
}

void LoadQuizRecord(QuizRecord& record, ResourceProvider& resources, MessageSink& sink) {
    CopyText(record.statusText, kStatusText);

    std::optional<std::vector<std::uint8_t>> packedQuiz = FindPacked(resources, kQuizTextId);
    if (!packedQuiz || packedQuiz->empty()) {
        LoadTestMode(record);
        return;
    }

    // A text that unpacks but does not follow the layout is as unusable as one
    // that does not unpack: the record keeps its defaults and shows no picture.
    std::optional<std::string> quizText = Unpack(*packedQuiz, sink);
    std::optional<QuizText> quiz = quizText ? ParseQuizText(*quizText) : std::nullopt;
    if (!quiz) {
        sink.ShowMessage(kAnswersError, kErrorCaption, MessageIcon::None);
        record.pictureCount = 0;
        return;
    }
    Apply(*quiz, record);
    if (const std::optional<std::vector<std::uint8_t>> link =
            resources.Find(ResourceType::Named(kQuizResourceType), kMakerLinkId)) {
        const std::string address(link->begin(), link->end());
        if (IsLinkAddress(address)) {
            CopyText(record.linkAddress, address);
            CopyText(record.linkText, address);
        }
    }

    // A missing codes resource reaches the decoder as zero bytes, which it refuses.
    std::optional<std::string> codesText =
        Unpack(FindPacked(resources, kCodesTextId).value_or(std::vector<std::uint8_t>{}), sink);
    std::optional<std::vector<std::string>> lines =
        codesText ? ParseCodesText(*codesText, record.pictureCount) : std::nullopt;
    if (!lines) {
        sink.ShowMessage(kCodesError, kErrorCaption, MessageIcon::None);
        return;
    }
    for (std::size_t k = 0; k < lines->size(); ++k) {
        CopyText(record.codeSteps[k], (*lines)[k]);
    }
}

}  // namespace brivel
