#include "diag/tools/errscan/error_scan.h"

#include <algorithm>
#include <limits>
#include <memory>

#include "diag/device/device_access.h"
#include "diag/disc/disc_info.h"
#include "diag/state/options.h"
#include "diag/state/pane_hooks.h"
#include "diag/state/program_flags.h"
#include "diag/tools/debug_log.h"
#include "diag/tools/errscan/error_log.h"
#include "diag/tools/errscan/recovery_setting.h"
#include "diag/tools/report/fault_handler.h"
#include "diag/tools/tracked_alloc.h"
#include "diag/ui/messages.h"

namespace kel::diag {
namespace {

constexpr std::size_t kRawSectorBytes = 2352;
constexpr std::int32_t kVolumeDescriptorOffset = 16;
constexpr std::int32_t kAudioPregap = 150;

struct FreeTracked {
    void operator()(std::uint8_t* block) const { TrackedFree(block, __FILE__, __LINE__); }
};
using TrackedBuffer = std::unique_ptr<std::uint8_t[], FreeTracked>;

void showScanStatus(std::int32_t position, std::int32_t discEnd, std::int64_t errors) {
    if (errors == 0) {
        StatusText(198, position, discEnd);
    } else {
        StatusText(199, position, discEnd, errors);
    }
}

// An audio track can only be scanned by a drive that reads CD-DA; the data
// track is what every drive can read.
bool hasScannableTrack(const TrackList& tracks, bool canReadCdda) {
    for (const TrackInfo* t = tracks.last; t != nullptr; t = t->prev) {
        if (t->track == kLeadOutTrack) {
            continue;
        }
        if (canReadCdda || IsDataTrack(*t)) {
            return true;
        }
    }
    return false;
}

// The scan of a data track reaches the next track or the lead-out: the
// disc scan ends the track's record at its last file, but blocks behind it
// are the track's too and may be unreadable. What lies between belongs to
// no data: an audio track's pregap, or the gap to another session.
std::int32_t scanEnd(const TrackInfo& t) {
    if (!IsDataTrack(t) || t.next == nullptr) {
        return t.end;
    }
    const TrackInfo* x = t.next;
    while ((x->flags & track_flags::kHfsTwin) != 0 && x->next != nullptr) {
        x = x->next;
    }
    std::int64_t bound = x->start;
    if (x->track != kLeadOutTrack && x->session != t.session) {
        bound -= kSessionGap;
    } else if (x->track != kLeadOutTrack && !IsDataTrack(*x)) {
        bound -= kAudioPregap;
    }
    return static_cast<std::int32_t>(std::max<std::int64_t>(t.end, bound));
}

std::int32_t startBlock(const TrackList& tracks) {
    const TrackInfo* first = tracks.first;
    if ((first->flags & track_flags::kImplicitFromBlockZero) != 0 && first->next != nullptr) {
        first = first->next;
    }
    return first->start + kVolumeDescriptorOffset;
}

struct PassResult {
    int lastSlot = 0;
    std::int32_t lastPosition = 0;
};

class ScanPass {
public:
    ScanPass(CdDevice& device, ScanState& state, const SamplePlan& plan, bool sampled,
             std::span<std::uint8_t> buffer)
        : d_(device), state_(state), plan_(plan), sampled_(sampled), buffer_(buffer) {}

