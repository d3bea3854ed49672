#include "tools/mkdisc/fs/tool_step.h"

#include <variant>

#include "tools/mkdisc/run_program.h"

namespace kel::mkdisc::fs {

namespace {

// env exits with this when it cannot find the program it was asked to run.
constexpr int kEnvNotFound = 127;

struct ToolName {
    std::string name;
    bool throughEnv = false;
};

ToolName toolName(const std::vector<std::string>& argv) {
    if (argv.empty() || argv.front() != "env") {
        return {argv.empty() ? std::string() : argv.front(), false};
    }
    for (std::size_t i = 1; i < argv.size(); ++i) {
        if (argv[i].find('=') == std::string::npos) {
            return {argv[i], true};
        }
    }
    return {"env", true};
}

}  // namespace

BuildError requestError(const FileSystemRequest& request, std::string message) {
    return BuildError{request.recipeFile, request.line, std::move(message)};
}

std::optional<BuildError> runToolStep(const FileSystemRequest& request,
                                      const std::vector<std::string>& argv,
                                      const std::filesystem::path& logFile) {
    const ToolName tool = toolName(argv);
    const auto run = runProgram(argv, logFile);
    if (const auto* failure = std::get_if<std::string>(&run)) {
        return requestError(request, *failure);
    }
    const auto& finished = std::get<ProgramRun>(run);
    if (finished.exitCode == 0) {
        return std::nullopt;
    }
    if (tool.throughEnv && finished.exitCode == kEnvNotFound) {
        return requestError(request,
                            "cannot run " + tool.name + ": not installed (not found in PATH)");
    }
    return requestError(request, tool.name + " failed (exit " + std::to_string(finished.exitCode) +
                                     "):\n" + outputTail(finished.output, 5));
}

}  // namespace kel::mkdisc::fs
