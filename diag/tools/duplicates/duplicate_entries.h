// The duplicate pass: the block scan of a damaged UDF volume finds file
// entries again that the directories already reached, and entries that
// describe no data at all; both are taken out of the file trees.
#pragma once

#include "diag/disc/track_info.h"

namespace kel::diag {

// Cleans the tree of `track`, or the trees of all tracks when it is null.
// Does nothing when the KeepUDFDups option is on, without a track list, or
// when the first track has no file tree. Stops early when the current
// device's `cancelled` flag is set.
void RemoveDuplicateEntries(TrackInfo* track);

}  // namespace kel::diag
