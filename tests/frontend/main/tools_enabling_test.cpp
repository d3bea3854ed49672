#include "frontend/main/tools_enabling.h"

#include <gtest/gtest.h>

namespace kel::frontend {
namespace {

TEST(ToolButtonsFor, EveryDiscClass) {
    const ToolButtons all{true, true, true, true};
    const ToolButtons none{};
    EXPECT_EQ(ToolButtonsFor(0), (ToolButtons{false, true, true, true}));
    for (int discClass : {1, 2, 3, 4, 6, 7}) {
        EXPECT_EQ(ToolButtonsFor(discClass), all) << discClass;
    }
    EXPECT_EQ(ToolButtonsFor(5), none);
    EXPECT_EQ(ToolButtonsFor(8), none);
    for (int notReady : {86, 9, -1}) {
        EXPECT_EQ(ToolButtonsFor(notReady), (ToolButtons{false, false, true, false})) << notReady;
    }
}

}  // namespace
}  // namespace kel::frontend
