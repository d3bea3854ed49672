#include <mutex>

#include "diag/disc/disc_info.h"
#include "diag/disc/track_list.h"

namespace kel::diag {

namespace {

struct ReleaseHook {
    std::mutex mutex;
    std::function<void()> clearPanes;
};

ReleaseHook& releaseHook() {
    static ReleaseHook hook;
    return hook;
}

}  // namespace

void SetTrackListReleaseHook(std::function<void()> hook) {
    std::lock_guard lock(releaseHook().mutex);
    releaseHook().clearPanes = std::move(hook);
}

void ReleaseDiscInfo() {
    std::function<void()> clearPanes;
    {
        std::lock_guard lock(releaseHook().mutex);
        clearPanes = releaseHook().clearPanes;
    }
    // The panes go first: their items point into the trees freed below.
    if (clearPanes) {
        clearPanes();
    }
    FreeTrackRecords();
}

}  // namespace kel::diag
