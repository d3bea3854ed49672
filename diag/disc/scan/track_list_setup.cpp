// The track list as the scan prepares it before any track is read.
#include "diag/disc/disc_debug.h"
#include "diag/disc/scan/scan_steps.h"
#include "diag/disc/track_list.h"
#include "diag/ui/messages.h"

namespace kel::diag {
namespace {

// ADR 1 with a data track's control, or with an audio track's.
constexpr std::uint8_t kMadeDataControl = 0x14;
constexpr std::uint8_t kMadeAudioControl = 0x10;
constexpr std::uint32_t kDiscWideFlags = track_flags::kCdRomXa | track_flags::kErasable;

bool anyPacketTrack() {
    for (const TrackInfo* r = Tracks().first; r != nullptr; r = r->next) {
        if ((r->flags & track_flags::kPacket) != 0) {
            return true;
        }
    }
    return false;
}

// On an audio track (and the lead-out, which repeats the last track's
// control) the same bit means pre-emphasis.
bool isIncrementalData(const TrackInfo& r) {
    return IsDataTrack(r) && !IsLeadOut(r) &&
           (r.control & control_bits::kPreEmphasisOrIncremental) != 0;
}

}  // namespace

bool BuildTrackList(ReplyBuffer buffer) {
    if (ReadTocTracks(buffer)) {
        // Drives without the standard track information may have the older
        // vendor form; a drive with neither keeps the TOC's picture. A
        // failed read of the standard form is no sign of the older one.
        const MmcCompletion standard = CompleteTracksMmc(buffer);
        if (!standard && standard.tryOlderForm) {
            CompleteTracksOld(buffer);
        }
        return true;
    }
    return ReadDiscInfoTracks(buffer);
}

void MarkPacketTracks() {
    TrackInfo* first = Tracks().first;
    if (first == nullptr || anyPacketTrack() || isIncrementalData(*first)) {
        return;
    }
    for (TrackInfo* r = first; r != nullptr; r = r->next) {
        if (isIncrementalData(*r)) {
            r->flags |= track_flags::kPacket;
        }
    }
}

void AddImplicitTrack() {
    TrackList& list = Tracks();
    TrackInfo* first = list.first;
    if (first != nullptr && first->start > 0) {
        // In front of an audio first track lies its pregap, audio as well:
        // an audio CD starting at 150 is no reason for a warning, and its
        // pregap no data track to read.
        const bool audio = !IsDataTrack(*first);
        if (audio) {
            DebugLine("Audio track %d starts at %d, implicit audio track assumed from block 0",
                      first->track, first->start);
        } else {
            ShowMessage(203, first->start - 1);
        }
        if (TrackInfo* implicit = NewTrackRecord()) {
            implicit->track = static_cast<std::uint8_t>(first->track - 1);
            implicit->start = 0;
            implicit->end = first->start;
            implicit->control = audio ? kMadeAudioControl : kMadeDataControl;
            implicit->session = 1;
            // The disc-wide bits stay on the first record.
            implicit->flags = track_flags::kImplicitFromBlockZero | (first->flags & kDiscWideFlags);
            InsertTrackBefore(first, implicit);
        }
    }
    // A record that starts behind the lead-out (an open session the TOC does
    // not list) has an end of its own that says nothing of the lead-out.
    TrackInfo* last = list.last;
    if (last != nullptr && IsLeadOut(*last) && last->prev != nullptr &&
        last->prev->start <= last->start && last->start < last->prev->end) {
        last->start = last->prev->end;
    }
    LogTrackList();
}

}  // namespace kel::diag
