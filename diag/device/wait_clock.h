// The waits of the retry rules (500 ms after a unit attention, 250 ms
// between readiness polls, 100 ms between TEST UNIT READY attempts), behind
// an interface so that tests run them instantly and count them.
#pragma once

#include <chrono>
#include <memory>

namespace kel::diag {

class WaitClock {
public:
    virtual ~WaitClock() = default;
    virtual void wait(std::chrono::milliseconds duration) = 0;
};

// Sleeps the calling thread.
std::shared_ptr<WaitClock> systemWaitClock();

}  // namespace kel::diag
