// Where the catalog file lies: the allocation start at which its header is
// found, the three extents of the master directory block, and when the
// catalog has grown past them, the extent records that the extents overflow
// file keeps for it.
#pragma once

#include "diag/disc/track_info.h"
#include "diag/fs/hfs/hfs_volume.h"

namespace kel::diag::hfs {

// Completes `access.extents` from the extents overflow file when the master
// block's three extents hold less than the catalog's length. Catalog nodes
// that no extent reaches stay unreadable; the leaf walk reports them.
void AddOverflowCatalogExtents(HfsAccess& access);

// Finds the catalog's header at the recorded allocation start, or right
// after the volume bitmap for writers that record a start that misses it,
// and completes the catalog's extents; false when no header is found.
bool FindHfsCatalog(HfsAccess& access);

}  // namespace kel::diag::hfs
