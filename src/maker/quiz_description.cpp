#include "maker/quiz_description.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string_view>
#include <unordered_map>
#include <utility>

#include <toml++/toml.h>

#include "maker/picture_prep.h"
#include "maker/text_compose.h"
#include "pictures/dib.h"
#include "pictures/fit.h"
#include "pictures/image.h"
#include "play/grading.h"
#include "quiz/quiz_loader.h"
#include "quiz/quiz_record.h"
#include "text/cp1252.h"
#include "text/fixed_text.h"

namespace brivel {

namespace {

// Collects the problems of one description file.
class Checker {
public:
    Checker(std::string file, std::vector<DescriptionProblem>& problems)
        : file_(std::move(file)), problems_(problems) {}

    void Error(int line, const std::string& field, const ProblemWords& words) {
        Add(Severity::Error, line, field, words);
        failed_ = true;
    }
    // The studio writes the description itself: its maker never meets these.
    void SyntaxError(int line, int column, const std::string& message) {
        problems_.push_back(
            {file_, line, column, "", message, Severity::Error,
             "la description du quiz ne se lit pas à la ligne " + std::to_string(line)});
        failed_ = true;
    }
    void Warn(int line, const std::string& field, const ProblemWords& words) {
        Add(Severity::Warning, line, field, words);
    }
    void Inform(int line, const std::string& field, const ProblemWords& words) {
        Add(Severity::Info, line, field, words);
    }
    bool failed() const { return failed_; }

private:
    void Add(Severity severity, int line, const std::string& field, const ProblemWords& words) {
        problems_.push_back({file_, line, 0, field, words.english, severity, words.french});
    }

