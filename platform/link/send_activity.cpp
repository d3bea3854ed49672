#include "send_activity.h"

#include <atomic>
#include <chrono>
#include <cstdint>

namespace kel::link {
namespace {

using Clock = std::chrono::steady_clock;
// Long enough to cover what a worker does between two requests (comparing a
// block, handing a line to the main thread), short enough that an idle
// program stops polling at once.
constexpr std::chrono::microseconds kAfterglow{2000};

std::atomic<int> sendsUnderWay{0};
std::atomic<std::int64_t> lastEnd{0};

std::int64_t now() {
    return Clock::now().time_since_epoch().count();
}

}  // namespace

SendActivity::SendActivity() {
    sendsUnderWay.fetch_add(1, std::memory_order_relaxed);
}

SendActivity::~SendActivity() {
    lastEnd.store(now(), std::memory_order_relaxed);
    sendsUnderWay.fetch_sub(1, std::memory_order_relaxed);
}

bool SendsActive() {
    if (sendsUnderWay.load(std::memory_order_relaxed) > 0) {
        return true;
    }
    const auto since = Clock::duration(now() - lastEnd.load(std::memory_order_relaxed));
    return since < kAfterglow;
}

}  // namespace kel::link
