#include "diag/state/program_flags.h"

namespace kel::diag {

std::atomic<bool>& BusyFlag() {
    static std::atomic<bool> flag{false};
    return flag;
}

std::atomic<bool>& CloseRequested() {
    static std::atomic<bool> flag{false};
    return flag;
}

std::atomic<bool>& StopScan() {
    static std::atomic<bool> flag{false};
    return flag;
}

}  // namespace kel::diag
