// The field-by-field compare of one block of raw CD sectors read from the
// master and the copy.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "frontend/compare/result_line.h"

namespace kel::compare {

inline constexpr std::size_t kRawSector = 2352;
inline constexpr std::size_t kSyncSize = 12;

using SyncPattern = std::array<std::uint8_t, kSyncSize>;

// The sync field every data sector starts with (ECMA-130, 14.2).
inline constexpr SyncPattern kStandardSync{0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
                                           0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00};

struct BlockCompare {
    std::span<const std::uint8_t> master;  // `sectors` raw sectors each
    std::span<const std::uint8_t> copy;
    int sectors = 0;
    std::int32_t firstLba = 0;
    bool ignoreSync = false;
    SyncPattern sync = kStandardSync;
};

// Appends a line per difference to `out`. Returns the result flag: 1 when no
// field of the block differs, 0 otherwise. A sync difference alone never
// counts: the drive, not the disc, makes it.
std::uint8_t CompareBlock(const BlockCompare& block, std::vector<ResultLine>& out);

}  // namespace kel::compare
