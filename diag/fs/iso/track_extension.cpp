// A volume may run on over the following tracks of its session (a CD-i or
// video disc puts its data tracks after the one that holds the file system).
#include "diag/fs/iso/iso_scan.h"

namespace kel::diag {

void ExtendVolumeOverTracks(IsoScan& scan, iso::Bytes descriptor) {
    const std::uint32_t volumeSpaceSize = iso::Le32(descriptor, iso::descriptor::kVolumeSpaceSize);
    TrackedBuffer buffer(iso::kBlockSize, __FILE__, __LINE__);
    if (!buffer) {
        return;
    }
    TrackInfo& first = scan.track;
    for (TrackInfo* track = first.next; track != nullptr; track = track->next) {
        if (track->track == kLeadOutTrack || track->session != first.session ||
            !IsDataTrack(*track) || std::int64_t{track->start} >= volumeSpaceSize) {
            return;
        }
        scan.device.quiet = 1;
        const bool read = ReadBlock(scan.device, std::int64_t{track->start} + iso::kDescriptorBlock,
                                    buffer.span());
        scan.device.quiet = 0;
        if (!read || iso::IsDescriptor(buffer.span(), iso::descriptor::kPrimary)) {
            return;
        }
        track->flags |= track_flags::kContinuation;
        first.end = track->end;
    }
}

}  // namespace kel::diag
