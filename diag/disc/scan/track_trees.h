// What the disc scan learns of a track from its file tree: how far the
// files reach and how deep the directories go, and whether the same track
// also holds an HFS volume.
#pragma once

#include "diag/disc/track_info.h"

namespace kel::diag {

// Sets the track's end to the first block behind its last file or
// directory, and its depth to its deepest directory level; both 0 without
// a tree.
void MeasureFileTree(TrackInfo& track);

// Reads the track once more as an HFS volume into a twin record; on success
// links the twin directly behind the track and gives true.
bool ProbeHfsTwin(TrackInfo& track);

}  // namespace kel::diag
