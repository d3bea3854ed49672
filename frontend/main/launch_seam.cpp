#include "frontend/main/launch_seam.h"

#include "frontend/common/launchers.h"
#include "platform/process/launch.h"

namespace kel::frontend {

Launchers Launchers::system() {
    return Launchers{
        [](std::string_view commandLine) { return process::startProgram(commandLine); },
        [](std::string_view file, std::string_view parameters, std::string_view directory) {
            return ShellExecProgram(file, parameters, directory);
        }};
}

}  // namespace kel::frontend
