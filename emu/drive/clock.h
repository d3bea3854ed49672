// The drive's sense of time: audio play advances with it at 75 frames a
// second, and marginal sectors take longer to read. Injected so that tests
// run instantly; the real clock is wall time because the play state is shared
// by every process that opens the drive.
#pragma once

#include <cstdint>

namespace kel::emu {

class Clock {
public:
    virtual ~Clock() = default;
    virtual std::int64_t nowMs() const = 0;
    virtual void wait(std::int64_t ms) const = 0;
};

// Milliseconds since the epoch, and a real sleep.
class SystemClock final : public Clock {
public:
    std::int64_t nowMs() const override;
    void wait(std::int64_t ms) const override;
};

}  // namespace kel::emu
