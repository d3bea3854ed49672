#include "diag/tools/debug_log.h"

#include <cerrno>
#include <mutex>

#include "diag/tools/log_cycle.h"
#include "platform/base/paths.h"

namespace kel::diag {
namespace {

struct PathOverride {
    std::mutex mutex;
    std::filesystem::path path;
};

PathOverride& pathOverride() {
    static PathOverride state;
    return state;
}

}  // namespace

LogSwitches& logSwitches() {
    static LogSwitches switches;
    return switches;
}

std::string DebugLogFileName(std::string_view programFile) {
    const std::size_t slash = programFile.find_last_of("/\\");
    std::string_view name =
        slash == std::string_view::npos ? programFile : programFile.substr(slash + 1);
    if (name.empty()) {
        return "MORVALE.DBG";
    }
    const std::size_t dot = name.rfind('.');
    if (dot != std::string_view::npos && dot > 0) {
        name = name.substr(0, dot);
    }
    return std::string(name) + ".DBG";
}

std::filesystem::path DebugLogPath() {
    {
        PathOverride& state = pathOverride();
        std::lock_guard lock(state.mutex);
        if (!state.path.empty()) {
            return state.path;
        }
    }
    // The C library keeps the name the program was started under.
    return paths::besideProgram(DebugLogFileName(program_invocation_short_name));
}

void SetDebugLogPath(const std::filesystem::path& path) {
    PathOverride& state = pathOverride();
    std::lock_guard lock(state.mutex);
    state.path = path;
}

void DebugLogArgs(std::string_view format, std::span<const FormatArg> args) {
    const std::string line = FormatText(format, args, kMaxLogLine);
    LogCycle cycle;
    cycle.writeLine(line);
}

}  // namespace kel::diag
