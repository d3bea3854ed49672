#include "diag/tools/errscan/scan_clock.h"

#include <chrono>
#include <mutex>

namespace kel::diag {
namespace {

class SteadyScanClock final : public ScanClock {
public:
    std::int64_t counter() override {
        return std::chrono::duration_cast<Tick>(Clock::now().time_since_epoch()).count();
    }
    std::int64_t milliseconds() override {
        return std::chrono::duration_cast<std::chrono::milliseconds>(
                   Clock::now().time_since_epoch())
            .count();
    }

private:
    using Clock = std::chrono::steady_clock;
    using Tick = std::chrono::duration<std::int64_t, std::ratio<1, kCounterTicksPerSecond>>;
};

struct ChosenClock {
    std::mutex lock;
    std::shared_ptr<ScanClock> clock;
};

ChosenClock& chosen() {
    static ChosenClock state;
    return state;
}

}  // namespace

std::shared_ptr<ScanClock> systemScanClock() {
    static auto clock = std::make_shared<SteadyScanClock>();
    return clock;
}

std::shared_ptr<ScanClock> CurrentScanClock() {
    std::lock_guard guard(chosen().lock);
    return chosen().clock ? chosen().clock : systemScanClock();
}

void SetScanClock(std::shared_ptr<ScanClock> clock) {
    std::lock_guard guard(chosen().lock);
    chosen().clock = std::move(clock);
}

}  // namespace kel::diag
