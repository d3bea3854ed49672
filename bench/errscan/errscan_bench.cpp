// A complete read-error scan of a 650 MB data disc in the emulated drive, as
// the diagnostic program runs it (the scan worker on the pass-through device,
// every block in 8-sector reads, each read timed), against reading the BIN
// file directly in 8-sector pieces in the same run.
//   errscan_bench
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

#include "bench/common/bench_disc.h"
#include "diag/device/device_access.h"
#include "diag/device/drive_access.h"
#include "diag/device/spti_device.h"
#include "diag/disc/track_info.h"
#include "diag/tools/errscan/disc_end.h"
#include "diag/tools/errscan/error_scan.h"

namespace {

using Clock = std::chrono::steady_clock;
using kel::bench::kRawSize;
using kel::bench::seconds;
namespace diag = kel::diag;

constexpr double kTargetRatio = 2.0;

// The disc's one data track and its lead-out, as the disc scan lists them.
class BenchTracks {
public:
    explicit BenchTracks(std::int32_t leadOut) {
        data_.start = 0;
        data_.end = leadOut;
        data_.track = 1;
        data_.session = 1;
        data_.control = 0x14;
        leadOut_.start = leadOut;
        leadOut_.track = diag::kLeadOutTrack;
        leadOut_.control = 0x14;
        data_.next = &leadOut_;
        leadOut_.prev = &data_;
        diag::Tracks() = diag::TrackList{&data_, &leadOut_};
    }
    ~BenchTracks() { diag::Tracks() = diag::TrackList{}; }
    BenchTracks(const BenchTracks&) = delete;
    BenchTracks& operator=(const BenchTracks&) = delete;

private:
    diag::TrackInfo data_;
    diag::TrackInfo leadOut_;
};

}  // namespace

int main() {
    kel::bench::BenchDisc bench;
    // The drive's shared state and the program's settings stay inside the
    // disc's folder, which goes with it.
    const std::filesystem::path work = bench.disc().cue.parent_path();
    ::setenv("KEL_RUNTIME_DIR", (work / "runtime").c_str(), 1);
    ::setenv("KEL_REGISTRY_DIR", (work / "registry").c_str(), 1);
    ::setenv("KEL_DRIVES", ("D:=" + bench.disc().descriptor.string()).c_str(), 1);
    std::filesystem::create_directories(work / "runtime");

    diag::SptiDevice device(diag::systemDriveAccess({}));
    if (!device.FindFirst() || !device.Open()) {
        std::fprintf(stderr, "cannot open the emulated drive of %s\n",
                     bench.disc().descriptor.c_str());
        return 1;
    }
    device.TestUnitReady();  // a fresh drive reports the disc's arrival once
    diag::SetCurrentDevice(&device);
    BenchTracks tracks(bench.sectors());

    diag::ScanState state;
    state.discEnd = diag::DiscEndBlock(diag::Tracks());
    std::vector<std::uint32_t> readTimes(
        static_cast<std::size_t>(diag::TimeSlotCount(state.discEnd)));
    state.readTimes = readTimes;

    // Once untimed, so that both measured passes read from the page cache.
    const std::size_t chunk = diag::kCompleteSectors * kRawSize;
    kel::bench::readDirectly(bench.bin(), chunk);

    const auto directStart = Clock::now();
    const std::uint64_t directBytes = kel::bench::readDirectly(bench.bin(), chunk);
    const double directSeconds = seconds(Clock::now() - directStart);
    const auto scanStart = Clock::now();
    diag::ErrorScanThread(diag::kCompleteScan, state);
    const double scanSeconds = seconds(Clock::now() - scanStart);
    diag::SetCurrentDevice(nullptr);

    const std::uint32_t errors =
        device.recoveredCount + device.mediumErrorCount + device.otherErrorCount;
    if (errors != 0 || state.sectorsRead < state.discEnd - 16) {
        std::fprintf(stderr, "the scan read %d of %d sectors with %u errors\n", state.sectorsRead,
                     state.discEnd, errors);
        return 1;
    }
    std::printf("direct BIN read:     %7.2f s (%llu bytes, %zu bytes a read)\n", directSeconds,
                static_cast<unsigned long long>(directBytes), chunk);
    std::printf("complete error scan: %7.2f s (%d sectors in %d reads of %d)\n", scanSeconds,
                state.sectorsRead, state.samplesRead, diag::kCompleteSectors);
    std::printf("ratio: %.2f (target <= %.2f)\n", scanSeconds / directSeconds, kTargetRatio);
    return 0;
}
