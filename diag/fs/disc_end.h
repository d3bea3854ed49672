// Where the disc that holds a track ends: the bound for every block number
// the file-system readers and the duplicate and overlap passes accept.
#pragma once

#include <algorithm>
#include <cstdint>

#include "diag/disc/track_info.h"

namespace kel::diag {

// A 100-minute disc; a track list claiming more is damage, and the used-block
// bitmap is sized by the disc's end.
inline constexpr std::int32_t kMaxDiscBlocks = 100 * 60 * 75;

// The lead-out's start, or without a lead-out record the last track's end.
inline std::int32_t DiscEnd(const TrackInfo& track) {
    const TrackInfo* last = &track;
    while (last->next != nullptr) {
        last = last->next;
    }
    const std::int32_t end = last->track == kLeadOutTrack ? last->start : last->end;
    return std::clamp(end, 0, kMaxDiscBlocks);
}

}  // namespace kel::diag
