#include "diag/fs/hfs/hfs_catalog.h"
#include "diag/fs/hfs/hfs_catalog_extents.h"
#include "diag/fs/hfs/hfs_tree.h"
#include "diag/fs/hfs/hfs_volume.h"
#include "diag/fs/readers.h"

namespace kel::diag {

bool ReadHfsVolume(TrackInfo& track) {
    hfs::HfsAccess access;
    if (!hfs::OpenHfsVolume(track, access) || !hfs::FindHfsCatalog(access)) {
        return false;
    }
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
