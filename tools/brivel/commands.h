#pragma once

#include <vector>

#include <CLI/CLI.hpp>

#include "quiz/quiz_description.h"

#include "services/message_sink.h"

namespace brivel::tool {

// Each command registers its subcommand; its callback stores the process exit
// status in exitStatus (0 success, 1 failure).
void AddGradeCommand(CLI::App& app, int& exitStatus);
void AddNewCommand(CLI::App& app, int& exitStatus);
void AddCheckCommand(CLI::App& app, int& exitStatus);
void AddLzwCommand(CLI::App& app, int& exitStatus);
void AddPictureCommand(CLI::App& app, int& exitStatus);
void AddPreviewCommand(CLI::App& app, int& exitStatus);
void AddPackCommand(CLI::App& app, int& exitStatus);
void AddShowCommand(CLI::App& app, int& exitStatus);
void AddUnpackCommand(CLI::App& app, int& exitStatus);

// Each problem of a description on standard error, as "file:line: error: field: message";
// a description that cannot be read as "brivel COMMAND: file: reason".
void PrintDescriptionProblems(const char* command, const std::vector<DescriptionProblem>& problems);

// Messages meant for a message box go to standard error, in UTF-8.
class StderrSink : public MessageSink {
public:
    void ShowMessage(const char* text, const char* caption, MessageIcon icon) override;
};

}  // namespace brivel::tool