    std::string file_;
    std::vector<DescriptionProblem>& problems_;
    bool failed_ = false;
};

int LineOf(const toml::node& node) {
    return static_cast<int>(node.source().begin.line);
}

// Line number line (from 1) of text, without its line end.
std::string LineText(const std::string& text, int line) {
    std::size_t start = 0;
    for (int n = 1; n < line && start != std::string::npos; ++n) {
        start = text.find('\n', start);
        start = start == std::string::npos ? start : start + 1;
    }
    if (start == std::string::npos) {
        return std::string();
    }
    const std::size_t end = text.find('\n', start);
    std::string result = text.substr(start, end == std::string::npos ? end : end - start);
    if (!result.empty() && result.back() == '\r') {
        result.pop_back();
    }
    return result;
}

// A TOML syntax error in the words of someone who has never read TOML, from
// the line it is on; the parser's own description when no plainer one fits.
std::string PlainSyntaxMessage(const std::string& line, std::string_view description) {
    const std::size_t first = line.find_first_not_of(" \t");
    const std::string text = first == std::string::npos ? std::string() : line.substr(first);
    if (!text.empty() && text[0] == '[') {
        const bool array = text.rfind("[[", 0) == 0;
        return text.find(array ? "]]" : "]") == std::string::npos
                   ? std::string("missing closing ") + (array ? "\"]]\"" : "\"]\"")
                   : std::string(description);
    }
    const std::size_t equals = text.find('=');
    if (equals == std::string::npos) {
        return "expected key = value, a [[picture]] line or a # comment";
    }
    std::string key = text.substr(0, equals);
    key.erase(key.find_last_not_of(" \t") + 1);
    std::string value = text.substr(equals + 1);
    value.erase(0, value.find_first_not_of(" \t") == std::string::npos
                       ? value.size()
                       : value.find_first_not_of(" \t"));
    if (description.find("cannot redefine existing") != std::string_view::npos) {
        return "\"" + key + "\" is given twice";
    }
    if (value.empty() || value[0] == '#') {
        return "nothing after \"=\": write " + key + " = \"...\" (a text in quotes)";
    }
    if (value[0] == '[' && value.find(']') == std::string::npos) {
        return "missing closing \"]\"";
    }
    if (value[0] == '"' || value[0] == '\'') {
        bool closed = false;
        for (std::size_t i = 1; i < value.size() && !closed; ++i) {
            if (value[0] == '"' && value[i] == '\\') {
                ++i;
            } else {
                closed = value[i] == value[0];
            }
        }
        return closed ? std::string(description)
                      : std::string("missing closing quote: a text ends on its own line");
    }
    const unsigned char start = static_cast<unsigned char>(value[0]);
    const bool word = std::isalpha(start) || start >= 0x80;
    const bool keyword = value.rfind("true", 0) == 0 || value.rfind("false", 0) == 0 ||
                         value.rfind("inf", 0) == 0 || value.rfind("nan", 0) == 0;
    if (word && !keyword) {
        value.erase(std::min(value.find(" #"), value.size()));
        return "text needs quotes: write " + key + " = \"" + value + "\"";
    }
    return std::string(description);
}

// The UTF-8 character starting at offset, for messages.
std::string CharacterAt(const std::string& utf8, std::size_t offset) {
    std::size_t end = offset + 1;
    while (end < utf8.size() && (static_cast<unsigned char>(utf8[end]) & 0xC0) == 0x80) {
        ++end;
    }
    return utf8.substr(offset, end - offset);
}

// A "|" only matters in the quiz text, where it ends a field; code texts are
// lines and may hold one.
enum class TextUse { QuizField, CodeLine };

// The Windows-1252 form of a text, with an error for each way it cannot be
// one. A character the code page lacks becomes '?' so the other checks still
// run on the rest.
std::string ConvertText(Checker& checker, const std::string& utf8, TextUse use, int line,
                        const std::string& field) {
    const Cp1252Result converted = Utf8ToCp1252(utf8);
    std::string text = converted.ok ? converted.text : Utf8ToCp1252Lossy(utf8);
    if (!converted.ok) {
        const std::string character = CharacterAt(utf8, converted.errorOffset);
        checker.Error(line, field,
                      {"\"" + character + "\" is not a character Windows-1252 can hold",
                       "le caractère «" + character + "» ne peut pas entrer dans un quiz"});
    }
    if (use == TextUse::QuizField && text.find('|') != std::string::npos) {
        checker.Error(line, field,
                      {"holds a \"|\", which would end the field in the quiz text",
                       "contient une barre «|», que le quiz ne peut pas garder"});
    }
    if (text.find_first_of("\r\n") != std::string::npos) {
        checker.Error(line, field, {"holds a line break", "contient un retour à la ligne"});
    }
    if (text.find('\0') != std::string::npos) {
        checker.Error(line, field, {"holds a NUL character", "contient un caractère nul"});
    }
    if (text.size() > kTextMaxLength) {
        const std::string size = std::to_string(text.size());
        const std::string most = std::to_string(kTextMaxLength);
        checker.Error(line, field,
                      {"is " + size + " bytes long in Windows-1252; at most " + most + " fit",
                       "trop long : " + size + " caractères, " + most + " au plus"});
    }
    return text;
}

// A text key of table in Windows-1252: fallback when absent (an error when
// required), nothing when it is not a string.
std::optional<std::string> GetText(Checker& checker, const toml::table& table, std::string_view key,
                                   const std::string& field, int tableLine, TextUse use,
                                   bool required) {
    const toml::node* node = table.get(key);
    if (node == nullptr) {
        if (required) {
            checker.Error(tableLine, field, {"missing", "manquant"});
            return std::nullopt;
        }
        return std::string();
    }
    const std::optional<std::string> utf8 = node->value_exact<std::string>();
    if (!utf8) {
        checker.Error(LineOf(*node), field, {"must be a text in quotes", "doit être un texte"});
        return std::nullopt;
    }
    return ConvertText(checker, *utf8, use, LineOf(*node), field);
}

// A warning when the text of key does not show whole in its header box.
void CheckFit(Checker& checker, const FitCheck& fit, const toml::table& table, std::string_view key,
              const std::string& field, HeaderField where, const std::string& text) {
    const toml::node* node = table.get(key);
    if (!fit || node == nullptr || text.empty()) {
        return;
    }
    if (ProblemWords cut = fit(where, text); !cut.english.empty()) {
        checker.Warn(LineOf(*node), field, cut);
    }
}

// A whole number from low to high; fallback when absent.
std::uint8_t GetByte(Checker& checker, const toml::node* node, const std::string& field,
                     std::int64_t low, std::int64_t high, std::uint8_t fallback) {
    if (node == nullptr) {
        return fallback;
    }
    const std::optional<std::int64_t> value = node->value_exact<std::int64_t>();
    if (!value || *value < low || *value > high) {
        const std::string range = std::to_string(low) + " to " + std::to_string(high);
        checker.Error(LineOf(*node), field,
                      {"must be a whole number from " + range, "doit être un nombre entier de " +
                                                                   std::to_string(low) + " à " +
                                                                   std::to_string(high)});
        return fallback;
    }
    return static_cast<std::uint8_t>(*value);
}

void WarnUnknownKeys(Checker& checker, const toml::table& table, const std::string& prefix,
                     std::initializer_list<std::string_view> known) {
    for (const auto& [key, node] : table) {
        if (std::find(known.begin(), known.end(), key.str()) == known.end()) {
            checker.Warn(static_cast<int>(key.source().begin.line), prefix + std::string(key.str()),
                         {"unknown key, ignored", "réglage inconnu, laissé de côté"});
        }
    }
}

bool EndsWith(std::string_view text, std::string_view end) {
    return text.size() >= end.size() && text.substr(text.size() - end.size()) == end;
}

// Whether a JPEG or PNG file stops before its format's end mark.
bool CutShort(const std::uint8_t* data, std::size_t size) {
    std::string_view bytes(reinterpret_cast<const char*>(data), data != nullptr ? size : 0);
    const bool png = bytes.substr(0, 4) == "\x89PNG";
    if (!png && bytes.substr(0, 2) != "\xFF\xD8") {
        return false;
    }
    // Some writers pad a file with zeros past its end.
    while (!bytes.empty() && bytes.back() == '\0') {
        bytes.remove_suffix(1);
    }
    using namespace std::string_view_literals;
    return !EndsWith(bytes, png ? "IEND\xAE\x42\x60\x82"sv : "\xFF\xD9"sv);
}

// Checks that the picture file is one the player can show, at the size it
// shows best.
void CheckPictureFile(Checker& checker, PictureCodec& codec, const PictureFileRead& file,
                      const std::string& written, int line, const std::string& field,
                      PictureCheck depth) {
    const std::string name = file.shown.empty() ? written : file.shown;
    const std::string picture = "l'image " + name;
    if (!file.found) {
        checker.Error(line, field,
                      {"picture " + name + " not found", picture + " est introuvable"});
        return;
    }
    if (!file.Bytes()) {
        checker.Error(
            line, field,
            {"picture " + name + ": " + file.reason,
             picture + " " +
                 (file.frenchReason.empty() ? "ne peut pas être lue" : file.frenchReason)});
        return;
    }
    const std::vector<std::uint8_t>& bytes = *file.Bytes();
    const std::uint8_t* data = bytes.data();
    PicturePlan plan;
    std::string error;
    std::string damage;
    // Cut short, a JPEG still decodes with grey below the cut, which no maker
    // means: refused whatever its pixels, so they are not decoded (a few bytes
    // may declare fifty million of them).
    const bool refused = file.refused || CutShort(data, bytes.size());
    PrepStatus status = CheckPicture(codec, data, bytes.size(), plan, &error, &damage,
                                     depth == PictureCheck::Decode && !refused);
    if (status == PrepStatus::Ok && refused) {
        status = PrepStatus::Unreadable;
    }
    if (status != PrepStatus::Ok) {
        const ProblemWords why = PictureRefusal(status, data, bytes.size(), plan, error);
        checker.Error(line, field, {"picture " + name + " " + why.english, picture + " " + why.french});
        return;
    }
    if (!damage.empty()) {
        checker.Warn(line, field,
                     {"picture " + name + " is a damaged JPEG: " + damage,
                      picture + " est abîmée : les joueurs n'en montrent que ce qui se lit"});
    }
    // Pack turns photos upright and fits larger pictures itself (check says so
    // apart); the player still enlarges a smaller one, or shows it with bands,
    // which only a maker who asks needs to know of, unless it shows blurred
    // or as a strip.
    const int width = plan.shownWidth;
    const int height = plan.shownHeight;
    if (plan.fitted || (width == kPictureBoxWidth && height == kPictureBoxHeight)) {
        return;
    }
    const std::string size = std::to_string(width) + " x " + std::to_string(height);
    const FittedSize shown = FitSize(width, height, kPictureBoxWidth, kPictureBoxHeight);
    const bool blurred = shown.width > 2 * width;
    const bool strip = 4 * shown.width < kPictureBoxWidth || 4 * shown.height < kPictureBoxHeight;
    if (blurred || strip) {
        checker.Warn(line, field,
                     blurred ? ProblemWords{"picture " + name + " is " + size +
                                                ", not 640 x 480: the players enlarge it more "
                                                "than twice, blurred; give it at least 320 x 240",
                                            picture + " mesure " + size +
                                                " points : les joueurs l'agrandissent plus de "
                                                "deux fois, floue ; donnez-la en 320 x 240 au moins"}
                             : ProblemWords{"picture " + name + " is " + size +
                                                ", not 640 x 480: the players show it as a thin "
                                                "strip in their 640 x 480 frame",
                                            picture + " mesure " + size +
                                                " points : les joueurs la montrent en mince bande "
                                                "dans leur cadre de 640 x 480"});
        return;
    }
    checker.Inform(line, field,
                   {"picture " + name + " is " + size + ", not 640 x 480: the players fit it",
                    picture + " mesure " + size +
                        " points, pas 640 x 480 : les joueurs l'ajustent à leur cadre"});
}

// The Windows-1252 lower-case form of an upper-case accented letter, or 0.
char LowerAccented(char c) {
    const auto byte = static_cast<std::uint8_t>(c);
    switch (byte) {
        case 0x8A:  // Š
        case 0x8C:  // Œ
        case 0x8E:  // Ž
            return static_cast<char>(byte + 0x10);
        case 0x9F:  // Ÿ
            return static_cast<char>(0xFF);
        default:
            break;
    }
    return byte >= 0xC0 && byte <= 0xDE && byte != 0xD7 ? static_cast<char>(byte + 0x20) : 0;
}

// What a keyboard types for a typographic quote, or 0.
char KeyboardQuote(char c) {
    switch (static_cast<std::uint8_t>(c)) {
        case 0x91:  // ‘
        case 0x92:  // ’
            return '\'';
        case 0x93:  // “
        case 0x94:  // ”
        case 0xAB:  // «
        case 0xBB:  // »
            return '"';
        default:
            return 0;
    }
}

// Warns that players are likely to type answer as typed, with the verdict they get.
void WarnOfLikelyTyping(Checker& checker, int line, const std::string& field,
                        const std::string& answer, const std::string& typed,
                        const ProblemWords& why) {
    const std::string text = Cp1252ToUtf8(typed);
    const std::string verdict = Cp1252ToUtf8(VerdictText(Grade(answer, typed)));
    checker.Warn(line, field,
                 {why.english + "; typing \"" + text + "\" gives \"" + verdict +
                      "\", not \"BRAVO\": write \"" + text + "\"",
                  why.french + " ; taper «" + text + "» donne " + verdict +
                      ", pas BRAVO : écrivez «" + text + "»"});
}

// What a typographic quote is called, for it looks like what keyboards type.
ProblemWords QuoteName(char c) {
    switch (static_cast<std::uint8_t>(c)) {
        case 0x91:
            return {"left single quote", "apostrophe ouvrante typographique"};
        case 0x92:
            return {"typographic apostrophe", "apostrophe typographique"};
        case 0x93:
            return {"left double quote", "guillemet anglais ouvrant"};
        case 0x94:
            return {"right double quote", "guillemet anglais fermant"};
        case 0xAB:
            return {"opening French quote", "guillemet français ouvrant"};
        case 0xBB:
            return {"closing French quote", "guillemet français fermant"};
        default:
            return {};
    }
}

// Warns of the characters of answer that players type as typed(c) instead,
// each shown, and named when named(c) calls it something.
void WarnOfCharacters(Checker& checker, int line, const std::string& field,
                      const std::string& answer, char (*typed)(char), const ProblemWords& what,
                      const ProblemWords& why, ProblemWords (*named)(char) = nullptr) {
    std::string replaced = answer;
    ProblemWords shown;
    for (char& c : replaced) {
        const char other = typed(c);
        const std::string character = Cp1252ToUtf8(std::string(1, c));
        if (other == 0 || shown.english.find(character) != std::string::npos) {
            c = other != 0 ? other : c;
            continue;
        }
        const ProblemWords name = named != nullptr ? named(c) : ProblemWords{};
        const auto add = [&character](std::string& list, const std::string& called) {
            list += (list.empty() ? "" : ", ") + character +
                    (called.empty() ? "" : " (" + called + ")");
        };
        add(shown.english, name.english);
        add(shown.french, name.french);
        c = other;
    }
    if (replaced != answer) {
        const auto join = [](const std::string& a, const std::string& b) {
            return a.empty() ? b : a + " " + b;
        };
        WarnOfLikelyTyping(checker, line, field, answer, replaced,
                           {join(what.english, shown.english) + ": " + why.english,
                            join(what.french, shown.french) + " : " + why.french});
    }
}

// The graded answer (Windows-1252): errors where no typed text can ever give
// "BRAVO", warnings where players will most likely type something else.
void CheckAnswer(Checker& checker, const std::string& answer, int line, const std::string& field) {
    const auto control = std::find_if(answer.begin(), answer.end(), [](char c) {
        const auto byte = static_cast<std::uint8_t>(c);
        // Line breaks and NUL have their own errors already.
        return (byte < 0x20 || byte == 0x7F) && c != '\r' && c != '\n' && c != '\0';
    });
    const ProblemWords never = {"; no typed text can give \"BRAVO\"",
                                " ; rien de ce que tapent les joueurs ne donne BRAVO"};
    if (!answer.empty() && answer.find_first_not_of(' ') == std::string::npos) {
        checker.Error(line, field,
                      {"only spaces: players' texts lose their outer spaces" + never.english,
                       "rien que des espaces : les joueurs perdent celles du début et de la fin" +
                           never.french});
        return;
    }
    const bool outerSpace = answer.front() == ' ' || answer.back() == ' ';
    if (outerSpace) {
        const bool starts = answer.front() == ' ';
        checker.Error(line, field,
                      {std::string(starts ? "starts" : "ends") +
                           " with a space, which players' texts lose" + never.english,
                       std::string(starts ? "commence" : "finit") +
                           " par une espace, que les joueurs perdent" + never.french});
    }
    if (control != answer.end()) {
        char code[8];
        std::snprintf(code, sizeof code, "U+%04X", static_cast<unsigned>(*control));
        const bool tab = *control == '\t';
        checker.Error(line, field,
                      {(tab ? std::string("holds a TAB")
                            : std::string("holds the control character ") + code) +
                           ", which the answer box never takes" + never.english,
                       (tab ? std::string("contient une tabulation")
                            : std::string("contient un caractère invisible (") + code + ")") +
                           ", que la case de réponse ne prend jamais" + never.french});
    }
    if (outerSpace || control != answer.end()) {
        return;  // rewritten anyway; what players would type is for the next check
    }
    WarnOfCharacters(checker, line, field, answer, LowerAccented,
                     {"upper-case accented letter", "lettre accentuée en majuscule"},
                     {"players type lower case and only a to z match either case",
                      "les joueurs tapent en minuscules, et seules les lettres de a à z valent "
                      "en majuscules comme en minuscules"});
    WarnOfCharacters(checker, line, field, answer, KeyboardQuote, {},
                     {"keyboards type ' and \"", "les claviers tapent ' et \""}, QuoteName);
    std::string single = answer;
    for (std::size_t at; (at = single.find("  ")) != std::string::npos;) {
        single.erase(at, 1);
    }
    if (single != answer) {
        WarnOfLikelyTyping(checker, line, field, answer, single,
                           {"two spaces in a row: players type one",
                            "deux espaces de suite : les joueurs n'en tapent qu'une"});
    }
}

// Where a picture's answer was written, for the close-answers check.
struct AnswerPlace {
    int picture = 0;  // from 1
    std::string field;
    int line = 0;
    std::string text;   // Windows-1252
    std::string typed;  // as written, which messages quote
};

bool GivesHint(Verdict verdict) {
    return verdict != Verdict::Wrong && verdict != Verdict::Unanswered;
}

// How misleading a verdict is for a wrong picture's answer, from 0 the worst.
int Closeness(Verdict verdict) {
    static constexpr Verdict kWorstFirst[] = {
        Verdict::Correct, Verdict::OneEdit,  Verdict::Anagram,  Verdict::TwoEdits,
        Verdict::TooLong, Verdict::TooShort, Verdict::GoodIdea, Verdict::NotFar};
    const auto* found = std::find(std::begin(kWorstFirst), std::end(kWorstFirst), verdict);
    return static_cast<int>(found - std::begin(kWorstFirst));
}

// A quiz of many similar answers would bury every other problem: the worst
// pairs are enough to act on.
constexpr std::size_t kMaxCloseWarnings = 20;

// Warns where typing one picture's answer would earn a hint (or a find) on
// another picture, as the real grader decides it.
void CheckCloseAnswers(Checker& checker, const std::vector<AnswerPlace>& answers) {
    // Only the worst pairs are told: their words are written once chosen.
    struct Pair {
        int closeness;
        std::size_t a, b;  // into answers, a before b
        Verdict forA, forB;
    };
    std::vector<Pair> pairs;
    std::vector<std::pair<LetterSketch, LetterSketch>> sketches;  // as answer, as typed
    // Quizzes repeat answers: each pair of texts is graded once.
    std::unordered_map<std::string_view, std::uint32_t> ids;
    std::vector<std::uint32_t> idOf;
    std::unordered_map<std::uint64_t, std::pair<Verdict, Verdict>> graded;
    for (const AnswerPlace& answer : answers) {
        sketches.emplace_back(SketchAnswer(answer.text), SketchTyped(answer.text));
        idOf.push_back(
            ids.try_emplace(answer.text, static_cast<std::uint32_t>(ids.size())).first->second);
    }
    for (std::size_t j = 0; j < answers.size(); ++j) {
        for (std::size_t i = 0; i < j; ++i) {
            const AnswerPlace& a = answers[i];
            const AnswerPlace& b = answers[j];
            if (a.picture == b.picture || a.text.empty() || b.text.empty() ||
                (!MayHint(sketches[j].first, sketches[i].second) &&
                 !MayHint(sketches[i].first, sketches[j].second))) {
                continue;
            }
            const auto [known, fresh] = graded.try_emplace(std::uint64_t{idOf[i]} << 32 | idOf[j]);
            if (fresh) {
                known->second = {Grade(b.text, a.text), Grade(a.text, b.text)};
            }
            const auto [forB, forA] = known->second;
            if (GivesHint(forB) || GivesHint(forA)) {
                pairs.push_back({std::min(Closeness(forA), Closeness(forB)), i, j, forA, forB});
            }
        }
    }
    std::stable_sort(pairs.begin(), pairs.end(),
                     [](const Pair& x, const Pair& y) { return x.closeness < y.closeness; });
    const std::size_t shown = std::min(pairs.size(), kMaxCloseWarnings);
    std::stable_sort(
        pairs.begin(), pairs.begin() + static_cast<std::ptrdiff_t>(shown),
        [&answers](const Pair& x, const Pair& y) { return answers[x.b].line < answers[y.b].line; });
    for (std::size_t k = 0; k < shown; ++k) {
        const auto [closeness, i, j, forA, forB] = pairs[k];
        const AnswerPlace& a = answers[i];
        const AnswerPlace& b = answers[j];
        const std::string& text = a.typed;
        const std::string quoted = "\"" + text + "\"";
        const std::string picture = "l'image " + std::to_string(a.picture);
        if (forA == Verdict::Correct && forB == Verdict::Correct) {
            checker.Warn(
                b.line, b.field,
                {"same answer as picture " + std::to_string(a.picture) + " (" + quoted + ")",
                 "même réponse que " + picture + " («" + text + "»)"});
            continue;
        }
        const std::string verdict = Cp1252ToUtf8(VerdictText(GivesHint(forB) ? forB : forA));
        const ProblemWords message =
            GivesHint(forB)
                ? ProblemWords{"typing " + a.field + " " + quoted + " here gives \"" + verdict +
                                   "\"",
                               "taper ici la réponse de " + picture + ", «" + text + "», donne " +
                                   verdict}
                : ProblemWords{
                      "typing this at " + a.field + " " + quoted + " gives \"" + verdict + "\"",
                      "taper cette réponse à " + picture + " («" + text + "») donne " + verdict};
        checker.Warn(b.line, b.field,
                     {"close to another answer: " + message.english,
                      "proche d'une autre réponse : " + message.french});
    }
    if (pairs.size() > shown) {
        const std::string more = std::to_string(pairs.size() - shown);
        checker.Warn(0, "picture",
                     {more + " more pairs of answers close to each other, less close than those "
                             "above",
                      more + " autres paires de réponses proches, moins proches que celles-ci"});
    }
}

// The description parsed, or nothing after a problem that stops reading it.
std::optional<toml::table> ParseDescription(Checker& checker, const DescriptionSource& source) {
    if (!source.text) {
        checker.Error(0, "",
                      {source.reason + (source.reason == std::strerror(ENOENT)
                                            ? " (`brivel new` writes a starter one)"
                                            : ""),
                       "la description du quiz ne peut pas être lue"});
        return std::nullopt;
    }
    std::string document = *source.text;
    if (const std::size_t bad = FirstNonUtf8(document); bad != std::string::npos) {
        const std::string_view before = std::string_view(document).substr(0, bad);
        const std::size_t lineStart = before.rfind('\n') + 1;  // npos + 1 is 0
        // Columns count characters, as the parser's do: what precedes is UTF-8.
        const auto column = std::count_if(before.begin() + lineStart, before.end(), [](char c) {
            return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
        });
        char byte[8];
        std::snprintf(byte, sizeof byte, "0x%02X", static_cast<unsigned char>(document[bad]));
        checker.SyntaxError(static_cast<int>(std::count(before.begin(), before.end(), '\n')) + 1,
                            static_cast<int>(column) + 1,
                            std::string("the file is not UTF-8 here (byte ") + byte +
                                "): save it as UTF-8 (text editors ask for the encoding when "
                                "saving)");
        return std::nullopt;
    }
    document = Composed(document).value_or(document);
    const auto refuse = [&](const toml::parse_error& error) {
        const int line = static_cast<int>(error.source().begin.line);
        checker.SyntaxError(line, static_cast<int>(error.source().begin.column),
                            PlainSyntaxMessage(LineText(document, line), error.description()));
    };
#if TOML_EXCEPTIONS
    try {
        return toml::parse(document, source.file);
    } catch (const toml::parse_error& error) {
        refuse(error);
        return std::nullopt;
    }
#else
    // The browser's C++ runtime has no exceptions: the parser returns its error.
    toml::parse_result parsed = toml::parse(document, source.file);
    if (!parsed) {
        refuse(parsed.error());
        return std::nullopt;
    }
    return std::move(parsed).table();
#endif
}

constexpr int kTop = 1;  // missing top-level keys are reported on the first line

std::array<std::uint8_t, 3> ReadColour(Checker& checker, const toml::table& root) {
    std::array<std::uint8_t, 3> colour = kDefaultColour;
    if (const toml::node* node = root.get("colour")) {
        const toml::array* array = node->as_array();
        if (array == nullptr || array->size() != 3) {
            checker.Error(
                LineOf(*node), "colour",
                {"must be [red, green, blue]", "doit être une couleur : rouge, vert, bleu"});
        } else {
            for (std::size_t c = 0; c < 3; ++c) {
                colour[c] = GetByte(checker, array->get(c), "colour", 0, 255, colour[c]);
            }
        }
    }
    return colour;
}

// The keys before the first [[picture]].
void ReadHeader(Checker& checker, const toml::table& root, const FitCheck& fit, QuizText& quiz) {
    const TextUse field = TextUse::QuizField;
    quiz.title = GetText(checker, root, "title", "title", kTop, field, true).value_or("");
    quiz.author = GetText(checker, root, "author", "author", kTop, field, true).value_or("");
    quiz.explanation =
        GetText(checker, root, "explanation", "explanation", kTop, field, false).value_or("");
    CheckFit(checker, fit, root, "title", "title", HeaderField::Title, quiz.title);
    CheckFit(checker, fit, root, "author", "author", HeaderField::Author, quiz.author);
    CheckFit(checker, fit, root, "explanation", "explanation", HeaderField::Explanation,
             quiz.explanation);
    quiz.extraText1 =
        GetText(checker, root, "extra_text_1", "extra_text_1", kTop, field, false).value_or("");
    quiz.extraText2 =
        GetText(checker, root, "extra_text_2", "extra_text_2", kTop, field, false).value_or("");
    quiz.headerByte = GetByte(checker, root.get("header"), "header", 0, 255, 1);
    quiz.firstByte = GetByte(checker, root.get("first_byte"), "first_byte", 0, 255, 0);
    quiz.answersPerPicture =
        GetByte(checker, root.get("answers_per_picture"), "answers_per_picture", 1, 2, 1);
    quiz.kind = GetByte(checker, root.get("kind"), "kind", 0, 255, 0);
    if (quiz.answersPerPicture == 2) {
        checker.Warn(LineOf(*root.get("answers_per_picture")), "answers_per_picture",
                     {"players never accept second_answer: they grade each picture's answer "
                      "alone; it is kept in the quiz, but no player shows it",
                      "les joueurs n'acceptent jamais la seconde réponse : elle reste dans le "
                      "quiz, mais aucun joueur ne la montre"});
    }
    const std::array<std::uint8_t, 3> colour = ReadColour(checker, root);
    quiz.red = colour[0];
    quiz.green = colour[1];
    quiz.blue = colour[2];
    WarnUnknownKeys(checker, root, "",
                    {"title", "author", "explanation", "link", "extra_text_1", "extra_text_2",
                     "header", "first_byte", "answers_per_picture", "kind", "colour", "picture"});
}

// The maker's web page, which the players' link opens: empty when not given.
// A label the link's box cuts still opens the whole address: an info line.
std::string ReadLink(Checker& checker, const toml::table& root, const FitCheck& fit) {
    const toml::node* node = root.get("link");
    const std::optional<std::string> address =
        node != nullptr ? node->value_exact<std::string>() : std::string();
    if (!address) {
        checker.Error(LineOf(*node), "link", {"must be a text in quotes", "doit être un texte"});
        return std::string();
    }
    if (!address->empty() && !IsLinkAddress(*address)) {
        checker.Error(LineOf(*node), "link",
                      {"must be a web address that starts with https:// or http://, without "
                       "spaces or accents, in at most " +
                           std::to_string(kTextMaxLength) +
                           " characters, as \"https://example.org/my-page\"",
                       "doit être une adresse web qui commence par https:// ou http://, sans "
                       "espace ni accent, comme «https://exemple.fr/ma-page»"});
        return std::string();
    }
    const std::string label = address->substr(0, kLinkTextSize - 1);
    if (ProblemWords cut = fit && !label.empty() ? fit(HeaderField::Link, label) : ProblemWords();
        !cut.english.empty()) {
        checker.Inform(LineOf(*node), "link", cut);
    }
    return *address;
}

// A picture's description, for players who cannot see it: a line of UTF-8
// that, like the picture, leads to its answer without giving it away.
std::string ReadDescription(Checker& checker, const toml::table& table, const std::string& field,
                            const std::string& answer) {
    const toml::node* node = table.get("description");
    const std::optional<std::string> text =
        node != nullptr ? node->value_exact<std::string>() : std::string();
    if (!text) {
        checker.Error(LineOf(*node), field, {"must be a text in quotes", "doit être un texte"});
        return std::string();
    }
    if (text->find_first_of("\r\n") != std::string::npos) {
        checker.Error(LineOf(*node), field,
                      {"holds a line break", "contient un retour à la ligne"});
        return std::string();
    }
    if (text->size() > kTextMaxLength) {
        const std::string size = std::to_string(text->size());
        const std::string most = std::to_string(kTextMaxLength);
        checker.Error(LineOf(*node), field,
                      {"is " + size + " bytes long; at most " + most + " fit",
                       "trop longue : " + size + " caractères, " + most + " au plus"});
        return std::string();
    }
    // Letters as the grader compares them: a to z in either case.
    std::string letters = Utf8ToCp1252Lossy(Composed(*text).value_or(*text));
    std::string sought = answer;
    UpperAscii(letters.data(), letters.size());
    UpperAscii(sought.data(), sought.size());
    if (!sought.empty() && letters.find(sought) != std::string::npos) {
        const std::string typed = Cp1252ToUtf8(answer);
        checker.Warn(LineOf(*node), field,
                     {"holds the picture's answer \"" + typed +
                          "\": players who hear it read have nothing to find; give a clue instead",
                      "contient la réponse de l'image, «" + typed +
                          "» : qui l'entend lire n'a plus rien à trouver ; donnez plutôt un "
                          "indice"});
    }
    return *text;
}

// The [[picture]] tables, or nothing after saying why there are none.
const toml::array* PictureTables(Checker& checker, const toml::table& root) {
    const toml::node* node = root.get("picture");
    if (node == nullptr) {
        checker.Error(kTop, "picture",
                      {"no [[picture]]: a quiz needs at least one",
                       "aucune image : un quiz en demande au moins une"});
        return nullptr;
    }
    const toml::array* pictures = node->as_array();
    if (pictures == nullptr || !pictures->is_array_of_tables()) {
        checker.Error(LineOf(*node), "picture",
                      {"must be [[picture]] tables", "les images sont mal décrites"});
        return nullptr;
    }
    return pictures;
}

// An error on the first picture past what the quiz record holds.
void CheckPictureCount(Checker& checker, int number, std::size_t count, bool twoAnswers, int line) {
    const std::string pictures = std::to_string(count);
    const std::string most = std::to_string(kMaxPictures);
    if (number == kMaxPictures + 1) {
        checker.Error(line, "picture",
                      {pictures + " pictures; at most " + most + " fit",
                       pictures + " images : " + most + " au plus"});
    } else if (twoAnswers && count <= kMaxPictures && number == kMaxPictures / 2 + 1) {
        const std::string answers = std::to_string(2 * count);
        checker.Error(line, "picture",
                      {"2 answers x " + pictures + " pictures is " + answers + "; at most " + most +
                           " answers fit",
                       "2 réponses par image pour " + pictures + " images font " + answers +
                           " réponses : " + most + " au plus"});
    }
}

// What reading one [[picture]] needs besides its table.
struct PictureReading {
    Checker& checker;
    const std::function<PictureFileRead(const std::string& name)>& files;
    PictureCodec& codec;
    PictureCheck depth;
    const FitCheck& fit;
    const QuizText& quiz;
};

// A file name is a path, not a quiz text: only its presence matters here.
void ReadPictureFile(const PictureReading& r, const toml::table& table, int line,
                     const std::string& prefix, QuizDescription& result) {
    const toml::node* node = table.get("file");
    if (node == nullptr) {
        r.checker.Error(line, prefix + "file", {"missing", "le fichier de l'image manque"});
        return;
    }
    const std::optional<std::string> name = node->value_exact<std::string>();
    if (!name || name->empty()) {
        r.checker.Error(LineOf(*node), prefix + "file",
                        {"must be a file name in quotes", "le fichier de l'image manque"});
        return;
    }
    const PictureFileRead file = r.files(*name);
    CheckPictureFile(r.checker, r.codec, file, *name, LineOf(*node), prefix + "file", r.depth);
    result.pictureFiles.push_back(file.path);
    result.pictureNames.push_back(*name);
}

void ReadPicture(const PictureReading& r, const toml::table& table, int number,
                 QuizDescription& result, std::vector<AnswerPlace>& answers) {
    Checker& checker = r.checker;
    const int line = LineOf(table);
    const std::string prefix = "picture[" + std::to_string(number) + "].";
    const TextUse field = TextUse::QuizField;
    QuizPicture picture;
    ReadPictureFile(r, table, line, prefix, result);
    picture.answer =
        GetText(checker, table, "answer", prefix + "answer", line, field, true).value_or("");
    if (const toml::node* node = table.get("answer"); node != nullptr) {
        if (picture.answer.empty() && node->is_string()) {
            // A starter written for a folder of pictures leaves every answer so.
            const std::string file = table["file"].value_or(std::string());
            checker.Error(LineOf(*node), prefix + "answer",
                          {"empty: write between its quotes what the players type to find " +
                               (file.empty() ? std::string("this picture") : file),
                           "vide : écrivez ce que les joueurs tapent pour trouver cette image"});
        }
        answers.push_back({number, prefix + "answer", LineOf(*node), picture.answer,
                           node->value_or(std::string())});
        if (!picture.answer.empty()) {
            CheckAnswer(checker, picture.answer, LineOf(*node), prefix + "answer");
        }
    }
    // Never graded: it cannot be close to anything a player types.
    if (r.quiz.answersPerPicture == 2) {
        picture.altAnswer =
            GetText(checker, table, "second_answer", prefix + "second_answer", line, field, true)
                .value_or("");
    } else if (const toml::node* node = table.get("second_answer"); node != nullptr) {
        checker.Warn(LineOf(*node), prefix + "second_answer",
                     {"ignored: answers_per_picture is 1",
                      "laissée de côté : le quiz n'a qu'une réponse par image"});
    }
    picture.location =
        GetText(checker, table, "location", prefix + "location", line, field, false).value_or("");
    if (ExtraFieldsPerPicture(r.quiz.kind) > 0) {
        picture.extraInfo =
            GetText(checker, table, "extra", prefix + "extra", line, field, false).value_or("");
    } else if (const toml::node* node = table.get("extra"); node != nullptr) {
        checker.Warn(LineOf(*node), prefix + "extra",
                     {"ignored: kind " + std::to_string(r.quiz.kind) + " has no extra texts",
                      "laissé de côté : ce genre de quiz n'a pas de texte en plus"});
    }
    result.codes.push_back(
        GetText(checker, table, "code", prefix + "code", line, TextUse::CodeLine, true)
            .value_or(""));
    CheckFit(checker, r.fit, table, "code", prefix + "code", HeaderField::Code,
             result.codes.back());
    WarnUnknownKeys(checker, table, prefix,
                    {"file", "answer", "second_answer", "location", "extra", "code", "description"});
    result.descriptions.push_back(
        ReadDescription(checker, table, prefix + "description", picture.answer));
    result.text.pictures.push_back(std::move(picture));
}

}  // namespace

const char* SeverityName(Severity severity) {
    switch (severity) {
        case Severity::Error:
            return "error";
        case Severity::Warning:
            return "warning";
        case Severity::Info:
            return "info";
    }
    return "problem";
}

ProblemWords PictureRefusal(PrepStatus status, const std::uint8_t* data, std::size_t size,
                            const PicturePlan& plan, const std::string& detail) {
    const std::string again = "copy it again from where it came";
    const std::string encore = "reprenez-la là d'où elle vient";
    if (data == nullptr || size == 0) {
        return {"is an empty file: " + again, "est un fichier vide : " + encore};
    }
    switch (status) {
        case PrepStatus::Ok:
            break;
        case PrepStatus::NotAPicture:
            return {"is " + NotAPictureReason(data, size), NotAPictureFrench(data, size)};
        case PrepStatus::TooLarge: {
            const std::string measured =
                std::to_string(plan.width) + " x " + std::to_string(plan.height);
            const std::string most = std::to_string(kMaxRgbImageBytes / 3 / 1000000);
            return {"is " + measured + " pixels, more than the " + most +
                        " million a quiz's pictures may have: make it smaller",
                    "mesure " + measured + " points, plus que les " + most +
                        " millions qu'une image de quiz peut avoir : réduisez-la"};
        }
        case PrepStatus::OutOfMemory:
            return {"needs more memory than there is to read it: close other programs or make it "
                    "smaller",
                    "demande plus de mémoire qu'il n'y en a pour la lire : fermez d'autres "
                    "programmes ou réduisez-la"};
        case PrepStatus::EncodeFailed:
            return {"cannot be written as a JPEG (" + detail + ")",
                    "ne peut pas être enregistrée en JPEG"};
        case PrepStatus::Unreadable:
            break;
    }
    if (CutShort(data, size)) {
        return {"is cut short: the file ends before its picture does; " + again,
                "est coupée : le fichier s'arrête avant la fin de l'image ; " + encore};
    }
    return {std::string("is a damaged ") +
                (plan.other != nullptr ? plan.other
                 : plan.png            ? "PNG"
                                       : "JPEG") +
                " the players cannot show" + (detail.empty() ? "" : " (" + detail + ")") + "; " +
                again,
            "est abîmée : les joueurs ne peuvent pas la montrer ; " + encore};
}

std::optional<QuizDescription> CheckQuizDescription(
    const DescriptionSource& source, std::vector<DescriptionProblem>& problems, PictureCodec& codec,
    PictureCheck pictureCheck, const FitCheck& fit,
    std::optional<std::vector<std::string>>* pictureFiles) {
    Checker checker(source.file, problems);
    const std::optional<toml::table> root = ParseDescription(checker, source);
    if (!root) {
        return std::nullopt;
    }
    QuizDescription result;
    ReadHeader(checker, *root, fit, result.text);
    result.link = ReadLink(checker, *root, fit);
    const toml::array* pictures = PictureTables(checker, *root);
    const std::size_t count = pictures != nullptr ? pictures->size() : 0;
    const PictureReading reading{checker, source.picture, codec, pictureCheck, fit, result.text};
    std::vector<AnswerPlace> answers;
    for (std::size_t i = 0; i < count; ++i) {
        const toml::table& table = *pictures->get(i)->as_table();
        const int number = static_cast<int>(i) + 1;
        CheckPictureCount(checker, number, count, result.text.answersPerPicture == 2,
                          LineOf(table));
        ReadPicture(reading, table, number, result, answers);
    }
    CheckCloseAnswers(checker, answers);
    if (count > 0 && std::all_of(result.descriptions.begin(), result.descriptions.end(),
                                 [](const std::string& text) { return text.empty(); })) {
        checker.Inform(0, "picture",
                       {"no picture has a description: the web player gives each one's to players "
                        "who cannot see it (description = \"...\", a clue to its answer)",
                        "aucune image n'a de description : le lecteur web lit celle de chaque "
                        "image à qui ne peut pas la voir (un indice qui mène à sa réponse)"});
    }
    if (pictureFiles != nullptr) {
        *pictureFiles = result.pictureFiles;
    }
    if (checker.failed()) {
        return std::nullopt;
    }
    return result;
}

std::string TomlQuoted(std::string_view utf8) {
    std::string out = "\"";
    for (const char c : utf8) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (byte < 0x20 || byte == 0x7F) {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\u%04X", byte);
            out += escape;
        } else {
            out += c;
        }
    }
    return out + "\"";
}

