// The program's help: a document that ships beside the program, named after
// it with the extension "hlp", opened through the shell.
#pragma once

#include <filesystem>
#include <string_view>

namespace kel::diag {

// The help file for a program file: the file name's extension replaced by
// "hlp" (added when it has none) in the program's folder; "MORVALE.hlp" for
// an empty path. A "." in a folder name is not the extension.
std::filesystem::path HelpFilePath(std::string_view programFile);

// The help file of the running program.
std::filesystem::path ProgramHelpFile();

// Help contexts the main window opens itself.
inline constexpr int kHelpContents = 0;

// Opens the help file. The viewer offers the whole document, whatever the
// context; a missing file or viewer shows nothing, as the shell gives it.
void OpenProgramHelp(int context);

}  // namespace kel::diag
