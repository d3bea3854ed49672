#include "launchers.h"

#include <string>

#include "platform/base/log.h"
#include "platform/process/launch.h"

namespace kel::frontend {
namespace {

constexpr int kFirstSuccessCode = 32;

}  // namespace

int ExecProgram(std::string_view commandLine, const process::SpawnExtras& extras) {
    int result = process::startProgram(commandLine, extras);
    if (result < kFirstSuccessCode) {
        log::warning("kel", "cannot start \"" + std::string(commandLine) + "\" (code " +
                                std::to_string(result) + ")");
        throw EWinExecError();
    }
    return result;
}

int ShellExecProgram(std::string_view file, std::string_view parameters,
                     std::string_view directory) {
    return process::shellOpen(file, parameters, directory);
}

}  // namespace kel::frontend