const char* StarterDescription() {
    return R"(# A Brivel quiz: this file and the pictures beside it.
# `brivel check DIR` checks both. Texts are UTF-8 here; each must fit in
# Windows-1252 (French accents and "œ" do), in at most 259 bytes, without "|"
# or line breaks.

title = "Mon brivel"
author = "Votre nom"
# Optional, like every key up to the first [[picture]].
explanation = "Trouvez le nom de chaque image."
# Your web page, which the link at the top of the quiz opens (none without it).
# link = "https://exemple.fr/mes-quiz"

# The player's background colour: red, green, blue, each from 0 to 255.
colour = [90, 95, 150]

# Other keys are kept in the quiz but no player shows or uses them:
# extra_text_1, extra_text_2, header, first_byte, kind, and per picture
# location and extra. answers_per_picture = 2 adds a second_answer to every
# picture, which the players never accept: they grade "answer" alone.

# One [[picture]] per picture, in playing order.
# file: a JPEG (or PNG) beside this file, best at 640 x 480.
# answer: what the players type to find it. They type lower case, and only
#   a to z match in either case: write accented letters in lower case ("île",
#   not "Île") and ' or " as a keyboard types them, with single spaces.
# code: the code text the player shows once that many pictures are found,
#   whichever they are.
# description (optional): the picture in words, for players who cannot see
#   it, which the web player reads to them: a clue, never its answer.
[[picture]]
file = "01.jpg"
answer = "Tour Eiffel"
code = "B"

[[picture]]
file = "02.jpg"
answer = "Mont Saint-Michel"
code = "BR"
)";
}

}  // namespace brivel
