// The steps of the disc scan, in the order ScanDisc runs them.
#pragma once

#include "diag/disc/disc_info.h"

namespace kel::diag {

// From the TOC completed by track information, or from disc information
// alone when there is no TOC; false when neither gives a list.
bool BuildTrackList(ReplyBuffer buffer);

// A disc written in packets whose TOC does not say so: the incremental
// tracks are taken for packet-written ones.
void MarkPacketTracks();

// A first track that does not start at block 0 leaves the blocks in front
// of it to an implicit data track, which gets a record of its own.
void AddImplicitTrack();

// Reads each track's file system, or names the track by a placeholder node;
// stops before the next track when the drive's scan was cancelled.
void ScanTracks();

// The duplicate pass over all trees, when two or more UDF tracks were read
// without their allocation information.
void RemoveUdfDuplicates();

// Selects the first track in the tree pane, puts its volume label into the
// window title and reports the count of tracks and sessions.
void ShowScanResult();

// The window title with no disc read.
void ShowProgramTitle();

}  // namespace kel::diag
