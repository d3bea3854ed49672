// The HFS volume summary laid out as the bytes the HFS field table reads:
// five little-endian counts, the volume name, the partition name and the
// two dates as digit text.
#pragma once

#include <array>
#include <cstdint>

#include "diag/fs/hfs/hfs_summary.h"

namespace kel::diag {

inline constexpr std::size_t kHfsSummaryBlockBytes = 114;

std::array<std::uint8_t, kHfsSummaryBlockBytes> HfsSummaryBlock(const HfsVolumeSummary& summary);

}  // namespace kel::diag
