// A High Sierra volume: the older layout of the same structures, with the
// descriptor's fields eight bytes further on and no time-zone byte.
#include "diag/fs/iso/iso_scan.h"
#include "diag/fs/readers.h"
#include "diag/state/pane_hooks.h"

namespace kel::diag {

bool ReadHsgVolume(IsoScan& scan, iso::Bytes descriptor) {
    TrackInfo& track = scan.track;
    track.flags |= track_flags::kHighSierra;
    scan.state.VolumeEndLimit =
        VolumeEndFor(track, iso::Le32(descriptor, iso::hsg::kVolumeSpaceSize));
    const iso::Bytes rootRecord =
        iso::Field(descriptor, iso::hsg::kRootRecord, iso::record::kDotRecordLength);
    const iso::Bytes identifier =
        iso::Field(descriptor, iso::hsg::kVolumeId, iso::descriptor::kVolumeIdLength);
    const std::string label =
        VolumeLabel({reinterpret_cast<const char*>(identifier.data()), identifier.size()});
    FileNode* root = MakeRootNode(scan, label);
    if (root == nullptr) {
        return false;
    }
    const std::uint32_t rootBlock = iso::Le32(rootRecord, iso::record::kExtent);
    root->startBlock = static_cast<std::int32_t>(rootBlock);
    root->size = iso::Le32(rootRecord, iso::record::kDataLength);
    // Six date bytes; the seventh is the flags byte that follows them.
    const iso::Bytes date = iso::Field(rootRecord, iso::record::kDate, iso::record::kDateLength);
    std::copy(date.begin(), date.end(), root->recordingDate.begin());

    StatusText(221, static_cast<int>(track.track), label);
    scan.device.quiet = 1;
    root->firstChild = ReadHsgDirectory(scan, *root, rootBlock, root->size);
    scan.device.quiet = 0;
    AddDirectoryToTree(*root);
    ReportDirectoryReadErrors(scan);
    return true;
}

}  // namespace kel::diag