    PassResult run(const TrackList& tracks) {
        d_.recoveredCount = d_.mediumErrorCount = d_.otherErrorCount = 0;
        state_.samplesRead = 0;
        state_.sectorsRead = 0;
        PassResult result;
        d_.SetSpeed(d_.SpeedOverride());
        const std::int32_t discEnd = state_.discEnd;
        const std::int32_t step = std::max<std::int32_t>(1, discEnd / plan_.samples);
        const bool canReadCdda = d_.CDDAScan();
        std::int32_t position = startBlock(tracks);
        const std::int64_t startMs = state_.clock->milliseconds();
        StopScan() = false;
        int lastPercent = -1;
        while (position < discEnd && !d_.cancelled && !CloseRequested()) {
            const int percent = static_cast<int>(std::int64_t{position} * 100 / discEnd);
            if (percent != lastPercent) {
                lastPercent = percent;
                if (state_.progress) {
                    state_.progress(percent);
                }
                showScanStatus(position, discEnd, errorCount());
            }
            const TrackInfo* track = FindScanTrack(tracks, position, canReadCdda);
            if (track == nullptr || position >= discEnd) {
                break;
            }
            if (IsDataTrack(*track)) {
                if (d_.cddaMode) {
                    d_.SetCddaMode(false);
                }
            } else if (!d_.cddaMode && !d_.SetCddaMode(true)) {
                if (track->next == nullptr || track->next->start <= position) {
                    break;
                }
                position = track->next->start;
                continue;
            }
            // A read running into the next track (or the lead-out) fails
            // whatever the disc's condition: the last sample of a track stops
            // at its end.
            const auto count = static_cast<std::uint32_t>(std::clamp<std::int64_t>(
                std::int64_t{scanEnd(*track)} - position, 1, plan_.sectors));
            if (sampled_ && position > 0) {
                positionHead(position - 1);
            }
            const std::int64_t before = state_.clock->counter();
            const bool ok = d_.ReadSectors(static_cast<std::uint32_t>(position), buffer_, count);
            const std::int64_t after = state_.clock->counter();
            if (!ok && Options().errorFileReport) {
                ReportReadError(position, *track, state_.errorLogHeaderWritten);
            }
            if (StopScan()) {
                d_.SetCancel();
                break;
            }
            // Over the sample's size even where the track's end cut the read short.
            const std::uint32_t perSector = static_cast<std::uint32_t>(after - before) /
                                            static_cast<std::uint32_t>(plan_.sectors);
            const int slot = TimeSlotOf(position, static_cast<int>(state_.readTimes.size()));
            // A slot keeps its slowest read: the fast reads after a slow spot
            // must not wash it out, wherever in the slot the spot lies.
            std::uint32_t& slotTime = state_.readTimes[static_cast<std::size_t>(slot)];
            slotTime = std::max(slotTime, perSector);
            result.lastSlot = slot;
            result.lastPosition = position;
            ++state_.samplesRead;
            state_.sectorsRead += static_cast<std::int32_t>(count);
            position = static_cast<std::int32_t>(std::min<std::int64_t>(
                std::int64_t{position} + step, std::numeric_limits<std::int32_t>::max()));
        }
        state_.elapsedMs = static_cast<std::int32_t>(std::clamp<std::int64_t>(
            state_.clock->milliseconds() - startMs, 1, std::numeric_limits<std::int32_t>::max()));
        return result;
    }

    std::int64_t errorCount() const {
        return std::int64_t{d_.recoveredCount} + d_.mediumErrorCount + d_.otherErrorCount;
    }

private:
    // Brings the head to the sample so that the timed read measures the
    // sample alone. Its outcome must not count: a bad block before a sample
    // would otherwise be counted as well as the sample, and the rates could
    // pass 100%.
    void positionHead(std::int32_t block) {
        const std::uint32_t recovered = d_.recoveredCount;
        const std::uint32_t medium = d_.mediumErrorCount;
        const std::uint32_t other = d_.otherErrorCount;
        d_.ReadSectors(static_cast<std::uint32_t>(block), buffer_, 1);
        d_.recoveredCount = recovered;
        d_.mediumErrorCount = medium;
        d_.otherErrorCount = other;
    }

