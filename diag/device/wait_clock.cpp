#include "diag/device/wait_clock.h"

#include <thread>

namespace kel::diag {

namespace {

class SleepingClock final : public WaitClock {
public:
    void wait(std::chrono::milliseconds duration) override {
        std::this_thread::sleep_for(duration);
    }
};

}  // namespace

std::shared_ptr<WaitClock> systemWaitClock() {
    static std::shared_ptr<WaitClock> clock = std::make_shared<SleepingClock>();
    return clock;
}

}  // namespace kel::diag
