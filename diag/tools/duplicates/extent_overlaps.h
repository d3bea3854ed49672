// The overlap pass: every extent of every file of a track, sorted by block;
// files whose extents share blocks are marked, and the sorted table stays
// with the track for the analysis.
#pragma once

#include <cstdint>
#include <span>

#include "diag/disc/track_info.h"
#include "diag/fs/file_node.h"

namespace kel::diag {

// FileNode::flags: an extent of the entry overlaps another file's.
inline constexpr std::uint16_t kOverlapsAnotherFile = 0x40;

// Builds the track's extent table (extentTable, extentCount) from its file
// tree and marks the overlapping files. Does nothing without a track list
// or without a tree on the track.
void CheckExtentOverlaps(TrackInfo& track);

// Marks the entries of a table in ascending start order whose extents
// overlap; entries without a first block are never marked.
void MarkExtentOverlaps(std::span<const ExtentEntry> sorted);

}  // namespace kel::diag
