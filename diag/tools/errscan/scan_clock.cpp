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
        // The kernel adds a wait when the thread runs again, so a wait read
        // just after the clock may have begun after it, and taking it off
        // would make a read's time come out negative. The wait is therefore
        // read on both sides of the clock until no wait ended in between;
        // each further round needs the thread held up in a window of a few
        // microseconds again.
        for (;;) {
            const std::chrono::nanoseconds waitedBefore = processorWait();
            const auto now = Clock::now().time_since_epoch();
            const std::chrono::nanoseconds waited = processorWait();
            if (waited == waitedBefore) {
                // The kernel measures waits on its scheduler's clock, which
                // runs a little apart from the monotonic one: a wait can come
                // out microseconds longer than the time around it, and the
                // counter then holds still rather than run backwards.
                thread_local std::int64_t last = 0;
                last = std::max(last, std::chrono::duration_cast<Tick>(now - waited).count());
                return last;
            }
        }
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
