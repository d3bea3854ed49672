// Reaching an HFS volume on a data track: the Apple partition map, the
// Apple_HFS partition and its master directory block, read through the
// current drive in 512-byte blocks (four to a disc block).
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "diag/disc/track_info.h"
#include "diag/fs/hfs/hfs_format.h"

namespace kel::diag::hfs {

// Allocation blocks above this size are refused as damage: a CD's HFS
// volume needs a few kilobytes at most, and the node cache holds one.
inline constexpr std::uint32_t kMaxAllocationBlockSize = 1u << 20;

// One reading of a volume.
struct HfsAccess {
    std::uint64_t base = 0;  // 512-byte block of the partition's start on the disc
    MasterDirectoryBlock master;
    std::string partitionName;
    std::uint32_t allocationBlockSize = 0;  // bytes, as recorded
    std::uint32_t allocationStart = 0;      // 512-byte block, relative to base
    // The extents of the B-tree file being read, in the file's order: the
    // catalog's, or while they are looked up, the extents overflow file's.
    std::vector<HfsExtent> extents;
    CatalogHeader header;
    std::uint32_t nodeSize = kBlockBytes;
    std::vector<std::uint8_t> cache;  // one allocation block of the catalog
    // The first node in the cache; none when the cache is empty.
    std::optional<std::uint32_t> cacheFirstNode;
};

// The extents of `record` up to the first empty one.
std::vector<HfsExtent> UsedExtents(const ExtentRecord& record);

// The volume's allocation block that holds allocation block `index` of the
// file whose extents are given; nothing when no extent reaches it.
std::optional<std::uint32_t> FileAllocationBlock(std::span<const HfsExtent> extents,
                                                 std::uint32_t index);

// Reads 512-byte block `index` of the partition (relative to base).
bool ReadHfsBlock(const HfsAccess& access, std::uint64_t index,
                  std::span<std::uint8_t, kBlockBytes> out);

// Block 0's driver descriptor, the Apple_HFS partition of the map and the
// master directory block; false when any of them is missing or unusable.
// `base` starts from the track's first block.
bool OpenHfsVolume(const TrackInfo& track, HfsAccess& access);

}  // namespace kel::diag::hfs
