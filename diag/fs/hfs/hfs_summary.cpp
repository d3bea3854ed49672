#include "diag/fs/hfs/hfs_summary.h"

#include "diag/fs/hfs/hfs_date.h"
#include "diag/fs/hfs/hfs_volume.h"
#include "diag/ui/messages.h"

namespace kel::diag {

std::optional<HfsVolumeSummary> OpenHfsSummary(const TrackInfo& track) {
    hfs::HfsAccess access;
    if (!hfs::OpenHfsVolume(track, access)) {
        ShowMessage(165);
        return std::nullopt;
    }
    const hfs::MasterDirectoryBlock& m = access.master;
    HfsVolumeSummary summary;
    summary.files = m.files;
    summary.directories = m.directories;
    summary.allocationBlockSize = m.allocationBlockSize;
    summary.allocationBlocks = m.allocationBlocks;
    summary.freeBlocks = m.freeBlocks;
    summary.volumeName = m.volumeName;
    summary.partitionName = access.partitionName;
    summary.created = hfs::HfsDateToNodeDate(m.created);
    summary.modified = hfs::HfsDateToNodeDate(m.modified);
    return summary;
}

}  // namespace kel::diag
