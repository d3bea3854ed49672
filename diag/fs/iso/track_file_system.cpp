// Which file system a data track holds, tried in the order that tells them
// apart: UDF on packet-written tracks, High Sierra, ISO 9660 with a Joliet
// tree preferred, UDF bridge discs, and finally HFS.
#include "diag/device/device_access.h"
#include "diag/fs/iso/iso_scan.h"
#include "diag/fs/readers.h"

namespace kel::diag {
namespace {

// The last Joliet descriptor looked for: the set rarely runs further.
constexpr std::int32_t kLastDescriptorBlock = 31;

bool readUdf(TrackInfo& track, std::span<std::uint8_t> buffer) {
    if (!ReadUdfVolume(track, buffer.first<iso::kBlockSize>())) {
        return false;
    }
    if (track.root != nullptr) {
        AddDirectoryToTree(*track.root);
    }
    return true;
}

bool isPacketWritten(const TrackInfo& track) {
    return (track.flags & track_flags::kPacket) != 0 ||
           (track.next != nullptr && (track.next->flags & track_flags::kPacket) != 0);
}

// An unreadable descriptor block: the root directory may still be found by
// looking for it, and is then read as an ISO 9660 volume.
bool readScannedRoot(IsoScan& scan, std::span<std::uint8_t> buffer) {
    if (ScanForRootDirectory(scan, buffer) < 0) {
        return false;
    }
    scan.track.flags |= track_flags::kIso9660;
    return ReadIsoVolume(scan, buffer);
}

}  // namespace

bool ReadTrackFileSystem(TrackInfo& track) {
    CdDevice* device = CurrentDevice();
    if (device == nullptr) {
        return false;
    }
    device->cancelled = 0;
    IsoScan scan{*device, track, {}};
    TrackedBuffer buffer(2 * iso::kBlockSize, __FILE__, __LINE__);
    if (!buffer) {
        return false;
    }
    const std::span<std::uint8_t> descriptor = buffer.block(0);
    const std::span<std::uint8_t> second = buffer.block(1);
    const bool ignoreJoliet = Options().ignoreJoliet != 0;

    if (isPacketWritten(track) && !ignoreJoliet && readUdf(track, descriptor)) {
        return true;
    }
    const std::int64_t descriptorBlock = std::int64_t{track.start} + iso::kDescriptorBlock;
    if (!ReadBlock(*device, descriptorBlock, descriptor)) {
        return readScannedRoot(scan, descriptor);
    }
    if (Options().debugMode) {
        DumpSector(descriptor, static_cast<int>(descriptorBlock), "ISO:PVD/SVD");
    }
    if (iso::IsHighSierraDescriptor(descriptor)) {
        return ReadHsgVolume(scan, descriptor);
    }
    if (!iso::IsDescriptor(descriptor, iso::descriptor::kPrimary) && !ignoreJoliet) {
        return readUdf(track, second) || ReadHfsVolume(track);
    }
    track.flags |= track_flags::kIso9660;
    if (!ignoreJoliet && readUdf(track, second)) {
        return true;
    }
    const std::uint32_t volumeSpaceSize = iso::Le32(descriptor, iso::descriptor::kVolumeSpaceSize);
    if (std::int64_t{track.start} + volumeSpaceSize > track.end) {
        ExtendVolumeOverTracks(scan, descriptor);
    }
    if (!ignoreJoliet) {
        for (std::int32_t offset = iso::kDescriptorBlock + 1; offset <= kLastDescriptorBlock;
             ++offset) {
            if (!ReadBlock(*device, std::int64_t{track.start} + offset, second)) {
                break;
            }
            if (iso::IsDescriptor(second, iso::descriptor::kSupplementary) &&
                ReadJolietVolume(scan, second)) {
                return true;
            }
        }
    }
    return ReadIsoVolume(scan, descriptor);
}

}  // namespace kel::diag
