#include "spin_policy.h"

namespace kel::link {
namespace {

// A sleeping thread tries a spin once in so many waits.
constexpr unsigned kWaitsPerTrialSpin = 16;
// Looks at the clock during a spin come microseconds apart. A gap this long
// is a time slice of other work on the thread's processor.
constexpr std::chrono::microseconds kOffProcessorGap{100};

}  // namespace

bool SpinPolicy::shouldSpin() {
    return !sleeping_ || ++waitsWithoutSpin_ % kWaitsPerTrialSpin == 0;
}

bool SpinPolicy::keptProcessor(Clock::time_point now) {
    const bool kept = now - lastLook_ < kOffProcessorGap;
    lastLook_ = now;
    if (!kept) {
        sleeping_ = true;
    }
    return kept;
}

bool SpinPolicy::found(Clock::time_point now) {
    const bool kept = keptProcessor(now);
    if (kept) {
        sleeping_ = false;
    }
    return kept;
}

}  // namespace kel::link
