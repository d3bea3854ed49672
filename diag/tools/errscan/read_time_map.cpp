#include "diag/tools/errscan/read_time_map.h"

#include <algorithm>

namespace kel::diag {
namespace {

constexpr int kFirstJudgedSlot = 3;
constexpr int kInitialHalfWidth = 5;
constexpr int kEnoughNeighbours = 4;

}  // namespace

int TimeSlotOf(std::int32_t block) {
    return std::clamp(block / kBlocksPerSlot, 0, kTimeSlots - 1);
}

std::int32_t EstimateRecoveredErrors(std::span<const std::uint32_t, kTimeSlots> slots, int lastSlot,
                                     std::int32_t discEnd, std::int32_t samples,
                                     bool ignoreRecovered) {
    if (ignoreRecovered || samples <= 0) {
        return 0;
    }
    const int last = std::clamp(lastSlot, 0, kTimeSlots - 1);
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
            if (t > mean && t - mean > mean / 10) {
                count += perSlot;
            }
        }
        if (!widened) {
            return count;
        }
    }
}

}  // namespace kel::diag
