#include "platform/aspi/completion_event.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <string>
#include <string_view>

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

bool isCompletionEvent(std::int64_t handle) {
    if (handle < 0 || handle > INT32_MAX) {
        return false;
    }
    // The kernel names what a descriptor stands for in its link.
    const std::string link = "/proc/self/fd/" + std::to_string(handle);
    char target[64] = {};
    const ssize_t length = ::readlink(link.c_str(), target, sizeof target - 1);
    return length > 0 &&
           std::string_view(target, static_cast<std::size_t>(length)) == "anon_inode:[eventfd]";
}

void signalCompletion(std::int64_t handle) {
    // Checked again here: the descriptor may have been closed, and its
    // number given to a file, while the request waited.
    if (!isCompletionEvent(handle)) {
        return;
    }
    std::uint64_t one = 1;
    while (::write(static_cast<int>(handle), &one, sizeof one) < 0 && errno == EINTR) {
    }
}

}  // namespace kel::aspi
