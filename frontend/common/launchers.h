// Starting programs from the front ends: the drive server and a disc's setup
// program by command line, the tools and user-chosen files through the shell.
#pragma once

#include <stdexcept>
#include <string_view>

#include "platform/process/detached_spawn.h"

namespace kel::frontend {

class EWinExecError : public std::runtime_error {
public:
    EWinExecError() : std::runtime_error("Error using WinExec") {}
};

// Starts the program the command line names (looked for beside this program).
// Returns the launcher's code, 32 or above; throws EWinExecError below 32.
int ExecProgram(std::string_view commandLine, const process::SpawnExtras& extras = {});

// The shell's default action on `file`, with `parameters` in `directory`.
// Returns the launcher's code unjudged: below 32 is a failure, callers decide.
// Texts of any length pass whole: a path cut short could name another program.
int ShellExecProgram(std::string_view file, std::string_view parameters,
                     std::string_view directory);

}  // namespace kel::frontend
