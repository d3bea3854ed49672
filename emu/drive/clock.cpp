#include "emu/drive/clock.h"

#include <chrono>
#include <thread>

namespace kel::emu {

std::int64_t SystemClock::nowMs() const {
    using namespace std::chrono;
    return duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
}

void SystemClock::wait(std::int64_t ms) const {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

}  // namespace kel::emu
