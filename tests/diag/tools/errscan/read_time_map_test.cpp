// Recovered errors estimated from slow regions of the read-time map.
#include <gtest/gtest.h>

#include "diag/tools/errscan/read_time_map.h"

namespace kel::diag {
namespace {

using Slots = std::array<std::uint32_t, kTimeSlots>;

Slots even(int last, std::uint32_t time) {
    Slots slots{};
    for (int i = 0; i <= last; ++i) {
        slots[static_cast<std::size_t>(i)] = time;
    }
    return slots;
}

TEST(EstimateRecoveredErrors, ASlowSlotCountsForTheSamplesItStandsFor) {
    Slots slots = even(20, 1000);
    slots[10] = 5000;
    // 300000 blocks in 500 samples: one every 600 blocks, 1 sample a slot.
    EXPECT_EQ(EstimateRecoveredErrors(slots, 20, 300000, 500, false), 1);
    // Every 8 blocks: 112 samples a slot.
    EXPECT_EQ(EstimateRecoveredErrors(slots, 20, 18000, 2250, false), 112);
    EXPECT_EQ(EstimateRecoveredErrors(slots, 20, 18000, 2250, true), 0) << "IgnRecovered";
}

TEST(EstimateRecoveredErrors, EvenTimesAndSmallDifferencesCountNothing) {
    EXPECT_EQ(EstimateRecoveredErrors(even(30, 1000), 30, 300000, 500, false), 0);
    Slots slots = even(30, 1000);
    slots[15] = 1100;  // within a tenth of the neighbours' average
    EXPECT_EQ(EstimateRecoveredErrors(slots, 30, 300000, 500, false), 0);
    EXPECT_EQ(EstimateRecoveredErrors(even(30, 1000), 30, 0, 0, false), 0) << "no samples";
}

TEST(EstimateRecoveredErrors, SparseMapsLookFurtherForNeighbours) {
    // Samples far apart leave most slots empty: the window widens until it
    // holds enough of them, and the slow one still shows.
    Slots slots{};
    for (int i = 0; i <= 60; i += 6) {
        slots[static_cast<std::size_t>(i)] = 1000;
    }
    slots[30] = 9000;
    EXPECT_EQ(EstimateRecoveredErrors(slots, 60, 360000, 66, false), 1);
}

TEST(TimeSlotOf, DiscsBeyondTheMapShareItsLastSlot) {
    EXPECT_EQ(TimeSlotOf(899), 0);
    EXPECT_EQ(TimeSlotOf(900), 1);
    EXPECT_EQ(TimeSlotOf(359999), 399);
    EXPECT_EQ(TimeSlotOf(449849), 399);
}

}  // namespace
}  // namespace kel::diag
