// Running a third-party tool (xorriso) and collecting what it printed.
#pragma once

#include <filesystem>
#include <string>
#include <variant>
#include <vector>

namespace kel::mkdisc {

struct ProgramRun {
    int exitCode = 0;
    std::string output;  // standard output and error, interleaved as written
};

// Runs argv[0] (searched in PATH) with standard input from /dev/null and
// both output streams into `logFile`. Returns an error text when the
// program cannot be started (naming it, e.g. when it is not installed) or
// does not exit normally.
std::variant<ProgramRun, std::string> runProgram(const std::vector<std::string>& argv,
                                                 const std::filesystem::path& logFile);

// The last `maxLines` lines of a tool's output, for an error message.
std::string outputTail(const std::string& output, int maxLines);

}  // namespace kel::mkdisc
