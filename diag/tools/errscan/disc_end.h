// Where the disc's readable area ends, as the error summary and the sector
// display both bound their block numbers.
#pragma once

#include <cstdint>

#include "diag/disc/track_info.h"

namespace kel::diag {

// The lead-out's start when the list ends with the lead-out, else the last
// entry's end; 0 for an empty list.
inline std::int32_t DiscEndBlock(const TrackList& tracks) {
    if (tracks.last == nullptr) {
        return 0;
    }
    return tracks.last->track == kLeadOutTrack ? tracks.last->start : tracks.last->end;
}

}  // namespace kel::diag
