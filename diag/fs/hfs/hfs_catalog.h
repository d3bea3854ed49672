// The catalog B-tree of an HFS volume: its nodes, read an allocation block
// at a time, and the walk along its leaf chain that builds the track's tree.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "diag/disc/track_info.h"
#include "diag/fs/hfs/hfs_volume.h"

namespace kel::diag::hfs {

struct HfsNode {
    std::span<const std::uint8_t> bytes;  // access.nodeSize bytes, valid until the next read
    NodeDescriptor descriptor;
};

// Node `n` of the B-tree file whose extents the access holds. Nothing when
// no extent reaches it or after a read failure, which is logged.
std::optional<HfsNode> GetHfsNode(HfsAccess& access, std::uint32_t n);

// A node size that tiles the allocation block exactly, so that no node
// straddles two cached blocks.
bool UsableNodeSize(std::uint32_t nodeSize, std::uint32_t allocationBlockSize);

// The offsets of a node's records, from the offset table at its end. A
// record count that the table cannot hold sets `countDamaged`; the offsets
// are then taken while they rise and stay below the table.
std::vector<std::size_t> RecordOffsets(const HfsNode& node, bool& countDamaged);

// Whether node 0, read with a node size of 512 at the access's allocation
// start, is the catalog's header node.
bool CatalogHeaderFound(HfsAccess& access);

// Reads the header and walks the leaf chain, hanging the tree on `track`
// (no root when the header is unusable); damage is reported by message.
void ReadHfsCatalog(HfsAccess& access, TrackInfo& track);

}  // namespace kel::diag::hfs