    CdDevice& d_;
    ScanState& state_;
    SamplePlan plan_;
    bool sampled_;
    std::span<std::uint8_t> buffer_;
};

}  // namespace

int ScanMode(std::int32_t samples, int sectorsPerSample) {
    constexpr std::int32_t kMostSamples = (std::numeric_limits<std::int32_t>::max() - 99) / 100;
    return std::clamp(samples, 0, kMostSamples) * 100 + std::clamp(sectorsPerSample, 0, 99);
}

SamplePlan PlanSamples(int mode, std::int32_t discEnd) {
    SamplePlan plan;
    const std::int32_t samples = mode / 100;
    const int sectors = mode % 100;
    if (mode == kCompleteScan || sectors < 1 || samples < 0 ||
        std::int64_t{samples} * sectors > discEnd) {
        plan.sectors = kCompleteSectors;
        plan.samples = discEnd / kCompleteSectors;
    } else {
        plan.sectors = sectors;
        plan.samples = samples;
    }
    plan.samples = std::max<std::int32_t>(plan.samples, 1);
    return plan;
}

const TrackInfo* FindScanTrack(const TrackList& tracks, std::int32_t& position, bool canReadCdda) {
    for (const TrackInfo* t = tracks.first; t != nullptr; t = t->next) {
        if (t->track == kLeadOutTrack) {
            return nullptr;
        }
        if (scanEnd(*t) <= position) {
            continue;
        }
        if (position < t->start) {
            position = t->start;
        }
        if (!IsDataTrack(*t) && !canReadCdda) {
            if (t->next != nullptr) {
                position = std::max(position, t->next->start);
            }
            continue;
        }
        return t;
    }
    return nullptr;
}

void ErrorScanThread(int mode, ScanState& state) {
    PrepareFaultStack();
    CdDevice* device = CurrentDevice();
    const TrackList& tracks = Tracks();
    auto notifyEnded = [&state] {
        if (state.ended) {
            state.ended();
        }
    };
    if (device == nullptr || state.readTimes.empty() || tracks.first == nullptr) {
        notifyEnded();
        return;
    }
    CdDevice& d = *device;
    if (!hasScannableTrack(tracks, d.CDDAScan())) {
        d.SetCancel();
        notifyEnded();
        return;
    }
    const SamplePlan plan = PlanSamples(mode, state.discEnd);
    const bool debug = logSwitches().debugMode;
    if (debug) {
        DebugLog("Error scan: %d samples, %d sectors", plan.samples, plan.sectors);
    }
    TrackedBuffer buffer(static_cast<std::uint8_t*>(TrackedAlloc(
        static_cast<std::int32_t>(plan.sectors * kRawSectorBytes), __FILE__, __LINE__)));
    if (!buffer) {
        notifyEnded();
        return;
    }
    if (state.progress) {
        state.progress(0);
    }
    d.quiet = 1;
    d.acceptRecovered = Options().ignoreRecovered;
    d.errorClassifying = 1;
    ScanPass pass(d, state, plan, mode != kCompleteScan,
                  std::span<std::uint8_t>(buffer.get(), plan.sectors * kRawSectorBytes));
    for (;;) {
        const PassResult result = pass.run(tracks);
        const std::int32_t estimate =
            EstimateRecoveredErrors(state.readTimes, result.lastSlot, state.discEnd, plan.samples,
                                    Options().ignoreRecovered != 0);
        if (estimate >= 1 && d.recoveredCount == 0) {
            d.recoveredCount = static_cast<std::uint32_t>(estimate);
        }
        showScanStatus(result.lastPosition, state.discEnd, pass.errorCount());
        // A stopped scan has nothing more to learn from the other settings.
        if (d.cancelled || d.ErrScan() == 0 || d.DevReg()) {
            break;
        }
        if (d.recoveredCount != 0 &&
            std::int64_t{state.sectorsRead} * 1000 / state.elapsedMs >= 10) {
            break;
        }
        if (!NextRecoverySetting()) {
            d.SetErrScan(ProbedRecoverySetting());
            break;
        }
    }
    if (!d.cancelled && d.ErrScan() != 0 && !d.DevReg()) {
        d.SetDevReg(true);
        d.UpdateDatabase();
    }
    if (d.cddaMode) {
        d.SetCddaMode(false);
    }
    if (debug) {
        DebugLog("Error scan completed, %d ms: %d recovered, %d media, %d other", state.elapsedMs,
                 d.recoveredCount, d.mediumErrorCount, d.otherErrorCount);
    }
    // The dialog may start the next scan as soon as it hears of this one's
    // end: the device must be back to normal reads before that.
    d.quiet = 0;
    d.errorClassifying = 0;
    buffer.reset();
    notifyEnded();
}

}  // namespace kel::diag
