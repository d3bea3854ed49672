#include "diag/disc/disc_debug.h"

#include <string>

namespace kel::diag {

void DebugTrackDump(std::span<const std::uint8_t> reply, int length, int track) {
    if (InDebugMode()) {
        DumpBlock(reply, length, "Track " + std::to_string(track) + " Information");
    }
}

}  // namespace kel::diag
