#include "diag/tools/errscan/read_time_map.h"

#include <algorithm>

#include "diag/tools/errscan/scan_clock.h"

namespace kel::diag {
namespace {

constexpr int kFirstJudgedSlot = 3;
constexpr int kInitialHalfWidth = 5;
constexpr int kEnoughNeighbours = 4;
// A drive that retries a sector waits for it to come round again: at the
// fastest spin of a CD drive (about 10000 turns a minute, 6 ms a turn) a
// retry costs a third of a turn at the very least, 2 ms, even spread over
// the 8 sectors of a complete scan's read. The clock's own noise and the
// drive's cache stay well below that per sector (the scan's clock leaves out
// what a busy machine's scheduling adds); only their relative size made
// healthy discs look slow.
constexpr std::uint64_t kRetryFloorTicks = 2 * kCounterTicksPerSecond / 1000;

}  // namespace

int TimeSlotCount(std::int32_t discEnd) {
    const std::int64_t needed =
        (std::int64_t{std::max(discEnd, 0)} + kBlocksPerSlot - 1) / kBlocksPerSlot;
    return static_cast<int>(std::max<std::int64_t>(needed, kTimeSlots));
}

int TimeSlotOf(std::int32_t block, int slotCount) {
    return std::clamp(block / kBlocksPerSlot, 0, std::max(slotCount, 1) - 1);
}

std::int32_t EstimateRecoveredErrors(std::span<const std::uint32_t> slots, int lastSlot,
                                     std::int32_t discEnd, std::int32_t samples,
                                     bool ignoreRecovered) {
    if (ignoreRecovered || samples <= 0 || slots.empty()) {
        return 0;
    }
    const int last = std::clamp(lastSlot, 0, static_cast<int>(slots.size()) - 1);
    const std::int32_t step = discEnd / samples;
    const std::int32_t perSlot = std::max<std::int32_t>(1, step > 0 ? kBlocksPerSlot / step : 1);
    int halfWidth = kInitialHalfWidth;
    for (;;) {
        std::int32_t count = 0;
        bool widened = false;
        for (int i = kFirstJudgedSlot; i <= last && !widened; ++i) {
            const std::uint32_t t = slots[static_cast<std::size_t>(i)];
            if (t == 0) {
                continue;
            }
            const int lo = std::max(0, i - halfWidth + 1);
            const int hi = std::min(last, i + halfWidth);
            std::uint64_t sum = 0;
            std::uint32_t n = 0;
            for (int j = lo; j < hi; ++j) {
                if (slots[static_cast<std::size_t>(j)] != 0) {
                    sum += slots[static_cast<std::size_t>(j)];
                    ++n;
                }
            }
            // Too few neighbours to compare with: look further, as long as
            // there is further to look.
            if ((n < kEnoughNeighbours || lo >= hi) && hi + halfWidth < last) {
                ++halfWidth;
                widened = true;
                continue;
            }
            const std::uint64_t mean = n == 0 ? 0 : sum / n;
            if (t > mean && t - mean > mean / 10 && t - mean > kRetryFloorTicks) {
                count += perSlot;
            }
        }
        if (!widened) {
            return count;
        }
    }
}

}  // namespace kel::diag
