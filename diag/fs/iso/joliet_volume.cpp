// A Joliet supplementary volume descriptor's tree: the same records as ISO
// 9660, with names in UCS-2.

#include "diag/fs/iso/iso_scan.h"
#include "diag/fs/iso/ucs_text.h"
#include "diag/fs/readers.h"
#include "diag/state/pane_hooks.h"
#include "diag/tools/tracked_alloc.h"
#include "diag/ui/messages.h"

namespace kel::diag {
namespace {

constexpr std::string_view kJolietEscapes[] = {"%/@", "%/C", "%/E"};
constexpr std::size_t kEscapeLength = 3;

bool isJolietEscape(iso::Bytes descriptor) {
    for (std::string_view escape : kJolietEscapes) {
        if (iso::Matches(descriptor, iso::descriptor::kEscapeSequences, escape)) {
            return true;
        }
    }
    return false;
}

}  // namespace

bool ReadJolietVolume(IsoScan& scan, iso::Bytes descriptor) {
    TrackInfo& track = scan.track;
    if (iso::Matches(descriptor, iso::descriptor::kSystemId, iso::descriptor::kCdiBridge)) {
        track.flags |= track_flags::kCdiBridge;
    }
    if (!isJolietEscape(descriptor)) {
        return false;
    }
    const iso::Bytes escape =
        iso::Field(descriptor, iso::descriptor::kEscapeSequences, kEscapeLength);
    IsoLog("Joliet format SVD encountered with code \"%3.3s\"",
           std::string_view(reinterpret_cast<const char*>(escape.data()), escape.size()));

    // When this descriptor gives no tree the primary one is read instead,
    // from the state the scan had before.
    const IsoScanState before = scan.state;
    auto giveUp = [&] {
        scan.state = before;
        track.flags &= ~track_flags::kJoliet;
        return false;
    };
    track.flags |= track_flags::kJoliet;
    scan.state.jolietNameError = false;
    scan.state.VolumeEndLimit =
        VolumeEndFor(track, iso::Le32(descriptor, iso::descriptor::kVolumeSpaceSize));

    const iso::Bytes rootRecord =
        iso::Field(descriptor, iso::descriptor::kRootRecord, iso::record::kDotRecordLength);
    const std::uint32_t rootBlock = iso::Le32(rootRecord, iso::record::kExtent);
    if (std::int64_t{rootBlock} < track.start) {
        IsoLog("Track %d appears to have offset image, directory starts at %d",
               static_cast<int>(track.track), rootBlock);
        if (Options().debugMode) {
            DumpBlock(rootRecord, iso::record::kDotRecordLength, "Root directory entry");
        }
        ProbeOffsetImage(scan, rootBlock);
    }
    if (std::int64_t{rootBlock} > scan.state.VolumeEndLimit) {
        return giveUp();
    }
    FindPathTableShift(scan, iso::Le32(descriptor, iso::descriptor::kPathTableL), rootBlock);

    std::string identifier;
    UcsToText(iso::Field(descriptor, iso::descriptor::kVolumeId, iso::descriptor::kVolumeIdLength),
              kRootNameRoom, identifier);
    const std::string label = VolumeLabel(identifier);
    FileNode* root = MakeRootNode(scan, label);
    if (root == nullptr) {
        return giveUp();
    }
    const std::int64_t start = AdjustedBlock(scan, rootBlock, true);
    root->startBlock = static_cast<std::int32_t>(start);
    root->size = iso::Le32(rootRecord, iso::record::kDataLength);
    const iso::Bytes date = iso::Field(rootRecord, iso::record::kDate, iso::record::kDateLength);
    std::copy(date.begin(), date.end(), root->recordingDate.begin());

    StatusText(130, static_cast<int>(track.track), label);
    scan.device.quiet = 1;
    root->firstChild = ReadJolietDirectory(scan, *root, start, root->size);
    scan.device.quiet = 0;
    if (root->firstChild == nullptr) {
        // The bare root is not shown: the primary descriptor's tree, read
        // next, takes the track's place in the tree pane.
        IsoLog("No directory information collected.");
        track.root = nullptr;
        TrackedFree(root, __FILE__, __LINE__);
        return giveUp();
    }
    AddDirectoryToTree(*root);
    ReportDirectoryReadErrors(scan);
    if (scan.state.jolietNameError) {
        ShowMessage(128);
    }
    return true;
}

}  // namespace kel::diag
