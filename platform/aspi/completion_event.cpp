#include "platform/aspi/completion_event.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>

namespace kel::aspi {

CompletionEvent::CompletionEvent() : descriptor_(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}

CompletionEvent::~CompletionEvent() {
    if (descriptor_ >= 0) {
        ::close(descriptor_);
    }
}

void CompletionEvent::reset() {
    std::uint64_t count = 0;
    // Non-blocking: an event that is not signalled leaves nothing to read.
    while (descriptor_ >= 0 && ::read(descriptor_, &count, sizeof count) < 0 && errno == EINTR) {
    }
}

bool CompletionEvent::wait(std::optional<std::chrono::milliseconds> timeout) {
    if (descriptor_ < 0) {
        return false;
    }
    using Clock = std::chrono::steady_clock;
    Clock::time_point deadline = Clock::now() + timeout.value_or(std::chrono::milliseconds{0});
    for (;;) {
        int waitMs = -1;
        if (timeout) {
            auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
            waitMs = left.count() > 0 ? static_cast<int>(left.count()) : 0;
        }
        pollfd entry{descriptor_, POLLIN, 0};
        int ready = ::poll(&entry, 1, waitMs);
        if (ready > 0) {
            return true;
        }
        if (ready == 0 || errno != EINTR) {
            return false;
        }
    }
}

void signalCompletion(std::int64_t handle) {
    if (handle < 0 || handle > INT32_MAX) {
        return;
    }
    std::uint64_t one = 1;
    while (::write(static_cast<int>(handle), &one, sizeof one) < 0 && errno == EINTR) {
    }
}

}  // namespace kel::aspi
