// The track list from the TOC: one record per format 0 descriptor, sessions
// and the CD-ROM XA mark from the full TOC, an open session found by reading
// past the lead-out, and each track's end from the start of the next.
#include <algorithm>
#include <cstdint>

#include "diag/device/device_access.h"
#include "diag/disc/disc_debug.h"
#include "diag/disc/disc_info.h"
#include "diag/disc/track_list.h"
#include "diag/disc/track_replies.h"

namespace kel::diag {

namespace {

constexpr std::uint16_t kTocFormat0 = 0x000;
constexpr std::uint16_t kFullTocFormat = 0x200;
constexpr std::uint8_t kDiscTypePoint = 0xA0;
constexpr std::uint8_t kNextAreaPoint = 0xB0;
constexpr std::uint8_t kXaDiscType = 0x20;
// A full TOC whose first length byte is this or more claims more than the
// 2048-byte buffer can hold.
constexpr std::uint8_t kFullTocTooLong = 9;
// Where a session written after the last TOC would keep its volume
// descriptors.
constexpr std::int32_t kVolumeDescriptorOffset = 16;
// Records made without a TOC entry: ADR 1, data track.
constexpr std::uint8_t kMadeDataControl = 0x14;

// Some drives give POINT in BCD, others as a plain number.
bool pointNames(std::uint8_t point, std::uint8_t track) {
    const int bcd = (point >> 4) * 10 + (point & 0x0F);
    return point == track || bcd == track;
}

// Without a full TOC each data track is taken to end a session, as on a
// disc written one data session at a time. The lead-out belongs to the
// last track's session: with none, the last track's end would lose a
// session gap it does not have.
void numberSessionsByDataTracks() {
    std::uint8_t session = 1;
    for (TrackInfo* r = Tracks().first; r; r = r->next) {
        if (IsLeadOut(*r)) {
            r->session = r->prev ? r->prev->session : 1;
            continue;
        }
        r->session = session;
        if (IsDataTrack(*r)) {
            ++session;
        }
    }
}

void applyFullToc(ReplyBytes reply) {
    TrackList& list = Tracks();
    const int count = FullTocEntryCount(reply);
    const std::uint8_t lastSession = reply[3];
    // Only the last session's B0 entry says whether the disc goes on: an
    // earlier session's names where the next one starts, and a closed
    // disc's last session may have none. Entries need not come in session
    // order, and session 1's C0 entry may follow its B0 entry.
    for (int i = 0; i < count; ++i) {
        const FullTocEntry entry = FullTocEntryAt(reply, i);
        if (entry.point == kNextAreaPoint && entry.session == lastSession) {
            list.last->end = MsfToFrames(entry.min, entry.sec, entry.frame);
        }
    }
    TrackInfo* cursor = list.first;
    for (int i = 0; i < count && cursor; ++i) {
        const FullTocEntry entry = FullTocEntryAt(reply, i);
        if (entry.point == kDiscTypePoint && entry.psec == kXaDiscType) {
            list.first->flags |= track_flags::kCdRomXa;
        }
        if (pointNames(entry.point, cursor->track)) {
            cursor->session = entry.session;
            cursor = cursor->next;
        }
    }
    list.last->session = reply[3];
}

// Data readable beyond the lead-out's next program area is a session the
// TOC does not list yet: it gets a record of its own in front of the
// lead-out, starting where that session's first track starts. A closed
// disc has no next program area to look at.
void addOpenSession(CdDevice& drive, ReplyBuffer buffer) {
    TrackInfo* last = Tracks().last;
    if (!DiscIsOpen(*last) ||
        !drive.ReadSectors(static_cast<std::uint32_t>(last->end + kVolumeDescriptorOffset), buffer,
                           1)) {
        return;
    }
    TrackInfo* open = NewTrackRecord();
    if (!open) {
        return;
    }
    open->start = last->end;
    open->track = static_cast<std::uint8_t>(last->prev ? last->prev->track + 1 : 1);
    open->control = kMadeDataControl;
    open->flags = track_flags::kOpen;
    ++last->session;
    open->session = last->session;
    InsertTrackBefore(last, open);
}

// Takes the gap off `r`'s end unless that would leave nothing of the track.
void takeGap(TrackInfo& r) {
    if (std::int64_t{r.end} - kSessionGap > r.start) {
        r.end -= kSessionGap;
    }
}

void computeEnds() {
    for (TrackInfo* r = Tracks().first; r; r = r->next) {
        TrackInfo* x = r->next;
        if (IsLeadOut(*r) || !x) {
            continue;
        }
        // Out of order: the ends from here on cannot be told.
        if (r->prev && r->start < r->prev->start) {
            r->end = 0;
            return;
        }
        if (x->start > r->start) {
            r->end = x->start;
        } else {
            r->end = x->next && x->next->start > r->start ? x->next->start : kDefaultEnd;
        }
        // A data track after audio follows a session gap even when the
        // sessions are not known. On a CD Extra both hold for the same one
        // gap, which is taken once.
        if ((!IsDataTrack(*r) && IsDataTrack(*x)) || r->session != x->session) {
            takeGap(*r);
        }
    }
}

}  // namespace

std::int32_t MsfToFrames(std::uint8_t minute, std::uint8_t second, std::uint8_t frame) {
    return (minute * 60 + second) * 75 + frame;
}

bool ReadTocTracks(ReplyBuffer buffer) {
    CdDevice* drive = CurrentDevice();
    if (!drive) {
        return false;
    }
    std::fill(buffer.begin(), buffer.end(), 0);
    if (!drive->ReadToc(kTocFormat0, buffer)) {
        DebugLine("Error reading mode 0 TOC.");
        return false;
    }
    DebugDump(buffer, static_cast<int>(buffer.size()), "Mode 0 TOC");

    const int count = TocDescriptorCount(buffer);
    if (count == 1) {
        const TocDescriptor only = TocDescriptorAt(buffer, 0);
        if (only.address != 0 && only.track == kLeadOutTrack) {
            MakeBlankDisc(only.address);
            return true;
        }
    }
    FreeTrackRecords();
    for (int i = 0; i < count; ++i) {
        TrackInfo* record = NewTrackRecord();
        if (!record) {
            break;
        }
        const TocDescriptor descriptor = TocDescriptorAt(buffer, i);
        record->start = descriptor.address;
        record->track = descriptor.track;
        record->control = descriptor.control;
        AppendTrack(record);
    }
    if (!Tracks().first) {
        DebugLine("Empty TOC, assuming some kind of CD-RW disc.");
        return false;
    }
    LogTrackList();

    // A drive without the full TOC must not show a message for it.
    const std::uint8_t wasQuiet = drive->quiet;
    drive->quiet = 1;
    std::fill(buffer.begin(), buffer.end(), 0);
    if (!drive->ReadToc(kFullTocFormat, buffer) || buffer[0] >= kFullTocTooLong) {
        DebugLine("Unable to read mode 2 TOC");
        numberSessionsByDataTracks();
    } else {
        DebugDump(buffer, static_cast<int>(buffer.size()), "Mode 2 TOC");
        applyFullToc(buffer);
    }
    addOpenSession(*drive, buffer);
    drive->quiet = wasQuiet;

    computeEnds();
    LogTrackList();
    return true;
}

}  // namespace kel::diag
