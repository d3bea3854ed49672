// The catalog B-tree of an HFS volume: its nodes, read an allocation block
// at a time, and the walk along its leaf chain that builds the track's tree.
#pragma once

#include <cstdint>
#include <optional>
#include <span>

#include "diag/disc/track_info.h"
#include "diag/fs/hfs/hfs_volume.h"

namespace kel::diag::hfs {

struct HfsNode {
    std::span<const std::uint8_t> bytes;  // access.nodeSize bytes, valid until the next read
    NodeDescriptor descriptor;
};

// Node `n` of the catalog, counting from the catalog's first allocation
// block as if the catalog were contiguous (its first extent only is known
// here). Nothing after a read failure, which is logged.
std::optional<HfsNode> GetHfsNode(HfsAccess& access, std::uint32_t n);

// Whether node 0, read with a node size of 512 at the access's allocation
// start, is the catalog's header node.
bool CatalogHeaderFound(HfsAccess& access);

// Reads the header and walks the leaf chain twice (directories, then
// files), hanging the tree on `track` (root set only when a directory
// record was found).
void ReadHfsCatalog(HfsAccess& access, TrackInfo& track);

}  // namespace kel::diag::hfs
