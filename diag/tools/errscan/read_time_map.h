// The read times of a scan by region of the disc: a sector that the drive
// reads only after retries is slow, so a region clearly slower than its
// neighbours points to errors that the drive corrected without saying so.
#pragma once

#include <cstdint>
#include <span>

namespace kel::diag {

inline constexpr int kTimeSlots = 400;
// Twelve seconds of disc per slot; the map covers 360000 blocks.
inline constexpr std::int32_t kBlocksPerSlot = 900;

// The slot of a block; blocks beyond the map (discs longer than 80 minutes)
// share the last slot rather than fall outside the map.
int TimeSlotOf(std::int32_t block);

// Recovered errors estimated from slow slots 3 to lastSlot: each slot that
// is more than a tenth slower than the non-zero slots around it counts for
// the samples it stands for. 0 when recovered errors are ignored.
std::int32_t EstimateRecoveredErrors(std::span<const std::uint32_t, kTimeSlots> slots, int lastSlot,
                                     std::int32_t discEnd, std::int32_t samples,
                                     bool ignoreRecovered);

}  // namespace kel::diag
