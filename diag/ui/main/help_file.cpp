#include "diag/ui/main/help_file.h"

#include <QCoreApplication>

#include "diag/tools/debug_log.h"
#include "platform/process/launch.h"
#include "platform/process/launch_codes.h"

namespace kel::diag {

std::filesystem::path HelpFilePath(std::string_view programFile) {
    std::filesystem::path path(programFile);
    if (!path.has_filename()) {
        return path.parent_path() / "MORVALE.hlp";
    }
    path.replace_extension("hlp");
    return path;
}

std::filesystem::path ProgramHelpFile() {
    return HelpFilePath(QCoreApplication::applicationFilePath().toStdString());
}

void OpenProgramHelp(int context) {
    const std::filesystem::path file = ProgramHelpFile();
    const int result = process::shellOpen(file.string(), "", "");
    if (result != process::code::kStarted && logSwitches().debugMode) {
        DebugLog("Help file %s (context %d) not opened, code %d", file.string(), context, result);
    }
}

}  // namespace kel::diag
