// Launchers that record what would have started and answer a set code.
#pragma once

#include <string>
#include <vector>

#include "frontend/main/launch_seam.h"

namespace kel::frontend::testing {

struct ShellCall {
    std::string file;
    std::string parameters;
    std::string directory;
    bool operator==(const ShellCall&) const = default;
};

struct LaunchRecord {
    std::vector<std::string> commandLines;
    std::vector<ShellCall> shellCalls;
    // Answers of WinExec in turn; once used up, 33 (started).
    std::vector<int> winExecCodes;

    Launchers launchers() {
        return Launchers{
            [this](std::string_view commandLine) {
                commandLines.emplace_back(commandLine);
                if (winExecCodes.empty()) {
                    return 33;
                }
                int code = winExecCodes.front();
                winExecCodes.erase(winExecCodes.begin());
                return code;
            },
            [this](std::string_view file, std::string_view parameters, std::string_view directory) {
                shellCalls.push_back(
                    ShellCall{std::string(file), std::string(parameters), std::string(directory)});
                return 33;
            }};
    }
};

}  // namespace kel::frontend::testing
