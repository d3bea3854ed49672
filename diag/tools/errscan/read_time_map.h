// The read times of a scan by region of the disc: a sector that the drive
// reads only after retries is slow, so a region clearly slower than its
// neighbours points to errors that the drive corrected without saying so.
#pragma once

#include <cstdint>
#include <span>

namespace kel::diag {

// Twelve seconds of disc per slot; a map has at least enough slots for an
// 80-minute disc (360000 blocks), and more for a longer one.
inline constexpr std::int32_t kBlocksPerSlot = 900;
inline constexpr int kTimeSlots = 400;

// The slots of a map for a disc ending at `discEnd`: every block of the
// disc has a slot of its own region, up to the 99 minutes a CD can hold
// and beyond.
int TimeSlotCount(std::int32_t discEnd);

// The slot of a block in a map of `slotCount` slots.
int TimeSlotOf(std::int32_t block, int slotCount);

// Recovered errors estimated from slow slots 3 to lastSlot (each holding the
// counter ticks per sector of the slowest read in its region): each slot
// that is more than a tenth slower than the non-zero slots around it, and
// slower by more than a drive's retry costs at the least, counts for the
// samples it stands for. 0 when recovered errors are ignored.
std::int32_t EstimateRecoveredErrors(std::span<const std::uint32_t> slots, int lastSlot,
                                     std::int32_t discEnd, std::int32_t samples,
                                     bool ignoreRecovered);

}  // namespace kel::diag
