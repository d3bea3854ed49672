#include "diag/ui/copy/file_runs.h"

#include <algorithm>
#include <array>

#include "diag/device/device_access.h"
#include "diag/disc/track_info.h"
#include "diag/fs/hfs/hfs_catalog_extents.h"
#include "diag/fs/hfs/hfs_volume.h"
#include "diag/fs/udf/extended_file_entry.h"
#include "diag/fs/udf/udf_entry.h"
#include "diag/fs/udf/udf_layout.h"
#include "diag/fs/udf/udf_reader.h"
#include "diag/ui/copy/hfs_fork.h"

namespace kel::diag {
namespace {

// A chain of allocation extents longer than this is damage, not a file.
constexpr int kMaxContinuations = 256;
// HFS flag: the data fork is empty or lies in more than one piece.
constexpr std::uint16_t kHfsNotOnePiece = 8;

using Block = std::array<std::uint8_t, kCopyBlockBytes>;

bool ReadBlock(std::int64_t block, Block& out) {
    CdDevice* device = CurrentDevice();
    return device != nullptr && block >= 0 && block <= INT32_MAX &&
           device->ReadSectors(static_cast<std::uint32_t>(block), out, 1);
}

// Adds a run, cut so that the runs never hold more than `size` bytes.
void AddRun(FileRuns& result, DiscRun run, std::uint64_t size) {
    std::uint64_t held = 0;
    for (const DiscRun& earlier : result.runs) {
        held += earlier.length;
    }
    run.length = std::min(run.length, size - std::min(size, held));
    if (!run.embedded.empty()) {
        run.embedded.resize(static_cast<std::size_t>(run.length));
    }
    if (run.length > 0) {
        result.runs.push_back(std::move(run));
    }
}

DiscRun BlockRun(std::int64_t block, std::uint64_t length) {
    return {static_cast<std::uint64_t>(block) * kCopyBlockBytes, length, false, {}};
}

void IsoRuns(const FileNode& node, FileRuns& result) {
    if ((node.flags & node_flags::kExtentList) != 0 && node.extents != nullptr) {
        for (std::uint32_t i = 0; i < node.count; ++i) {
            const FileExtent& extent = node.extents[i];
            if (extent.start < 0) {
                result.problem = "an extent lies beyond the volume";
                return;
            }
            AddRun(result, BlockRun(extent.start, extent.length), node.size);
        }
        return;
    }
    AddRun(result, BlockRun(node.startBlock, node.size), node.size);
}

// The allocation blocks start where the reader finds the catalog.
bool HfsRuns(const FileNode& node, FileRuns& result) {
    hfs::HfsAccess access;
    if (node.track == nullptr || !hfs::OpenHfsVolume(*node.track, access)) {
        result.problem = "the HFS volume cannot be opened";
        return false;
    }
    if (access.allocationBlockSize == 0) {
        result.problem = "the HFS volume records no allocation block size";
        return false;
    }
    if (!hfs::FindHfsCatalog(access)) {
        result.problem = "the HFS catalog cannot be found";
        return false;
    }
    const std::uint64_t blocksStart = (access.base + access.allocationStart) * hfs::kBlockBytes;
    const std::uint64_t blockBytes = access.allocationBlockSize;
    if ((node.flags & kHfsNotOnePiece) == 0) {
        AddRun(result,
               {blocksStart + static_cast<std::uint32_t>(node.startBlock) * blockBytes,
                node.size,
                false,
                {}},
               node.size);
        return true;
    }
    const auto extents = node.parent == nullptr
                             ? std::nullopt
                             : FindHfsDataExtents(access, node.parent->reserved1, node.name);
    if (!extents) {
        result.problem = "its catalog record cannot be read";
        return false;
    }
    std::uint64_t held = 0;
    for (const hfs::HfsExtent& extent : *extents) {
        AddRun(result,
               {blocksStart + extent.start * blockBytes, extent.count * blockBytes, false, {}},
               node.size);
        held += extent.count * blockBytes;
    }
    if (held < node.size) {
        result.problem = "its data fork goes on in the extents overflow file";
        return false;
    }
    return true;
}

std::int64_t UdfExtentBlock(const FileNode& node, const udf::AllocationDescriptor& descriptor,
                            udf::AllocationType type) {
    const TrackInfo& track = *node.track;
    // Later tracks of some discs record their files with absolute blocks.
    if (type == udf::AllocationType::Long && descriptor.partition == 0 && track.track > 2) {
        return descriptor.position;
    }
    return std::int64_t{track.partitionStart} + descriptor.position;
}

void UdfRuns(const FileNode& node, FileRuns& result) {
    Block entry{};
    if (!ReadBlock(node.reserved1, entry)) {
        result.problem = "the file entry cannot be read";
        return;
    }
    udf::ToPlainFileEntry(entry);
    if (udf::Le16(entry, udf::tag_field::kIdentifier) != udf::tag::kFileEntry) {
        result.problem = "the file entry is damaged";
        return;
    }
    const udf::AllocationType type = udf::EntryAllocationType(entry);
    std::span<const std::uint8_t> area = udf::AllocationArea(entry);
    if (type == udf::AllocationType::Embedded) {
        AddRun(result, {0, area.size(), false, {area.begin(), area.end()}}, node.size);
        return;
    }
    if (type == udf::AllocationType::Extended) {
        result.problem = "extended allocation descriptors are not read";
        return;
    }
    Block continuation{};
    int continuations = 0;
    for (std::size_t at = 0;;) {
        udf::AllocationDescriptor descriptor;
        if (!udf::DescriptorAt(area, at, type, descriptor) || descriptor.empty()) {
            return;
        }
        at += udf::DescriptorSize(type);
        if (descriptor.type == udf::kNextExtentType) {
            if (++continuations > kMaxContinuations ||
                !ReadBlock(UdfExtentBlock(node, descriptor, type), continuation) ||
                udf::Le16(continuation, udf::tag_field::kIdentifier) !=
                    udf::tag::kAllocationExtent) {
                result.problem = "a block of allocation descriptors cannot be read";
                return;
            }
            const std::span<const std::uint8_t> descriptors =
                std::span<const std::uint8_t>(continuation)
                    .subspan(udf::extent_field::kDescriptors);
            area = descriptors.first(std::min<std::size_t>(
                udf::Le32(continuation, udf::extent_field::kAllocationLength), descriptors.size()));
            at = 0;
            continue;
        }
        // The packet writer's compressed extents hold other bytes than the
        // file's; only the reader's own data access expands them.
        if ((node.track->flags & udf_track_flags::kCompressedFileSet) != 0 &&
            descriptor.useFlags != 0 && descriptor.compressedLength > 0 &&
            descriptor.compressedLength < descriptor.length) {
            result.problem = "its data is stored compressed";
            return;
        }
        if (descriptor.type == 0) {
            AddRun(result, BlockRun(UdfExtentBlock(node, descriptor, type), descriptor.length),
                   node.size);
        } else {
            AddRun(result, {0, descriptor.length, true, {}}, node.size);
        }
    }
}

}  // namespace

FileRuns FileRunsOf(const FileNode& node) {
    FileRuns result;
    if (node.size == 0) {
        return result;
    }
    if (node.startBlock < 0 || node.track == nullptr) {
        result.problem = "the reader found no place for its data";
        return result;
    }
    const std::uint32_t flags = node.track->flags;
    if ((flags & track_flags::kHfs) != 0) {
        HfsRuns(node, result);
    } else if ((flags & track_flags::kUdf) != 0) {
        UdfRuns(node, result);
    } else {
        IsoRuns(node, result);
    }
    std::uint64_t held = 0;
    for (const DiscRun& run : result.runs) {
        held += run.length;
    }
    if (result.problem.empty() && held < node.size) {
        result.problem = "its extents hold less than its size";
    }
    return result;
}

}  // namespace kel::diag
