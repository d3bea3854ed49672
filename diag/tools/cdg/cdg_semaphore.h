// A counting semaphore with a maximum, as the player's threads hand buffers
// to one another: a release that would pass the maximum is dropped, so the
// extra wake-ups that end the threads can never overflow it.
#pragma once

#include <condition_variable>
#include <mutex>

namespace kel::diag {

class CdgSemaphore {
public:
    CdgSemaphore(int initial, int maximum) : count_(initial), maximum_(maximum) {}

    void Release(int count = 1) {
        {
            std::lock_guard lock(mutex_);
            count_ = count > maximum_ - count_ ? maximum_ : count_ + count;
        }
        changed_.notify_all();
    }

    void Acquire() {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [this] { return count_ > 0; });
        --count_;
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    int count_;
    const int maximum_;
};

}  // namespace kel::diag
