#include "diag/disc/disc_debug.h"
#include "diag/disc/disc_info.h"

namespace kel::diag {

void LogTrackList() {
    if (!InDebugMode()) {
        return;
    }
    for (const TrackInfo* r = Tracks().first; r; r = r->next) {
        DebugLog("%2d TOC %2x start:%6d End:%6d Ctl:%x Free:%d NWA:%d %s %s", r->session, r->track,
                 r->start, r->end, r->control, r->freeBlocks, r->nextWritable,
                 (r->flags & track_flags::kPacket) ? "Packet" : "",
                 (r->flags & track_flags::kContinuation) ? "Cont" : "");
    }
}

}  // namespace kel::diag
