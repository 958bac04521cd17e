#pragma once

// The commands, each run with its options as the command line gave them
// (main.cpp reads the command line; only it sees CLI11). Each returns the
// process exit status: 0 success, 1 failure.

#include <optional>
#include <string>
#include <vector>

#include "maker/picture_prep.h"
#include "maker/quiz_description.h"
#include "pictures/image.h"
#include "services/message_sink.h"

namespace brivel::tool {

// new and check (description_command.cpp).
int RunNew(const std::string& dir);
int RunCheck(const std::string& dir);

// grade (grade_command.cpp): one pair of texts, the lines of standard input,
// or what was typed against a quiz's own answer for picture (from 1).
int RunGrade(const std::string& answer, const std::string& typed);
int RunGradeBatch();
int RunGradeInQuiz(const std::string& quiz, int picture, const std::string& typed);

// lzw encode and lzw decode (lzw_command.cpp): standard input to standard output.
int RunLzwEncode();
int RunLzwDecode();

// picture (picture_command.cpp).
struct PictureCommandOptions {
    std::string input;
    std::string output;
    std::string fit;  // "WxH", or empty
};
int RunPicture(const PictureCommandOptions& options);
// Whether text is "WxH" with both sides positive.
bool IsBox(const std::string& text);
// Why output cannot name a picture to write, or empty when it can.
std::string CheckPictureOutput(const std::string& output);
// Writes picture as PNG or PPM, by the output's name, unless output is input:
// the exit status.
int WritePicture(const char* command, const RgbImage& picture, const std::string& output,
                 const std::string& input);

// preview (preview_command.cpp).
struct PreviewOptions {
    std::string quiz;
    int picture = 0;  // 0: not given
    std::optional<int> found;
    std::string output;
};
int RunPreview(const PreviewOptions& options);

// How pack stores the pictures.
struct PictureOptions {
    bool keep = false;  // store the files as they are
    int quality = kDefaultJpegQuality;
    int jobs = 1;  // pictures worked on at once
};

// The jobs pack runs when not told: one for each core it may use (pack_pictures.cpp).
int DefaultJobs();

// pack (pack_command.cpp), show (show_command.cpp), unpack (unpack_command.cpp).
struct PackOptions {
    std::string dir;
    std::string out;
    std::string platform;
    std::string player;
    PictureOptions pictures;
};
int RunPack(const PackOptions& options);
int RunShow(const std::string& quiz, bool answers);
int RunUnpack(const std::string& quiz, const std::string& dir, bool force);

// players (players.cpp).
int RunPlayers();

// studio (studio_command.cpp): the studio's page copied to path (a file, or a
// folder to hold it), or opened with xdg-open when path is empty.
int RunStudio(const std::string& path);

// licences (licences_command.cpp): every notice the tool and what it makes carry.
int RunLicences();

// Each problem of a description on standard error, as "file:line: error: field: message"
// (info lines for check alone);
// a description that cannot be read as "brivel COMMAND: file: reason".
void PrintDescriptionProblems(const char* command, const std::vector<DescriptionProblem>& problems);

// "1 picture", "21 pictures".
inline std::string PictureCount(std::size_t count) {
    return std::to_string(count) + (count == 1 ? " picture" : " pictures");
}

// Messages meant for a message box go to standard error, in UTF-8.
class StderrSink : public MessageSink {
public:
    void ShowMessage(const char* text, const char* caption, MessageIcon icon) override;
};

}  // namespace brivel::tool
