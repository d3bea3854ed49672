// The single nodes that name a track without a file tree in the tree pane:
// an audio track, the lead-out, and a data track whose file system is not
// known. Each becomes the track's root and is handed to the tree pane.
#pragma once

#include "diag/disc/track_info.h"

namespace kel::diag {

// "Audio m.ss" from the track's length up to the next record's start (0
// for the last record); nothing when the track already has a root.
void AddAudioNode(TrackInfo& track);
// "Lead Out at <start>".
void AddLeadOutNode(TrackInfo& track);
// "Unknown data track, <end - start> blocks".
void AddUnknownDataNode(TrackInfo& track);

}  // namespace kel::diag
