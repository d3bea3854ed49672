#include "diag/tools/hex_dump.h"

#include <algorithm>
#include <string_view>

namespace kel::diag {
namespace {

constexpr std::size_t kBytesPerLine = 16;
constexpr std::size_t kHexColumn = 5;
constexpr std::size_t kBarColumn = 54;
constexpr std::string_view kOmitted = "---------- Omitted lines same as above ----------";

std::string dumpLine(std::size_t offset, std::span<const std::uint8_t> run) {
    static constexpr char kHex[] = "0123456789abcdef";
    static constexpr char kUpperHex[] = "0123456789ABCDEF";
    std::string line(kBarColumn + 1 + run.size() + 1, ' ');
    for (int digit = 0; digit < 4; ++digit) {
        line[3 - digit] = kUpperHex[(offset >> (4 * digit)) & 0xF];
    }
    for (std::size_t i = 0; i < run.size(); ++i) {
        line[kHexColumn + 3 * i] = kHex[run[i] >> 4];
        line[kHexColumn + 3 * i + 1] = kHex[run[i] & 0xF];
        const bool shown = run[i] >= 0x20 && run[i] <= 0x7F;
        line[kBarColumn + 1 + i] = shown ? static_cast<char>(run[i]) : '.';
    }
    line[kBarColumn] = '|';
    line.back() = '|';
    return line;
}

}  // namespace

std::vector<std::string> DumpLines(std::span<const std::uint8_t> bytes) {
    std::vector<std::string> lines;
    std::string lastBody;
    bool omitting = false;
    for (std::size_t offset = 0; offset < bytes.size(); offset += kBytesPerLine) {
        const std::size_t count = std::min(kBytesPerLine, bytes.size() - offset);
        std::string line = dumpLine(offset, bytes.subspan(offset, count));
        // The offset is left out of the comparison: it always differs.
        std::string body = line.substr(kHexColumn);
        if (body != lastBody) {
            lines.push_back(std::move(line));
            lastBody = std::move(body);
            omitting = false;
        } else if (!omitting) {
            lines.emplace_back(kOmitted);
            omitting = true;
        }
    }
    return lines;
}

}  // namespace kel::diag
