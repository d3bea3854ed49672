// Each track of the list gets its file tree, or a placeholder node that
// names it: a failure on one track never stops the scan.
#include "diag/device/device_access.h"
#include "diag/disc/disc_debug.h"
#include "diag/disc/scan/placeholder_nodes.h"
#include "diag/disc/scan/scan_steps.h"
#include "diag/disc/scan/track_trees.h"
#include "diag/disc/track_list.h"
#include "diag/fs/readers.h"
#include "diag/state/options.h"
#include "diag/tools/duplicates/duplicate_entries.h"
#include "diag/ui/progress_dialog.h"

namespace kel::diag {
namespace {

bool has(const TrackInfo& track, std::uint32_t flag) {
    return (track.flags & flag) != 0;
}

// The unwritten rest of a recordable disc: a blank track whose free blocks
// reach its end holds nothing to read, unless an incremental track follows.
bool isBlankRemainder(const TrackInfo& track) {
    return std::int64_t{track.start} + track.freeBlocks >= track.end &&
           has(track, track_flags::kBlank) &&
           (track.next == nullptr ||
            (track.next->control & control_bits::kPreEmphasisOrIncremental) == 0);
}

// The implicit track from block 0 is the program's own guess at what lies
// in front of the first track: a read that finds nothing there is no drive
// error to show.
class QuietOnImplicitTrack {
public:
    explicit QuietOnImplicitTrack(const TrackInfo& track)
        : device_(has(track, track_flags::kImplicitFromBlockZero) ? CurrentDevice() : nullptr) {
        if (device_ != nullptr) {
            wasQuiet_ = device_->quiet;
            device_->quiet = 1;
            DebugLine("Looking for a file system on the implicit track %d, blocks %d to %d",
                      track.track, track.start, track.end);
        }
    }
    ~QuietOnImplicitTrack() {
        if (device_ != nullptr) {
            device_->quiet = wasQuiet_;
        }
    }
    QuietOnImplicitTrack(const QuietOnImplicitTrack&) = delete;
    QuietOnImplicitTrack& operator=(const QuietOnImplicitTrack&) = delete;

private:
    CdDevice* device_;
    std::uint8_t wasQuiet_ = 0;
};

// Gives the record the loop goes on from: the HFS twin when one was added.
TrackInfo& scanDataTrack(TrackInfo& track) {
    if (IsLeadOut(track)) {
        AddLeadOutNode(track);
        return track;
    }
    if (track.start < 0) {
        track.start = 0;
        track.end = kDefaultEnd;
    }
    if (track.end == 0) {
        AddUnknownDataNode(track);
        return track;
    }
    {
        const QuietOnImplicitTrack quiet(track);
        if (!ReadTrackFileSystem(track)) {
            if (!IdentifyOtherTrack(track)) {
                AddUnknownDataNode(track);
            }
            return track;
        }
    }
    const TrackInfo* next = track.next;
    if (track.root == nullptr &&
        (next == nullptr || (has(*next, track_flags::kContinuation) && next->root == nullptr))) {
        AddUnknownDataNode(track);
    } else if (!has(track, track_flags::kPacket)) {
        MeasureFileTree(track);
    }
    if (track.root != nullptr && !has(track, track_flags::kHfs) && ProbeHfsTwin(track)) {
        MeasureFileTree(*track.next);
        return *track.next;
    }
    return track;
}

}  // namespace

void ScanTracks() {
    TrackInfo* first = Tracks().first;
    if (first == nullptr || (has(*first, track_flags::kBlank) && first->next == nullptr)) {
        return;
    }
    CdDevice* device = CurrentDevice();
    for (TrackInfo* r = first; r != nullptr; r = r->next) {
        AdvanceProgress();
        if (device != nullptr && device->cancelled != 0) {
            DebugLine("Aborting track scan on request before track %d", r->track);
            break;
        }
        if (has(*r, track_flags::kContinuation)) {
            continue;
        }
        DebugLine("Processing track %d, starting at %d, IgnJoliet=%d", r->track, r->start,
                  Options().ignoreJoliet != 0 ? 1 : 0);
        if (isBlankRemainder(*r)) {
            r->end = r->start;
        } else if (IsDataTrack(*r)) {
            r = &scanDataTrack(*r);
        } else if (IsLeadOut(*r)) {
            AddLeadOutNode(*r);
        } else if ((r->control & control_bits::kFourChannel) == 0) {
            AddAudioNode(*r);
        }
    }
}

void RemoveUdfDuplicates() {
    int withoutAllocation = 0;
    for (const TrackInfo* r = Tracks().first; r != nullptr; r = r->next) {
        if (has(*r, track_flags::kUdf) && has(*r, track_flags::kUdfAllocationNotFound)) {
            ++withoutAllocation;
        }
    }
    if (withoutAllocation >= 2) {
        RemoveDuplicateEntries(nullptr);
    }
}

}  // namespace kel::diag
