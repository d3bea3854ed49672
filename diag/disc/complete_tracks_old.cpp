// Refining a TOC-built track list with an older drive's vendor track
// information. A drive that refuses the command as unknown is remembered as
// having none, so that later scans do not send it again.
#include <algorithm>
#include <chrono>

#include "diag/device/device_access.h"
#include "diag/disc/disc_debug.h"
#include "diag/disc/disc_info.h"
#include "diag/disc/info_reads.h"
#include "diag/disc/track_list.h"
#include "diag/disc/track_replies.h"
#include "diag/state/program_flags.h"

namespace kel::diag {

namespace {

using namespace std::chrono_literals;

constexpr std::size_t kOldReplyBytes = 20;
// The drive gets as long to become ready again as one command may take.
constexpr int kReadyPolls = 300;

std::shared_ptr<WaitClock>& waitClock() {
    static std::shared_ptr<WaitClock> clock = systemWaitClock();
    return clock;
}

ReplyBytes clearedOldReply(ReplyBuffer buffer) {
    std::fill_n(buffer.begin(), kOldReplyBytes, 0);
    return ReplyBytes(buffer.data(), kOldReplyBytes);
}

// Older drives can stay busy for a while after a vendor command they did
// not take. A drive that never comes back (the disc was taken out, the
// user cancelled) has not shown that it lacks the command.
bool waitUntilReady(CdDevice& drive) {
    for (int poll = 0; poll < kReadyPolls; ++poll) {
        if (drive.TestUnitReady()) {
            waitClock()->wait(500ms);
            return true;
        }
        if (drive.cancelled || CloseRequested()) {
            return false;
        }
        waitClock()->wait(100ms);
    }
    return false;
}

void refine(TrackInfo& r, const OldTrackInformation& info) {
    r.start = info.start;
    r.freeBlocks = info.freeBlocks;
    // A blank disc's record keeps its end, which counts the free blocks.
    const auto end = static_cast<std::uint32_t>(AddBlocks(info.start, info.size));
    if (!IsBlankDisc(r) && end < static_cast<std::uint32_t>(r.end)) {
        r.end = static_cast<std::int32_t>(end);
    }
    if (HasFixedPackets(info.dataModeByte)) {
        r.packetSize = info.packetSize;
    }
    r.dataModeByte = info.dataModeByte;
    r.trackModeByte = info.trackModeByte;
    r.control = info.trackModeByte & 0x0F;
    if (info.dataModeByte & data_mode::kPacket) {
        r.flags |= track_flags::kPacket;
    }
}

}  // namespace

void SetTrackInfoWaitClock(std::shared_ptr<WaitClock> clock) {
    waitClock() = clock ? std::move(clock) : systemWaitClock();
}

bool CompleteTracksOld(ReplyBuffer buffer) {
    CdDevice* drive = CurrentDevice();
    if (!drive || drive->TrkInfo() == 0) {
        return false;
    }
    TrackList& list = Tracks();
    int lastTrack = 0;
    for (TrackInfo* r = list.first; r; r = r->next) {
        // 0 and 255 do not name a track of their own (see CompleteTracksMmc).
        if (IsLeadOut(*r) || r->track == 0 || r->track == 255) {
            continue;
        }
        const ReplyBytes reply = clearedOldReply(buffer);
        if (!drive->ReadDiscInfo(buffer, r->track)) {
            DebugLine("Read Track Info failed (non-MMC)");
            // A medium or not-ready error says nothing of the command.
            if (CommandUnknownToDrive(*drive) && waitUntilReady(*drive)) {
                drive->SetTrackInfoCommand(0);
                drive->UpdateDatabase();
            }
            return false;
        }
        const OldTrackInformation info = ReadOldTrackInformationReply(reply);
        if (info.length == 0) {
            return false;
        }
        DebugTrackDump(buffer, info.length + 1, r->track);
        refine(*r, info);
        lastTrack = r->track;
    }

    // With no track asked for yet, the disc's first track is the one to ask.
    const ReplyBytes reply = clearedOldReply(buffer);
    if (drive->ReadDiscInfo(buffer, static_cast<std::uint16_t>(lastTrack + 1))) {
        const OldTrackInformation info = ReadOldTrackInformationReply(reply);
        if (!list.first && info.size == 0) {
            MakeBlankDisc(info.freeBlocks);
        } else if (list.last && IsLeadOut(*list.last)) {
            list.last->end = 1;  // open: writing can go on behind the lead-out
        }
    }
    return true;
}

}  // namespace kel::diag
