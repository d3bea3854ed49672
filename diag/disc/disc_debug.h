// The debug-mode log lines and reply dumps of the track-list builders.
#pragma once

#include <span>
#include <string_view>

#include "diag/tools/debug_log.h"

namespace kel::diag {

inline bool InDebugMode() {
    return logSwitches().debugMode;
}

template <typename... Args>
void DebugLine(std::string_view format, const Args&... args) {
    if (InDebugMode()) {
        DebugLog(format, args...);
    }
}

// A dump of `length` bytes of the reply; DumpBlock keeps it inside the
// buffer however long the drive claims the reply is.
inline void DebugDump(std::span<const std::uint8_t> reply, int length, std::string_view title) {
    if (InDebugMode()) {
        DumpBlock(reply, length, title);
    }
}

// The same, titled "Track n Information".
void DebugTrackDump(std::span<const std::uint8_t> reply, int length, int track);

}  // namespace kel::diag
