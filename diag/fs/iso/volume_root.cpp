// What the ISO 9660, Joliet and High Sierra volume readers do alike: the
// volume's end, its label, its root node and the closing report.
#include <algorithm>

#include "diag/fs/iso/iso_scan.h"
#include "diag/fs/readers.h"
#include "diag/state/volume_label.h"
#include "diag/ui/messages.h"

namespace kel::diag {

std::int32_t VolumeEndFor(const TrackInfo& track, std::uint32_t volumeSpaceSize) {
    if (track.next != nullptr) {
        return track.end;
    }
    const std::int64_t end = std::int64_t{track.start} + volumeSpaceSize;
    return static_cast<std::int32_t>(std::min<std::int64_t>(end, iso::kMaxVolumeEnd));
}

std::string VolumeLabel(std::string_view identifier) {
    std::string label(identifier);
    label.resize(std::min(label.size(), label.find('\0')));
    label.erase(label.find_last_not_of(' ') + 1);
    return label;
}

FileNode* MakeRootNode(IsoScan& scan, std::string_view label) {
    SetCurrentVolumeLabel(label);
    const FormatArg args[] = {label, static_cast<int>(scan.track.session)};
    const std::string name = FormatText("\\ %s (Session %d)", args, kRootNameRoom);
    FileNode* root = NewFileNode(name, true, __FILE__, __LINE__);
    if (root == nullptr) {
        return nullptr;
    }
    root->track = &scan.track;
    root->flags = node_flags::kDirectory;
    scan.track.root = root;
    return root;
}

std::int64_t AdjustedBlock(const IsoScan& scan, std::uint32_t recorded, bool addShift) {
    std::int64_t block = recorded;
    if (addShift) {
        block += scan.state.PathTableShift;
    }
    if (block < scan.track.start && scan.state.OffsetImage) {
        block += scan.track.start;
    }
    return block;
}

bool ProbeOffsetImage(IsoScan& scan, std::uint32_t rootBlock) {
    TrackedBuffer buffer(iso::kBlockSize, __FILE__, __LINE__);
    if (!buffer) {
        return false;
    }
    const std::span<std::uint8_t> data = buffer.span();
    const std::int64_t block = std::int64_t{rootBlock} + scan.track.start;
    if (!ReadBlock(scan.device, block, data)) {
        return false;
    }
    if (Options().debugMode) {
        DumpSector(data, static_cast<int>(block), "Root directory block");
    }
    const std::uint8_t length = data[iso::record::kLength];
    if (length < iso::record::kDotRecordLength || length > 127 ||
        (data[iso::record::kIsoFlags] & iso::record::kDirectoryFlag) == 0 ||
        !iso::HasDotIdentifier(data)) {
        return false;
    }
    scan.state.OffsetImage = true;
    IsoLog("Image offset detected, processing offset image");
    return true;
}

void ReportDirectoryReadErrors(const IsoScan& scan) {
    if (scan.state.DirectoryReadErrors != 0) {
        ShowMessage(241, scan.state.DirectoryReadErrors);
    }
    ReportFoldersLeftUnread(scan.track, scan.state.foldersLeftUnread,
                            scan.state.firstFolderLeftUnread);
}

}  // namespace kel::diag
