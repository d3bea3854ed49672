#include "diag/fs/volinfo/show_volume_info.h"

#include <QApplication>
#include <array>
#include <cstring>
#include <span>

#include "diag/device/device_access.h"
#include "diag/fs/hfs/hfs_summary.h"
#include "diag/fs/volinfo/hfs_summary_block.h"
#include "diag/fs/volinfo/volume_fields.h"
#include "diag/fs/volinfo/volume_info_dialog.h"
#include "diag/tools/debug_log.h"
#include "diag/ui/messages.h"

namespace kel::diag {

namespace {

constexpr std::int32_t kDescriptorBlock = 16;

bool Holds(std::span<const std::uint8_t> block, std::size_t at, std::string_view bytes) {
    return std::memcmp(block.data() + at, bytes.data(), bytes.size()) == 0;
}

// The field table for a volume descriptor block; empty when the block is
// none of the kinds shown.
std::span<const VolumeField> FieldsFor(std::span<const std::uint8_t, 2048> block) {
    if (Holds(block, 0, std::string_view("\1CD001\1", 7))) {
        return IsoVolumeFields();
    }
    if (Holds(block, 8, "\1CDROM")) {
        return HighSierraVolumeFields();
    }
    if (Holds(block, 0, "\1CD-I")) {
        return CdiVolumeFields();
    }
    return {};
}

void RunDialog(const std::vector<std::string>& lines,
               const std::function<void(VolumeInfoDialog&)>& configure) {
    VolumeInfoDialog dialog(lines, QApplication::activeWindow());
    if (configure) {
        configure(dialog);
    }
    dialog.exec();
}

}  // namespace

void ShowVolumeInfo(const TrackInfo* track,
                    const std::function<void(VolumeInfoDialog&)>& configure) {
    if (track == nullptr || !IsDataTrack(*track) || track->track == kLeadOutTrack) {
        ShowMessage(133);
        return;
    }
    if ((track->flags & track_flags::kUdf) != 0) {
        ShowMessage(222);
        return;
    }
    if ((track->flags & track_flags::kHfs) != 0) {
        const std::optional<HfsVolumeSummary> summary = OpenHfsSummary(*track);
        if (!summary) {
            return;
        }
        RunDialog(VolumeInfoLines(HfsVolumeFields(), HfsSummaryBlock(*summary)), configure);
        return;
    }
    CdDevice* device = CurrentDevice();
    std::array<std::uint8_t, 2048> block{};
    if (device == nullptr || track->start < 0 ||
        !device->ReadSectors(static_cast<std::uint32_t>(track->start + kDescriptorBlock), block,
                             1)) {
        return;
    }
    if (logSwitches().debugMode) {
        DumpSector(block, track->start + kDescriptorBlock, "Volume:PVD");
    }
    const std::span<const VolumeField> fields = FieldsFor(block);
    if (fields.empty()) {
        ShowMessage(104, track->track);
        return;
    }
    RunDialog(VolumeInfoLines(fields, block), configure);
}

}  // namespace kel::diag
