// Clocks that make a scan's read times predictable.
#pragma once

#include <chrono>

#include "diag/tools/errscan/scan_clock.h"

namespace kel::diag::testing {

// Ticks of 1000 a read, and a million more for a read that took the drive
// its retries (a marginal sector costs 25 ms of real time).
class RetryAwareClock final : public ScanClock {
public:
    std::int64_t counter() override {
        const auto now = std::chrono::steady_clock::now();
        if (now - last_ > std::chrono::milliseconds(100)) {
            ticks_ += 1'000'000;
        }
        last_ = now;
        ticks_ += 1000;
        return ticks_;
    }
    std::int64_t milliseconds() override { return ++milliseconds_ * 50; }

private:
    std::int64_t ticks_ = 0;
    std::int64_t milliseconds_ = 0;
    std::chrono::steady_clock::time_point last_ = std::chrono::steady_clock::now();
};

// Every read takes the same time: nothing looks slow.
class EvenClock final : public ScanClock {
public:
    std::int64_t counter() override { return ticks_ += 1000; }
    std::int64_t milliseconds() override { return milliseconds_ += 50; }

private:
    std::int64_t ticks_ = 0;
    std::int64_t milliseconds_ = 0;
};

}  // namespace kel::diag::testing
