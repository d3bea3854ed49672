#include <algorithm>

#include "diag/tools/debug_log.h"
#include "diag/tools/hex_dump.h"
#include "diag/tools/log_cycle.h"

namespace kel::diag {
namespace {

// A dump's title line keeps within 99 bytes, so a title is cut to fit.
constexpr std::size_t kMaxTitleLine = 99;
constexpr std::size_t kMaxBlockTitle = 77;
constexpr std::size_t kMaxSectorTitle = 57;
constexpr std::size_t kSectorBytes = 2048;

void writeDump(const std::string& titleLine, std::span<const std::uint8_t> bytes) {
    const std::vector<std::string> lines = DumpLines(bytes);
    LogCycle cycle;
    cycle.writeLine(titleLine);
    for (const std::string& line : lines) {
        cycle.writeLine(line);
    }
}

}  // namespace

void DumpBlock(std::span<const std::uint8_t> buffer, int length, std::string_view title) {
    const std::size_t wanted = length < 1 ? 256 : static_cast<std::size_t>(length);
    const std::size_t count = std::min({wanted, kMaxDumpBytes, buffer.size()});
    const FormatArg args[] = {title.substr(0, kMaxBlockTitle)};
    writeDump(FormatText("\r\n--------- %s ---------", args, kMaxTitleLine), buffer.first(count));
}

void DumpSector(std::span<const std::uint8_t> buffer, int sector, std::string_view title) {
    const std::size_t count = std::min(kSectorBytes, buffer.size());
    const FormatArg args[] = {sector, title.substr(0, kMaxSectorTitle)};
    writeDump(FormatText("\r\n--------- Sector %d: %s ---------", args, kMaxTitleLine),
              buffer.first(count));
}

}  // namespace kel::diag
