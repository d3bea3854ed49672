// Recovered errors estimated from slow regions of the read-time map, and
// the map's size for the disc.
#include <gtest/gtest.h>

#include <vector>

#include "diag/tools/errscan/read_time_map.h"
#include "diag/tools/errscan/scan_clock.h"

namespace kel::diag {
namespace {

using Slots = std::vector<std::uint32_t>;

// Counter ticks per sector: a healthy read of 50 us, and one that cost the
// drive a retry of 25 ms (the emulated drive's marginal sector).
constexpr std::uint32_t kHealthy = kCounterTicksPerSecond / 20000;
constexpr std::uint32_t kRetried = kHealthy + kCounterTicksPerSecond / 40;

Slots even(int last, std::uint32_t time) {
    Slots slots(kTimeSlots, 0);
    for (int i = 0; i <= last; ++i) {
        slots[static_cast<std::size_t>(i)] = time;
    }
    return slots;
}

TEST(EstimateRecoveredErrors, ASlowSlotCountsForTheSamplesItStandsFor) {
    Slots slots = even(20, kHealthy);
    slots[10] = kRetried;
    // 300000 blocks in 500 samples: one every 600 blocks, 1 sample a slot.
    EXPECT_EQ(EstimateRecoveredErrors(slots, 20, 300000, 500, false), 1);
    // Every 8 blocks: 112 samples a slot.
    EXPECT_EQ(EstimateRecoveredErrors(slots, 20, 18000, 2250, false), 112);
    EXPECT_EQ(EstimateRecoveredErrors(slots, 20, 18000, 2250, true), 0) << "IgnRecovered";
}

TEST(EstimateRecoveredErrors, EvenTimesAndSmallDifferencesCountNothing) {
    EXPECT_EQ(EstimateRecoveredErrors(even(30, kHealthy), 30, 300000, 500, false), 0);
    Slots slots = even(30, 1000 * kHealthy);
    slots[15] = 1100 * kHealthy;  // within a tenth of the neighbours' average
    EXPECT_EQ(EstimateRecoveredErrors(slots, 30, 300000, 500, false), 0);
    EXPECT_EQ(EstimateRecoveredErrors(even(30, kHealthy), 30, 0, 0, false), 0) << "no samples";
}

TEST(EstimateRecoveredErrors, TimerNoiseAndSchedulingAreNoRetries) {
    // Several times the neighbours' time, but far less than a retry costs:
    // a read that waited for the clock, the cache or a busy machine.
    constexpr std::uint32_t kMillisecond = kCounterTicksPerSecond / 1000;
    for (const std::uint32_t slow :
         {3 * kHealthy, kHealthy + kMillisecond, kHealthy + 3 * kMillisecond / 2}) {
        Slots slots = even(30, kHealthy);
        slots[12] = slow;
        slots[20] = slow;
        EXPECT_EQ(EstimateRecoveredErrors(slots, 30, 18000, 2250, false), 0) << slow;
    }
}

TEST(EstimateRecoveredErrors, SparseMapsLookFurtherForNeighbours) {
    // Samples far apart leave most slots empty: the window widens until it
    // holds enough of them, and the slow one still shows.
    Slots slots(kTimeSlots, 0);
    for (int i = 0; i <= 60; i += 6) {
        slots[static_cast<std::size_t>(i)] = kHealthy;
    }
    slots[30] = kRetried;
    EXPECT_EQ(EstimateRecoveredErrors(slots, 60, 360000, 66, false), 1);
}

TEST(TimeSlots, TheMapReachesTheEndOfLongDiscs) {
    EXPECT_EQ(TimeSlotCount(0), kTimeSlots);
    EXPECT_EQ(TimeSlotCount(330000), kTimeSlots) << "a 74-minute disc";
    const int ninety = TimeSlotCount(90 * 60 * 75);
    const int ninetyNine = TimeSlotCount(99 * 60 * 75);
    EXPECT_EQ(ninety, 450);
    EXPECT_EQ(ninetyNine, 495);
    EXPECT_EQ(TimeSlotOf(899, ninety), 0);
    EXPECT_EQ(TimeSlotOf(900, ninety), 1);
    EXPECT_EQ(TimeSlotOf(359999, ninety), 399);
    // Past 80 minutes every region keeps a slot of its own.
    EXPECT_EQ(TimeSlotOf(360000, ninety), 400);
    EXPECT_EQ(TimeSlotOf(99 * 60 * 75 - 1, ninetyNine), 494);
    EXPECT_EQ(TimeSlotOf(99 * 60 * 75 + 5000, ninetyNine), 494) << "clamped to the map";
    EXPECT_EQ(TimeSlotOf(-5, ninety), 0);
}

}  // namespace
}  // namespace kel::diag
