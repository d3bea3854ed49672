// The Apple partition map that HFS discs carry in front of their volume
// (Inside Macintosh: Devices, "Partition Map"): a driver descriptor record in
// 512-byte block 0, then one map entry per partition from block 1.
#pragma once

#include <cstdint>
#include <vector>

namespace kel::mkdisc::fs {

// Blocks 0 .. kHfsPartitionStart-1 of the disc: the map, its own partition
// reserving room for further entries, and one Apple_HFS partition from
// kHfsPartitionStart to `totalBlocks` (512-byte units).
inline constexpr std::uint32_t kHfsPartitionStart = 64;

std::vector<std::uint8_t> applePartitionMap(std::uint32_t totalBlocks);

}  // namespace kel::mkdisc::fs
