// The worker of the error summary: reads samples spread evenly over the
// disc (or every block of it) on CurrentDevice with the drive set to report
// its read errors, counts them by class in the device, times every read into
// the read-time map, and steps through the recovery settings while a scan
// finds no recovered errors at all.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>

#include "diag/disc/track_info.h"
#include "diag/tools/errscan/read_time_map.h"
#include "diag/tools/errscan/scan_clock.h"

namespace kel::diag {

inline constexpr int kCompleteScan = -1;
// Sectors per sample of the three kinds of scan.
inline constexpr int kQuickSectors = 3;
inline constexpr int kModerateSectors = 5;
inline constexpr int kCompleteSectors = 8;

// samples * 100 + sectors per sample, with the samples held where the mode
// still fits in 32 bits.
int ScanMode(std::int32_t samples, int sectorsPerSample);

struct SamplePlan {
    std::int32_t samples = 1;
    int sectors = kCompleteSectors;
};
// The samples and their size for a mode on a disc ending at `discEnd`.
SamplePlan PlanSamples(int mode, std::int32_t discEnd);

// What the worker and the dialog share. The dialog sets it up before the
// worker starts and reads the results only after `ended`, the worker's last
// act.
struct ScanState {
    std::int32_t discEnd = 0;
    std::int32_t samplesRead = 0;
    std::int32_t sectorsRead = 0;
    std::int32_t elapsedMs = 0;
    // TimeSlotCount(discEnd) slots.
    std::span<std::uint32_t> readTimes;
    // One header in the error log per command.
    bool errorLogHeaderWritten = false;
    std::shared_ptr<ScanClock> clock = CurrentScanClock();
    // The progress bar: shown by the first call, then set to the percent.
    std::function<void(int percent)> progress;
    std::function<void()> ended;
};

// The track that holds `position`, with `position` moved forward past gaps
// and tracks the drive cannot read; null when the pass has reached the
// lead-out or the end of the list.
const TrackInfo* FindScanTrack(const TrackList& tracks, std::int32_t& position, bool canReadCdda);

void ErrorScanThread(int mode, ScanState& state);

}  // namespace kel::diag
