// Refining a TOC-built track list with disc information and the standard
// track information: real starts and ends, free blocks, packet writing,
// the track being written and the start of the next session.
#include "diag/device/device_access.h"
#include "diag/disc/disc_debug.h"
#include "diag/disc/disc_info.h"
#include "diag/disc/info_reads.h"
#include "diag/disc/track_list.h"
#include "diag/disc/track_records.h"
#include "diag/disc/track_replies.h"

namespace kel::diag {

namespace {

constexpr std::uint16_t kTrackHoldingBlockZero = 0x100;
constexpr std::uint16_t kInvisibleTrack = 255;
constexpr std::uint8_t kIncompleteSession = 1;
constexpr std::uint8_t kBlankPacketMask = 0xE0;
constexpr std::uint8_t kBlankPacket = data_mode::kBlank | data_mode::kPacket;
// Blank, data mode unknown: the invisible track of an appendable disc.
constexpr std::uint8_t kInvisibleDataMode = 0x4F;

// 0 asks for disc information and 255 for the incomplete track: a TOC entry
// with either number cannot be asked for by its number.
bool askableTrack(std::uint8_t track) {
    return track != 0 && track != kInvisibleTrack;
}

bool readTrack(CdDevice& drive, ReplyBuffer buffer, std::uint8_t track) {
    ClearedInfoReply(buffer);
    if (drive.ReadDiscInfo(buffer, track)) {
        return true;
    }
    if (track != 1) {
        return false;
    }
    // Some drives will not name track 1 by number but answer for block 0.
    ClearedInfoReply(buffer);
    return drive.ReadDiscInfo(buffer, kTrackHoldingBlockZero);
}

// Audio tracks keep the TOC's end: their size may include the gap.
std::int32_t refinedEnd(const TrackInfo& r, const TrackInformation& info) {
    if (info.nextWritableValid) {
        return info.nextWritable;
    }
    if ((info.trackModeByte & control_bits::kData) || IsDataTrack(r)) {
        return AddBlocks(info.start, info.size);
    }
    return r.end;
}

void refine(TrackInfo& r, const TrackInformation& info) {
    // A blank disc's record keeps its end, which counts the free blocks: its
    // next writable address is block 0.
    if (!IsBlankDisc(r)) {
        r.end = refinedEnd(r, info);
    }
    r.start = info.start;
    r.freeBlocks = info.freeBlocks;
    if (info.nextWritableValid) {
        r.nextWritable = info.nextWritable == info.start ? 0 : info.nextWritable;
    }
    if (HasFixedPackets(info.dataModeByte)) {
        r.packetSize = info.packetSize;
    }
    r.trackModeByte = info.trackModeByte;
    r.dataModeByte = info.dataModeByte;
    if (info.dataModeByte & data_mode::kBlank) {
        r.flags |= track_flags::kBlank;
    }
    r.session = info.session;
    if (info.trackModeByte != 0 &&
        (info.trackModeByte & control_bits::kData) == (r.control & control_bits::kData)) {
        r.control = info.trackModeByte & 0x0F;
    }
    if (info.dataModeByte & data_mode::kPacket) {
        r.flags |= track_flags::kPacket;
    }
}

// The track behind the TOC's last one, when the drive has one that is being
// written: a record in front of the lead-out. False when the track shows
// that there is nothing to learn from the incomplete track either.
bool addTrackBeingWritten(CdDevice& drive, ReplyBuffer buffer) {
    TrackInfo* last = LastTrackBeforeLeadOut();
    if (!last || !askableTrack(last->track)) {
        return true;
    }
    const ReplyBytes reply = ClearedInfoReply(buffer);
    const auto number = static_cast<std::uint16_t>(last->track + 1);
    if (!drive.ReadDiscInfo(buffer, number)) {
        return true;
    }
    const TrackInformation info = ReadTrackInformationReply(reply);
    DebugTrackDump(buffer, info.dataLength + 2, number);
    if (info.track == last->track) {
        return true;
    }
    if ((info.trackModeByte == 0 && info.dataModeByte == 0) ||
        (info.dataModeByte & kBlankPacketMask) == kBlankPacket ||
        info.dataModeByte == kInvisibleDataMode) {
        return false;
    }
    if (TrackInfo* record = NewRecordFromTrackInformation(info)) {
        record->flags |= track_flags::kPacket | track_flags::kOpen;
        InsertTrackAfter(last, record);
    }
    return true;
}

// Where the incomplete or invisible track's writing would continue: the
// lead-out's end, and its start when that lies further on.
void placeLeadOut(CdDevice& drive, ReplyBuffer buffer) {
    const ReplyBytes reply = ClearedInfoReply(buffer);
    if (!drive.ReadDiscInfo(buffer, kInvisibleTrack)) {
        return;
    }
    const TrackInformation info = ReadTrackInformationReply(reply);
    DebugDump(buffer, info.dataLength + 2, "Track 255 information");
    TrackInfo* leadOut = Tracks().last;
    if (!leadOut || !IsLeadOut(*leadOut) || !info.nextWritableValid) {
        return;
    }
    TrackInfo* before = leadOut->prev;
    if (info.track == leadOut->track || (before && info.track == before->track)) {
        return;
    }
    leadOut->end = info.nextWritable;
    if (leadOut->start < info.nextWritable) {
        leadOut->start = info.nextWritable;
        if (before) {
            before->end = info.nextWritable;
        }
    }
}

}  // namespace

MmcCompletion CompleteTracksMmc(ReplyBuffer buffer) {
    CdDevice* drive = CurrentDevice();
    if (!drive || drive->TrkInfo() == 0) {
        return {};
    }
    // A reply in another layout comes from a drive the older form may suit.
    const MmcCompletion otherLayout{.tryOlderForm = true};
    const std::optional<DiscInformation> read = ReadDiscInformation(*drive, buffer);
    if (!read) {
        return {.tryOlderForm = CommandUnknownToDrive(*drive)};
    }
    const DiscInformation& disc = *read;
    if (disc.dataLength == 0) {
        return otherLayout;
    }
    DebugDump(buffer, disc.dataLength + 2, "Disc Information");
    const ReplyBytes reply(buffer.data(), kInfoReplyBytes);
    TrackList& list = Tracks();
    if (disc.erasable && list.first) {
        list.first->flags |= track_flags::kErasable;
    }

    for (TrackInfo* r = list.first; r; r = r->next) {
        if (IsLeadOut(*r) || !askableTrack(r->track)) {
            continue;
        }
        if (!readTrack(*drive, buffer, r->track)) {
            DebugLine("Read Track Info failed.");
            return {.tryOlderForm = CommandUnknownToDrive(*drive)};
        }
        const TrackInformation info = ReadTrackInformationReply(reply);
        if (info.dataLength + 2 > static_cast<int>(kInfoReplyBytes)) {
            return otherLayout;
        }
        DebugTrackDump(reply, info.dataLength + 2, r->track);
        refine(*r, info);
    }

    if (addTrackBeingWritten(*drive, buffer)) {
        placeLeadOut(*drive, buffer);
    }
    // Only a session still being written is open: an appendable disc whose
    // sessions are all closed has its closed tracks in front of the lead-out.
    if (disc.lastSession == kIncompleteSession) {
        if (TrackInfo* open = LastTrackBeforeLeadOut()) {
            open->flags |= track_flags::kOpen;
        }
    }
    TrackInfo* leadOut = list.last;
    if (leadOut && IsLeadOut(*leadOut) && leadOut->prev && leadOut->start < leadOut->prev->end) {
        leadOut->start = leadOut->prev->end;
    }
    for (TrackInfo* r = list.first; r; r = r->next) {
        if (!IsLeadOut(*r) && r->end == 0 && r->prev) {
            r->end = kDefaultEnd;
            r->start = AddBlocks(r->prev->end, 1);
        }
    }
    return {.completed = true};
}

}  // namespace kel::diag
