// What the volume display and the disc analysis show of an HFS volume: the
// counts and sizes of its master directory block, its name and the name of
// its partition.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "diag/disc/track_info.h"

namespace kel::diag {

struct HfsVolumeSummary {
    std::uint32_t files = 0;
    std::uint32_t directories = 0;
    std::uint32_t allocationBlockSize = 0;
    std::uint32_t allocationBlocks = 0;
    std::uint32_t freeBlocks = 0;
    std::string volumeName;  // up to 27 characters
    std::string partitionName;
    // FileNode dates (years since 1900, month, day, hour, minute, second, 0).
    std::array<std::uint8_t, 7> created{};
    std::array<std::uint8_t, 7> modified{};
};

// The summary of the track's HFS volume; nothing after message 165 when
// the partition map or the master directory block cannot be read.
std::optional<HfsVolumeSummary> OpenHfsSummary(const TrackInfo& track);

}  // namespace kel::diag
