#include "diag/tools/errscan/error_summary.h"

#include <algorithm>
#include <mutex>

#include "diag/device/device_access.h"
#include "diag/state/options.h"
#include "diag/tools/errscan/disc_end.h"
#include "diag/tools/errscan/error_history.h"
#include "diag/tools/errscan/error_scan.h"
#include "diag/tools/errscan/error_summary_dialog.h"
#include "diag/tools/errscan/recovery_setting.h"
#include "diag/tools/tracked_alloc.h"
#include "diag/ui/guides.h"
#include "diag/ui/message_context.h"
#include "diag/ui/messages.h"

namespace kel::diag {
namespace {

struct HelpHook {
    std::mutex lock;
    std::function<void(int)> open;
};

HelpHook& helpHook() {
    static HelpHook hook;
    return hook;
}

bool anyTrack(const TrackList& tracks, auto predicate) {
    for (const TrackInfo* t = tracks.first; t != nullptr; t = t->next) {
        if (predicate(*t)) {
            return true;
        }
    }
    return false;
}

// The drive's error-recovery page as the command found it, put back however
// the command ends.
class RecoveryPageRestore {
public:
    explicit RecoveryPageRestore(CdDevice& device) : device_(device) {}
    ~RecoveryPageRestore() {
        if (restore_) {
            device_.SetErrorRecovery(before_, nullptr);
        }
    }
    RecoveryPageRestore(const RecoveryPageRestore&) = delete;
    RecoveryPageRestore& operator=(const RecoveryPageRestore&) = delete;

    // Writes ErrScan with no retries. A drive that refuses it scans with no
    // setting at all, so that nothing later takes the refused one for the
    // one in use.
    void apply() {
        if (device_.ErrScan() == 0) {
            return;
        }
        if (device_.SetErrorRecovery(device_.ErrScan() << 8 | 0xFF, &before_)) {
            restore_ = true;
        } else {
            device_.SetErrScan(0);
        }
    }

private:
    CdDevice& device_;
    bool restore_ = false;
    std::uint16_t before_ = 0;
};

struct FreeMap {
    void operator()(std::uint32_t* map) const { TrackedFree(map, __FILE__, __LINE__); }
};

}  // namespace

void SetErrorSummaryHelp(std::function<void(int context)> openHelp) {
    std::lock_guard guard(helpHook().lock);
    helpHook().open = std::move(openHelp);
}

void OpenErrorSummaryHelp(int context) {
    std::function<void(int)> open;
    {
        std::lock_guard guard(helpHook().lock);
        open = helpHook().open;
    }
    if (open) {
        open(context);
    }
}

void RunErrorSummary() {
    const TrackList& tracks = Tracks();
    if (tracks.first == nullptr ||
        (tracks.first == tracks.last && (tracks.first->flags & track_flags::kBlank) != 0)) {
        ShowMessage(170);
        return;
    }
    CdDevice* device = CurrentDevice();
    if (device == nullptr) {
        return;
    }
    CdDevice& d = *device;
    auto isData = [](const TrackInfo& t) { return t.track != kLeadOutTrack && IsDataTrack(t); };
    if (!d.CDDAScan() && !anyTrack(tracks, isData)) {
        ShowMessage(167);
        return;
    }
    if (anyTrack(tracks, [](const TrackInfo& t) { return (t.flags & track_flags::kUdf) != 0; })) {
        ShowGuide(255, kGuideErrorSummary);
    }
    if (!d.TestUnitReady()) {
        ShowMessage(108, d.DeviceDescription());
        return;
    }
    if (!d.DevReg()) {
        d.SetErrScan(ProbedRecoverySetting());
    }
    RecoveryPageRestore page(d);
    page.apply();
    if (d.SpeedGiven() && !d.SetSpeed(d.SpeedOverride())) {
        return;
    }
    d.cancelled = 0;
    ErrorHistory history = ReadErrorHistory();
    const ErrorHistory before = history;
    ScanState state;
    state.discEnd = DiscEndBlock(tracks);
    const int slotCount = TimeSlotCount(state.discEnd);
    std::unique_ptr<std::uint32_t, FreeMap> map(static_cast<std::uint32_t*>(TrackedAlloc(
        static_cast<std::int32_t>(slotCount * sizeof(std::uint32_t)), __FILE__, __LINE__)));
    if (!map) {
        return;
    }
    state.readTimes = std::span<std::uint32_t>(map.get(), static_cast<std::size_t>(slotCount));
    std::fill(state.readTimes.begin(), state.readTimes.end(), 0u);
    {
        ErrorSummaryDialog dialog(CurrentMessageContext().owner, state, history);
        dialog.exec();
    }
    map.reset();
    if (d.SpeedGiven()) {
        d.SetSpeed(-1);
    }
    // Only a scan that ran to its end joins the history; the dialog clears
    // the stop request of the last one, so the history itself tells.
    if (history != before && !Options().thresholdsEnabled) {
        WriteErrorHistory(history);
    }
}

}  // namespace kel::diag
