// The two clocks of a scan: a high-resolution counter that times each read,
// and milliseconds for the whole pass. Behind an interface so that tests
// decide what a read costs.
#pragma once

#include <cstdint>
#include <memory>

namespace kel::diag {

// Every scan clock's counter runs at this rate: read times are compared
// with what a drive's retry costs.
inline constexpr std::int64_t kCounterTicksPerSecond = 10'000'000;

class ScanClock {
public:
    virtual ~ScanClock() = default;
    // Ticks of the high-resolution counter.
    virtual std::int64_t counter() = 0;
    virtual std::int64_t milliseconds() = 0;
};

// The monotonic clock; its counter leaves out the time that the thread that
// reads it spent waiting for a processor.
std::shared_ptr<ScanClock> systemScanClock();

// The clock new scans take: the system's unless one was set (tests set
// their own); null goes back to the system's.
std::shared_ptr<ScanClock> CurrentScanClock();
void SetScanClock(std::shared_ptr<ScanClock> clock);

}  // namespace kel::diag
