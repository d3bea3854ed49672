#include "diag/fs/readers.h"
#include "diag/ui/messages.h"

namespace kel::diag {

void ReportFoldersLeftUnread(const TrackInfo& track, int count, const std::string& first) {
    if (count != 0) {
        ShowMessage(272, count, track.track, kMaxDirectoryDepth, first);
    }
}

}  // namespace kel::diag
