// The texts of the sector display: one line of sixteen bytes, the MSF
// address of a block, and what the user types as a sector.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace kel::diag {

inline constexpr std::size_t kBytesPerLine = 16;
inline constexpr std::size_t kSectorLineLength = 62;

// Offset, four groups of four bytes in hex, the bytes as characters:
// "0010 01434430 30310100 ... .CD001.. ........".
std::string SectorLineText(std::span<const std::uint8_t, kBytesPerLine> bytes, int lineIndex);

// "mm.ss.ff" of the block (block 0 = 00.02.00).
std::string MsfText(std::int32_t block);

// The block that a typed text names: one number is a block, three numbers
// separated by "." are minutes, seconds and frames. Anything else (fewer
// numbers, more text) names none.
std::optional<std::int64_t> SectorFromInput(std::string_view text);

}  // namespace kel::diag
