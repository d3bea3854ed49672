// The ISO 9660 path: a primary volume descriptor's tree, read with ISO
// identifiers and Rock Ridge names.
#include "diag/fs/iso/iso_scan.h"
#include "diag/fs/readers.h"
#include "diag/state/pane_hooks.h"
#include "diag/state/program_flags.h"
#include "diag/ui/messages.h"

namespace kel::diag {
namespace {

bool abortRequested(const IsoScan& scan) {
    const bool close = CloseRequested();
    if (!close && !scan.device.cancelled) {
        return false;
    }
    IsoLog("Abort requested during directory scan, Abort=%d, CloseReq=%d",
           static_cast<int>(scan.device.cancelled), static_cast<int>(close));
    return true;
}

}  // namespace

bool ReadIsoVolume(IsoScan& scan, iso::Bytes descriptor) {
    TrackInfo& track = scan.track;
    if (abortRequested(scan)) {
        return false;
    }
    if (StopScan()) {
        ShowMessage(155, static_cast<int>(track.track));
        return false;
    }
    const iso::Bytes rootRecord =
        iso::Field(descriptor, iso::descriptor::kRootRecord, iso::record::kDotRecordLength);
    const std::uint32_t rootBlock = iso::Le32(rootRecord, iso::record::kExtent);
    // An image mastered to start at block 0 but written further on: its
    // root lies at its recorded block plus the track start.
    if (std::int64_t{rootBlock} < track.start) {
        IsoLog("Directory before track, trying offset: %d, %d", rootBlock, track.start);
        if (!ProbeOffsetImage(scan, rootBlock)) {
            ShowMessage(204, static_cast<int>(track.track));
            return false;
        }
    }
    if (iso::Matches(descriptor, iso::descriptor::kSystemId, iso::descriptor::kCdiBridge)) {
        track.flags |= track_flags::kCdiBridge;
    }
    scan.state.VolumeEndLimit =
        VolumeEndFor(track, iso::Le32(descriptor, iso::descriptor::kVolumeSpaceSize));
    FindPathTableShift(scan, iso::Le32(descriptor, iso::descriptor::kPathTableL), rootBlock);

    const iso::Bytes identifier =
        iso::Field(descriptor, iso::descriptor::kVolumeId, iso::descriptor::kVolumeIdLength);
    const std::string label =
        VolumeLabel({reinterpret_cast<const char*>(identifier.data()), identifier.size()});
    FileNode* root = MakeRootNode(scan, label);
    if (root == nullptr) {
        IsoLog("No directory information collected.");
        return false;
    }
    const std::int64_t start = AdjustedBlock(scan, rootBlock, true);
    root->startBlock = static_cast<std::int32_t>(start);
    // A root that claims no length still has its one block.
    const std::uint32_t length = iso::Le32(rootRecord, iso::record::kDataLength);
    root->size = length != 0 ? length : iso::kBlockSize;
    const iso::Bytes date = iso::Field(rootRecord, iso::record::kDate, iso::record::kDateLength);
    std::copy(date.begin(), date.end(), root->recordingDate.begin());

    StatusText(129, static_cast<int>(track.track), label);
    scan.device.quiet = 1;
    root->firstChild = ReadIsoDirectory(scan, *root, start, root->size);
    scan.device.quiet = 0;
    abortRequested(scan);
    AddDirectoryToTree(*root);
    ReportDirectoryReadErrors(scan);
    return true;
}

}  // namespace kel::diag
