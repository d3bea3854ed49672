#include "diag/fs/hfs/hfs_volume.h"

#include <algorithm>
#include <array>
#include <limits>

#include "diag/device/device_access.h"
#include "diag/fs/hfs/mac_roman.h"
#include "diag/tools/debug_log.h"

namespace kel::diag::hfs {

namespace {

constexpr std::size_t kDiscBlockBytes = kBlockBytes * kBlocksPerDiscBlock;
// A map of more entries than this is damage, not a layout to walk.
constexpr std::uint32_t kMaxMapEntries = 1024;

bool debugOn() {
    return logSwitches().debugMode;
}

// The partition map entry of type Apple_HFS; its physical start, or false.
bool FindHfsPartition(HfsAccess& access, std::uint64_t& physicalStart) {
    std::array<std::uint8_t, kBlockBytes> entry{};
    std::uint32_t entries = 1;
    for (std::uint32_t index = 1; index <= entries; ++index) {
        if (!ReadHfsBlock(access, index, entry)) {
            return false;
        }
        const BigEndianBytes in(entry);
        if (in.u16(partition_entry::kSignature) != partition_entry::kSignatureValue) {
            return false;
        }
        if (index == 1) {
            entries = std::min(in.u32(partition_entry::kMapEntries), kMaxMapEntries);
        }
        if (in.text(partition_entry::kType, partition_entry::kTextRoom) !=
            partition_entry::kHfsType) {
            continue;
        }
        // A volume that does not start at the partition's first block is
        // not one this reader knows how to place.
        if (in.u32(partition_entry::kDataStart) != 0) {
            return false;
        }
        access.partitionName =
            MacRomanToText(in.text(partition_entry::kName, partition_entry::kTextRoom));
        physicalStart = in.u32(partition_entry::kPhysicalStart);
        if (debugOn()) {
            DumpBlock(entry, kBlockBytes, "Partition Map");
        }
        return true;
    }
    return false;
}

}  // namespace

std::vector<HfsExtent> UsedExtents(const ExtentRecord& record) {
    std::vector<HfsExtent> used;
    for (const HfsExtent& extent : record) {
        if (extent.count == 0) {
            break;
        }
        used.push_back(extent);
    }
    return used;
}

std::optional<std::uint32_t> FileAllocationBlock(std::span<const HfsExtent> extents,
                                                 std::uint32_t index) {
    for (const HfsExtent& extent : extents) {
        if (index < extent.count) {
            return std::uint32_t{extent.start} + index;
        }
        index -= extent.count;
    }
    return std::nullopt;
}

bool ReadHfsBlock(const HfsAccess& access, std::uint64_t index,
                  std::span<std::uint8_t, kBlockBytes> out) {
    CdDevice* device = CurrentDevice();
    const std::uint64_t block = access.base + index;
    const std::uint64_t discBlock = block / kBlocksPerDiscBlock;
    if (device == nullptr || discBlock > std::numeric_limits<std::int32_t>::max()) {
        return false;
    }
    std::array<std::uint8_t, kDiscBlockBytes> sector{};
    if (!device->ReadSectors(static_cast<std::uint32_t>(discBlock), sector, 1)) {
        return false;
    }
    const std::size_t quarter = static_cast<std::size_t>(block % kBlocksPerDiscBlock);
    std::copy_n(sector.begin() + static_cast<std::ptrdiff_t>(quarter * kBlockBytes), kBlockBytes,
                out.begin());
    return true;
}

bool OpenHfsVolume(const TrackInfo& track, HfsAccess& access) {
    if (track.start < 0) {
        return false;
    }
    access.base = static_cast<std::uint64_t>(track.start) * kBlocksPerDiscBlock;
    std::array<std::uint8_t, kBlockBytes> block0{};
    if (!ReadHfsBlock(access, 0, block0) ||
        BigEndianBytes(block0).u16(driver_descriptor::kSignature) !=
            driver_descriptor::kSignatureValue) {
        return false;
    }
    std::uint64_t physicalStart = 0;
    if (!FindHfsPartition(access, physicalStart)) {
        return false;
    }
    if (debugOn()) {
        DumpBlock(block0, kBlockBytes, "HFS Block 0");
    }
    access.base += physicalStart;
    std::array<std::uint8_t, kBlockBytes> master{};
    if (!ReadHfsBlock(access, kMasterDirectoryBlock, master)) {
        return false;
    }
    if (debugOn()) {
        DumpBlock(master, kBlockBytes, "HFS Master Directory Block");
    }
    access.master = ParseMasterDirectoryBlock(master);
    access.allocationBlockSize = access.master.allocationBlockSize;
    access.allocationStart = access.master.allocationStart;
    access.extents = UsedExtents(access.master.catalogExtents);
    return true;
}

}  // namespace kel::diag::hfs
