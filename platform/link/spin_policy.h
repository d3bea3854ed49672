// When a thread that waits for its peer should spin (watch shared memory for
// the peer's answer), and when it should sleep until it is woken.
//
// A spin pays only while the peer runs on another processor at the same time.
// It does not when nothing comes within the spin, and it does not when every
// processor is busy: the scheduler then takes the spinning thread off its
// processor midway, or keeps the peer waiting behind it on the same one, and
// the spin only takes time from the work it waits for. A thread that was off
// its processor shows it as a long gap between two looks at the clock. After
// a spin that ran out or lost its processor, the thread sleeps at once and
// tries a spin again only once in so many waits; a trial that pays brings
// the spinning back.
#pragma once

#include <chrono>

namespace kel::link {

class SpinPolicy {
public:
    using Clock = std::chrono::steady_clock;

    // At the start of a wait: whether to spin this time.
    bool shouldSpin();
    // The spin starts at `now`.
    void started(Clock::time_point now) { lastLook_ = now; }
    // A look at the clock during the spin: false when the thread was off its
    // processor since the last look, which ends the spin as a lost one.
    bool keptProcessor(Clock::time_point now);
    // The spin found work at `now`: it paid, unless the thread was off its
    // processor meanwhile and the work came while it was. Returns which.
    bool found(Clock::time_point now);
    // The spin ran out with nothing found.
    void ranOut() { sleeping_ = true; }

private:
    bool sleeping_ = false;
    unsigned waitsWithoutSpin_ = 0;
    Clock::time_point lastLook_;
};

}  // namespace kel::link
