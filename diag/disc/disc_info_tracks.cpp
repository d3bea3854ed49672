// The track list of a disc whose TOC cannot be read (a blank or incomplete
// recordable disc): from disc information and each track's information.
#include "diag/device/cd_device.h"
#include "diag/device/device_access.h"
#include "diag/disc/disc_debug.h"
#include "diag/disc/disc_info.h"
#include "diag/disc/info_reads.h"
#include "diag/disc/track_list.h"
#include "diag/disc/track_records.h"
#include "diag/disc/track_replies.h"

namespace kel::diag {

namespace {

constexpr std::uint8_t kVendorNextWritable = 0xE6;
constexpr int kInvisibleTrack = 255;
constexpr std::uint8_t kMadeDataControl = 0x14;
// Data track, recorded incrementally.
constexpr std::uint8_t kIncrementalData =
    control_bits::kData | control_bits::kPreEmphasisOrIncremental;

enum DiscStatus : std::uint8_t { kEmpty = 0, kIncomplete = 1 };

// The older vendor command answers only the next writable address: the
// whole disc becomes one open track ending there.
bool addNextWritableTrack(CdDevice& drive, ReplyBuffer buffer) {
    const ReplyBytes reply = ClearedInfoReply(buffer);
    if (!drive.ReadDiscInfo(buffer, 1)) {
        return false;
    }
    const auto nextWritable = static_cast<std::int32_t>(Swap32(reply.first<4>()));
    DebugLine("NWA returned from device is %d.", nextWritable);
    TrackInfo* record = NewTrackRecord();
    if (!record) {
        return false;
    }
    record->end = nextWritable;
    record->session = 1;
    record->track = 1;
    record->control = kMadeDataControl;
    record->flags = track_flags::kOpen;
    AppendTrack(record);
    return true;
}

// Track `n` in the standard layout; false when the walk ends here.
bool addTrack(ReplyBytes reply, int n) {
    const TrackInformation info = ReadTrackInformationReply(reply);
    DebugTrackDump(reply, info.dataLength + 2, n);
    if (info.size == 0) {
        return false;
    }
    // The incomplete track asked for by number 255 may be the last one
    // already read.
    const TrackInfo* last = Tracks().last;
    if (n == kInvisibleTrack && last && info.track == last->track && info.start == last->start) {
        return false;
    }
    TrackInfo* record = NewRecordFromTrackInformation(info);
    if (!record) {
        return false;
    }
    if (info.nextWritableValid && AddBlocks(AddBlocks(info.start, info.size),
                                            -std::int64_t{info.freeBlocks}) == info.nextWritable) {
        record->end = info.nextWritable;
    }
    if (info.dataModeByte & data_mode::kPacket) {
        record->flags |= track_flags::kPacket;
    }
    AppendTrack(record);
    return true;
}

// Track `n` in the older layout; false when the walk ends here.
bool AddOldTrackInfo(ReplyBytes reply, int n) {
    const OldTrackInformation info = ReadOldTrackInformationReply(reply);
    DebugTrackDump(reply, info.length + 1, n);
    if (info.size == 0) {
        return false;
    }
    TrackInfo* record = NewTrackRecord();
    if (!record) {
        return false;
    }
    record->start = info.start;
    record->end = AddBlocks(info.start, info.size);
    record->freeBlocks = info.freeBlocks;
    if (HasFixedPackets(info.dataModeByte)) {
        record->packetSize = info.packetSize;
    }
    record->dataModeByte = info.dataModeByte;
    record->trackModeByte = info.trackModeByte;
    record->control = info.trackModeByte & 0x0F;
    if ((info.trackModeByte & kIncrementalData) == kIncrementalData) {
        record->flags |= track_flags::kPacket;
    }
    record->track = static_cast<std::uint8_t>(n);
    AppendTrack(record);
    return true;
}

// Each track from the first of the incomplete disc on, then the incomplete
// or invisible track (number 255); the first track the drive refuses ends
// the numbered walk.
bool addIncompleteDiscTracks(CdDevice& drive, ReplyBuffer buffer, int firstTrack) {
    bool made = false;
    for (int n = firstTrack; n <= kInvisibleTrack; ++n) {
        const ReplyBytes reply = ClearedInfoReply(buffer);
        if (!drive.ReadDiscInfo(buffer, static_cast<std::uint16_t>(n))) {
            if (n == kInvisibleTrack) {
                break;
            }
            n = kInvisibleTrack - 1;
            continue;
        }
        const TrackInformation info = ReadTrackInformationReply(reply);
        if (info.dataLength == 0) {
            break;
        }
        bool added;
        if (info.dataLength < kOlderLayoutLength) {
            // Only the standard layout names the track; the track 255 asked
            // for answers with its real number.
            if (n != kInvisibleTrack && info.track != n) {
                break;
            }
            added = addTrack(reply, n);
        } else {
            added = AddOldTrackInfo(reply, n);
        }
        if (!added) {
            break;
        }
        made = true;
    }
    return made;
}

std::int32_t freeBlocksOfReply(ReplyBytes reply) {
    const TrackInformation info = ReadTrackInformationReply(reply);
    return info.dataLength < kOlderLayoutLength ? info.freeBlocks
                                                : ReadOldTrackInformationReply(reply).freeBlocks;
}

}  // namespace

bool ReadDiscInfoTracks(ReplyBuffer buffer) {
    CdDevice* drive = CurrentDevice();
    if (!drive) {
        return false;
    }
    if (drive->TrkInfo() == kVendorNextWritable) {
        return addNextWritableTrack(*drive, buffer);
    }
    DebugLine("Attempting to obtain disc information from %s.", drive->AddressName());
    const std::optional<DiscInformation> read = ReadDiscInformation(*drive, buffer);
    if (!read) {
        return false;
    }
    const DiscInformation& disc = *read;
    DebugDump(buffer, disc.dataLength + 2, "Disc Information");

    if (disc.status == kEmpty) {
        const ReplyBytes reply = ClearedInfoReply(buffer);
        if (!drive->ReadDiscInfo(buffer, 1)) {
            return false;
        }
        MakeBlankDisc(freeBlocksOfReply(reply));
        return true;
    }
    if (disc.status != kIncomplete || disc.firstTrack == 0 || disc.sessions == 0) {
        return false;
    }
    if (!addIncompleteDiscTracks(*drive, buffer, disc.firstTrack)) {
        return false;
    }
    TrackList& list = Tracks();
    if (disc.erasable) {
        list.first->flags |= track_flags::kErasable;
    }
    list.last->flags |= track_flags::kOpen;
    return true;
}

}  // namespace kel::diag
