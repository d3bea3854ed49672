#include "platform/link/spin_policy.h"

#include <gtest/gtest.h>

namespace kel::link {
namespace {

using namespace std::chrono_literals;
using Clock = SpinPolicy::Clock;

// How many of the next `waits` waits the policy would spin in.
int spinsIn(SpinPolicy& policy, int waits) {
    int spins = 0;
    for (int i = 0; i < waits; ++i) {
        spins += policy.shouldSpin() ? 1 : 0;
    }
    return spins;
}

TEST(SpinPolicy, SpinsWhileItsSpinsFindWorkOnTheirProcessor) {
    SpinPolicy policy;
    Clock::time_point now{};
    for (int i = 0; i < 100; ++i) {
        ASSERT_TRUE(policy.shouldSpin());
        policy.started(now);
        EXPECT_TRUE(policy.keptProcessor(now + 2us));
        EXPECT_TRUE(policy.found(now + 5us));
        now += 1ms;
    }
}

TEST(SpinPolicy, ASpinOffItsProcessorOrRunningOutSleepsAllButTrialWaits) {
    struct Case {
        const char* name;
        void (*end)(SpinPolicy&, Clock::time_point);
    };
    const Case cases[] = {
        {"work found after a time slice elsewhere",
         [](SpinPolicy& policy, Clock::time_point start) {
             EXPECT_FALSE(policy.found(start + 3ms));
         }},
        {"a look after a time slice elsewhere",
         [](SpinPolicy& policy, Clock::time_point start) {
             EXPECT_FALSE(policy.keptProcessor(start + 3ms));
         }},
        {"nothing came",
         [](SpinPolicy& policy, Clock::time_point start) {
             EXPECT_TRUE(policy.keptProcessor(start + 50us));
             policy.ranOut();
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SpinPolicy policy;
        ASSERT_TRUE(policy.shouldSpin());
        const Clock::time_point start{};
        policy.started(start);
        c.end(policy, start);
        EXPECT_EQ(spinsIn(policy, 64), 4) << "one trial spin in 16 waits";

        // A trial spin that pays brings the spinning back.
        while (!policy.shouldSpin()) {
        }
        policy.started(start + 1s);
        EXPECT_TRUE(policy.found(start + 1s + 10us));
        EXPECT_EQ(spinsIn(policy, 16), 16);
    }
}

}  // namespace
}  // namespace kel::link
