#include "diag/disc/scan/track_trees.h"
#include "diag/disc/track_list.h"
#include "diag/fs/readers.h"
#include "diag/tools/tracked_alloc.h"

namespace kel::diag {

bool ProbeHfsTwin(TrackInfo& track) {
    TrackInfo* twin = NewTrackRecord();
    if (twin == nullptr) {
        return false;
    }
    twin->start = track.start;
    twin->end = track.end;
    twin->trackModeByte = track.trackModeByte;
    twin->dataModeByte = track.dataModeByte;
    twin->session = track.session;
    twin->track = track.track;
    twin->control = track.control;
    // The reader looks at the track's neighbours as if the twin were the
    // track itself; the twin is linked in only once it holds a volume.
    twin->next = track.next;
    twin->prev = track.prev;
    if (!ReadHfsVolume(*twin)) {
        TrackedFree(twin, __FILE__, __LINE__);
        return false;
    }
    twin->flags |= track_flags::kHfsTwin;
    InsertTrackAfter(&track, twin);
    return true;
}

}  // namespace kel::diag
