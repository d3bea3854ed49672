#include <QVersionNumber>
#include <QtGlobal>
#include <cctype>

#include "diag/tools/debug_log.h"
#include "diag/tools/log_cycle.h"

namespace kel::diag {
namespace {

bool sameIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(a[i])) !=
            std::tolower(static_cast<unsigned char>(b[i]))) {
            return false;
        }
    }
    return true;
}

}  // namespace

std::uint32_t GetDllVersion(std::string_view libraryName) {
    if (!sameIgnoringCase(libraryName, "comctl32.dll")) {
        return 0;
    }
    // The version of the toolkit actually loaded, not the one compiled against.
    const QVersionNumber version = QVersionNumber::fromString(QString::fromLatin1(qVersion()));
    return (static_cast<std::uint32_t>(version.majorVersion() & 0xFFFF) << 16) |
           static_cast<std::uint32_t>(version.minorVersion() & 0xFFFF);
}

void WriteLogHeader(std::string_view programVersion) {
    const std::uint32_t controls = GetDllVersion("comctl32.dll");
    const FormatArg versionArg[] = {programVersion.empty() ? "*** Error ***" : programVersion};
    const FormatArg controlsArgs[] = {controls >> 16, controls & 0xFFFF};
    const std::string first = FormatText("Program Version: %s", versionArg, kMaxLogLine);
    const std::string second = FormatText("COMCTL32 version = %d.%d", controlsArgs, kMaxLogLine);
    LogCycle cycle;
    cycle.writeLine(first);
    cycle.writeLine(second);
}

}  // namespace kel::diag
