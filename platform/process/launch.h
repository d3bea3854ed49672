// The two ways the programs start other programs: by command line (a drive
// server, a disc's setup program) and through the shell (tools, documents,
// folders, web and mail addresses).
#pragma once

#include <string_view>

#include "platform/process/detached_spawn.h"
#include "platform/process/launch_codes.h"

namespace kel::process {

// Starts the program named by the command line's first token, looked up in
// this program's own folder (or through a drive letter, "D:\setup.exe"),
// ignoring case and a .EXE/.COM ending. The rest of the line becomes its
// arguments. Returns code::kStarted, or kFileNotFound, kPathNotFound,
// kAccessDenied (a folder, a path leading off its drive), kBadFormat (not a
// program this system can run), kOutOfMemory or kOutOfResources.
int startProgram(std::string_view commandLine, const SpawnExtras& extras = {});

// The shell's default action on `file`: a program starts detached with
// `parameters` in `workingFolder` (empty: the current folder, which is also
// where a relative `file` is looked for); a document, a folder or an address
// ("mailto:...", "https://...") goes to xdg-open. Returns code::kStarted, or
// kFileNotFound, kPathNotFound (also for a missing working folder),
// kAccessDenied, kBadFormat, kNoAssociation (no xdg-open), kOutOfMemory or
// kOutOfResources.
int shellOpen(std::string_view file, std::string_view parameters, std::string_view workingFolder);

}  // namespace kel::process
