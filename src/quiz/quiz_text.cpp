#include "quiz/quiz_text.h"

#include "quiz/quiz_record.h"

namespace brivel {

namespace {

// Reads a quiz text front to back; every read fails once the bytes run out.
class Reader {
public:
    explicit Reader(std::string_view bytes) : bytes_(bytes) {}

    bool Byte(std::uint8_t& value) {
        if (pos_ >= bytes_.size()) {
            return false;
        }
        value = static_cast<std::uint8_t>(bytes_[pos_++]);
        return true;
    }

    // A field runs up to the next "|", which is consumed.
    bool Field(std::string& value) {
        std::size_t bar = bytes_.find('|', pos_);
        if (bar == std::string_view::npos) {
            return false;
        }
        value.assign(bytes_.substr(pos_, bar - pos_));
        pos_ = bar + 1;
        return true;
    }

private:
    std::string_view bytes_;
    std::size_t pos_ = 0;
};

}  // namespace

int ExtraFieldsPerPicture(std::uint8_t kind) {
    switch (kind) {
        case 2:
        case 4:
            return 1;
        case 3:
            return 2;
        default:
            return 0;
    }
}

std::optional<QuizText> ParseQuizText(std::string_view bytes) {
    Reader in(bytes);
    QuizText quiz;
    std::uint8_t count = 0;
    if (!in.Byte(quiz.firstByte) || !in.Byte(quiz.headerByte) || !in.Byte(count) ||
        !in.Byte(quiz.answersPerPicture)) {
        return std::nullopt;
    }
    // The record has 96 slots for codes and typed answers, and the progress
    // file writes answersPerPicture x count of them.
    if (count > kMaxPictures || count * quiz.answersPerPicture > kMaxPictures) {
        return std::nullopt;
    }
    if (!in.Field(quiz.title) || !in.Field(quiz.author) || !in.Field(quiz.explanation) ||
        !in.Field(quiz.extraText1) || !in.Field(quiz.extraText2)) {
        return std::nullopt;
    }
    quiz.pictures.resize(count);
    for (QuizPicture& picture : quiz.pictures) {
        if (!in.Field(picture.answer) ||
            (quiz.answersPerPicture == 2 && !in.Field(picture.altAnswer)) ||
            !in.Field(picture.location)) {
            return std::nullopt;
        }
    }
    if (!in.Byte(quiz.kind)) {
        return std::nullopt;
    }
    const int extraFields = ExtraFieldsPerPicture(quiz.kind);
    std::string dropped;
    for (QuizPicture& picture : quiz.pictures) {
        if (extraFields >= 1 && !in.Field(picture.extraInfo)) {
            return std::nullopt;
        }
        // Kind 3 carries a second field per picture that the player never shows.
        if (extraFields == 2 && !in.Field(dropped)) {
            return std::nullopt;
        }
    }
    if (!in.Byte(quiz.red) || !in.Byte(quiz.green) || !in.Byte(quiz.blue)) {
        return std::nullopt;
    }
    return quiz;
}

std::optional<std::vector<std::string>> ParseCodesText(std::string_view bytes, int count) {
    std::vector<std::string> lines;
    std::size_t pos = 0;
    for (int k = 0; k < count; ++k) {
        std::size_t cr = bytes.find('\r', pos);
        if (cr == std::string_view::npos) {
            return std::nullopt;
        }
        lines.emplace_back(bytes.substr(pos, cr - pos));
        // The byte after the carriage return is skipped unseen: a line feed
        // in every text the tool writes.
        pos = cr + 2;
        if (pos > bytes.size()) {
            pos = bytes.size();
        }
    }
    return lines;
}

std::string FormatQuizText(const QuizText& quiz) {
    std::string out;
    const auto byte = [&out](std::uint8_t value) { out += static_cast<char>(value); };
    const auto field = [&out](const std::string& value) {
        out += value;
        out += '|';
    };
    byte(quiz.firstByte);
    byte(quiz.headerByte);
    byte(static_cast<std::uint8_t>(quiz.pictures.size()));
    byte(quiz.answersPerPicture);
    field(quiz.title);
    field(quiz.author);
    field(quiz.explanation);
    field(quiz.extraText1);
    field(quiz.extraText2);
    for (const QuizPicture& picture : quiz.pictures) {
        field(picture.answer);
        if (quiz.answersPerPicture == 2) {
            field(picture.altAnswer);
        }
        field(picture.location);
    }
    byte(quiz.kind);
    const int extraFields = ExtraFieldsPerPicture(quiz.kind);
    for (const QuizPicture& picture : quiz.pictures) {
        if (extraFields >= 1) {
            field(picture.extraInfo);
        }
        if (extraFields == 2) {
            field(std::string());
        }
    }
    byte(quiz.red);
    byte(quiz.green);
    byte(quiz.blue);
    return out;
}

std::string FormatCodesText(const std::vector<std::string>& lines) {
    std::string out;
    for (const std::string& line : lines) {
        out += line;
        out += "\r\n";
    }
    return out;
}

}  // namespace brivel
