#include "diag/fs/hfs/hfs_catalog.h"
#include "diag/fs/hfs/hfs_catalog_extents.h"
#include "diag/fs/hfs/hfs_tree.h"
#include "diag/fs/hfs/hfs_volume.h"
#include "diag/fs/readers.h"
#include "diag/tools/debug_log.h"

namespace kel::diag {

bool ReadHfsVolume(TrackInfo& track) {
    hfs::HfsAccess access;
    if (!hfs::OpenHfsVolume(track, access)) {
        return false;
    }
    const std::uint32_t recordedStart = access.allocationStart;
    if (!hfs::CatalogHeaderFound(access)) {
        // Some writers record an allocation start that misses the catalog;
        // the allocation blocks then begin right after the volume bitmap.
        const std::uint64_t bitmapBytes = (std::uint64_t{access.master.allocationBlocks} + 7) / 8;
        const std::uint64_t size = access.allocationBlockSize;
        const std::uint64_t pastBitmap =
            size == 0 ? 0
                      : (bitmapBytes + size - 1) / size * size / hfs::kBlockBytes +
                            access.master.bitmapStart;
        access.allocationStart = static_cast<std::uint32_t>(pastBitmap);
        if (!hfs::CatalogHeaderFound(access)) {
            if (logSwitches().debugMode) {
                DebugLog("No valid node 0 found at any location. drAlBlSt=%d, past bitmap=%d",
                         recordedStart, pastBitmap);
            }
            return false;
        }
    }
    if (logSwitches().debugMode) {
        DebugLog("HFS: PartBegin=%d, BlkSize=%d, AlBegin=%d, CatTreeBase=%d", access.base,
                 access.allocationBlockSize, access.allocationStart,
                 access.master.catalogExtents[0].start);
    }
    hfs::AddOverflowCatalogExtents(access);
    hfs::ReadHfsCatalog(access, track);
    if (track.root == nullptr) {
        hfs::HangEmptyRoot(track, access.master.volumeName);
    }
    if (track.root != nullptr) {
        hfs::AddHfsDirectoryToTree(*track.root);
    }
    track.flags |= track_flags::kHfs;
    return true;
}

}  // namespace kel::diag
