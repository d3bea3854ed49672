// Retry waits of a drive object that cost a test nothing.
#pragma once

#include <chrono>

#include "diag/device/wait_clock.h"

namespace kel::diag::testing {

class NoWaitClock final : public WaitClock {
public:
    void wait(std::chrono::milliseconds) override {}
};

}  // namespace kel::diag::testing
