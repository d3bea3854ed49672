// Records made from a standard track-information reply.
#pragma once

#include "diag/disc/track_info.h"
#include "diag/disc/track_replies.h"

namespace kel::diag {

// A new, unlinked record holding what the reply says of its track: start,
// end from the track size, free blocks, a valid next writable address
// (0 when it is the start), fixed packet size, the mode bytes, session,
// track number, the track mode's control nibble and the blank flag. Null
// after message 111.
TrackInfo* NewRecordFromTrackInformation(const TrackInformation& info);

}  // namespace kel::diag
