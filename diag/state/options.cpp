#include "diag/state/options.h"

namespace kel::diag {

OptionsBlock& Options() {
    static OptionsBlock block;
    return block;
}

std::uint8_t DeviceDebugLevel(const OptionsBlock& options) {
    return static_cast<std::uint8_t>(2 * (options.logWriteThrough != 0) + (options.debugMode != 0));
}

}  // namespace kel::diag
