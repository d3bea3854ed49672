// The program's help: a document that ships beside the program, named after
// it with the extension "hlp", shown in the program's own help window, as a
// pop-up beside what it explains, or as a control's "What's This?" text.
#pragma once

#include <QPoint>
#include <filesystem>
#include <string>
#include <string_view>

#include "diag/ui/help_document.h"

namespace kel::diag {

// The help file for a program file: the file name's extension replaced by
// "hlp" (added when it has none) in the program's folder; "MORVALE.hlp" for
// an empty path. A "." in a folder name is not the extension.
std::filesystem::path HelpFilePath(std::string_view programFile);

// The help file of the running program; tests name another one.
std::filesystem::path ProgramHelpFile();
void SetHelpFilePath(const std::filesystem::path& file);

// The program's help document read afresh, or why it can't be had.
HelpParse ReadProgramHelp();

// Opens the help window at `context`. A file that can't be read, or one
// without that topic, is a message that names the file.
void OpenProgramHelp(int context);

// Shows topic `context` as a pop-up whose top edge is centred on `at`
// (screen coordinates); failures are messages as for the window.
void ShowPopupHelp(int context, QPoint at);

// The help window goes with the main window.
void CloseProgramHelp();

}  // namespace kel::diag
