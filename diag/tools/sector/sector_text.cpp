#include "diag/tools/sector/sector_text.h"

#include <cctype>

#include "diag/tools/errscan/decimal_field.h"
#include "diag/tools/format_text.h"

namespace kel::diag {
namespace {

constexpr std::size_t kHexColumn = 5;
constexpr std::size_t kGroupStride = 9;  // eight digits and a blank
constexpr std::size_t kCharacterColumn = 42;
constexpr std::size_t kSecondHalfColumn = 51;
constexpr std::int64_t kFramesBeforeBlockZero = 150;

char hexDigit(unsigned value) {
    return "0123456789ABCDEF"[value & 0x0F];
}

char shown(std::uint8_t byte) {
    return byte >= 0x20 && byte <= 0x7F ? static_cast<char>(byte) : '.';
}

bool atEnd(std::string_view text, std::size_t at) {
    while (at < text.size() && std::isspace(static_cast<unsigned char>(text[at]))) {
        ++at;
    }
    return at >= text.size();
}

}  // namespace

std::string SectorLineText(std::span<const std::uint8_t, kBytesPerLine> bytes, int lineIndex) {
    std::string line(kSectorLineLength, ' ');
    const FormatArg offset[] = {(lineIndex * static_cast<int>(kBytesPerLine)) & 0xFFFF};
    line.replace(0, 4, FormatText("%04x", offset, 4));
    for (std::size_t i = 0; i < kBytesPerLine; ++i) {
        const std::size_t column = kHexColumn + (i / 4) * kGroupStride + (i % 4) * 2;
        line[column] = hexDigit(bytes[i] >> 4);
        line[column + 1] = hexDigit(bytes[i]);
        line[(i < 8 ? kCharacterColumn : kSecondHalfColumn - 8) + i] = shown(bytes[i]);
    }
    return line;
}

std::string MsfText(std::int32_t block) {
    const std::int64_t frames = std::int64_t{block} + kFramesBeforeBlockZero;
    const FormatArg args[] = {frames / 4500, (frames / 75) % 60, frames % 75};
    return FormatText("%02d.%02d.%02d", args, 32);
}

std::optional<std::int64_t> SectorFromInput(std::string_view text) {
    // The fields of "%d.%d.%d %10s": a number, or three joined by "." with
    // nothing but blanks after them.
    std::size_t at = 0;
    std::int32_t first = 0;
    if (!ReadDecimalField(text, at, first)) {
        return std::nullopt;
    }
    if (at >= text.size() || text[at] != '.') {
        return first;
    }
    std::int32_t seconds = 0;
    std::int32_t frames = 0;
    ++at;
    if (!ReadDecimalField(text, at, seconds)) {
        return first;  // "12." is still the one number
    }
    if (at >= text.size() || text[at] != '.') {
        return std::nullopt;
    }
    ++at;
    if (!ReadDecimalField(text, at, frames) || !atEnd(text, at)) {
        return std::nullopt;
    }
    return (std::int64_t{first} * 60 + seconds - 2) * 75 + frames;
}

}  // namespace kel::diag
