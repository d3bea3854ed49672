#include "diag/tools/errscan/scan_clock.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <chrono>
#include <mutex>

namespace kel::diag {
namespace {

// The time the calling thread has spent waiting for a processor, from the
// kernel's scheduling statistics; zero where the kernel keeps none.
std::chrono::nanoseconds processorWait() {
    // The file names the thread that opened it, so each thread keeps its own.
    struct ThreadFile {
        int fd = ::open("/proc/thread-self/schedstat", O_RDONLY | O_CLOEXEC);
        ~ThreadFile() {
            if (fd >= 0) {
                ::close(fd);
            }
        }
    };
    thread_local ThreadFile file;
    char text[96];
    const ssize_t length = file.fd < 0 ? -1 : ::pread(file.fd, text, sizeof text, 0);
    if (length <= 0) {
        return {};
    }
    // "time on a processor, time waiting for one, time slices", in ns.
    const char* end = text + length;
    const char* at = std::find(static_cast<const char*>(text), end, ' ');
    std::int64_t waited = 0;
    if (at == end || std::from_chars(at + 1, end, waited).ec != std::errc()) {
        return {};
    }
    return std::chrono::nanoseconds(waited);
}

class SteadyScanClock final : public ScanClock {
public:
    // The monotonic clock less the time this thread waited for a processor:
    // a read timed with it costs what the drive took, not what a busy
    // machine's scheduling added after the drive had answered.
    std::int64_t counter() override {
        const auto now = Clock::now().time_since_epoch();
        return std::chrono::duration_cast<Tick>(now - processorWait()).count();
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
