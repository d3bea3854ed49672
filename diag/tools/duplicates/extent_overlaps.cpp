#include "diag/tools/duplicates/extent_overlaps.h"

#include <algorithm>
#include <memory>

#include "diag/device/device_access.h"
#include "diag/state/pane_hooks.h"
#include "diag/tools/debug_log.h"
#include "diag/tools/duplicates/extent_work_file.h"
#include "diag/tools/duplicates/tree_extents.h"
#include "diag/tools/tracked_alloc.h"
#include "diag/ui/node_path.h"

namespace kel::diag {
namespace {

struct TrackedDeleter {
    void operator()(void* block) const { TrackedFree(block, __FILE__, __LINE__); }
};

bool Cancelled() {
    const CdDevice* device = CurrentDevice();
    return device != nullptr && device->cancelled != 0;
}

void MarkOverlap(FileNode& a, FileNode& b, const ExtentEntry& record) {
    if (a.startBlock == -1 || b.startBlock == -1) {
        return;
    }
    a.flags |= kOverlapsAnotherFile;
    b.flags |= kOverlapsAnotherFile;
    if (logSwitches().debugMode) {
        DebugLog("File %s has an extent at %d for %d that is also occupied by %s.", NodePathText(a),
                 record.start, record.count, NodePathText(b));
    }
}

// The records of the track's tree, read back from the work file; false
// when the pass is to end without a table.
bool GatherExtents(TrackInfo& track, ExtentWorkFile::Records& records) {
    std::unique_ptr<void, TrackedDeleter> buffer(TrackedAlloc(2048, __FILE__, __LINE__));
    if (buffer == nullptr) {
        return false;
    }
    std::unique_ptr<ExtentWorkFile> workFile = ExtentWorkFile::Create();
    if (workFile == nullptr) {
        return false;
    }
    if (logSwitches().debugMode) {
        DebugLog("Beginning file overlap process with file %s", workFile->name());
    }
    const bool complete = CollectExtents(
        *track.root, std::span<std::uint8_t, 2048>(static_cast<std::uint8_t*>(buffer.get()), 2048),
        track.partitionStart,
        [&workFile](const ExtentEntry& record) { return workFile->Append(record); });
    buffer.reset();
    // A table that misses extents would hide overlaps; none is better.
    if (!complete || Cancelled()) {
        return false;
    }
    return workFile->ReadAll(records);
}

}  // namespace

void MarkExtentOverlaps(std::span<const ExtentEntry> sorted) {
    for (std::size_t j = 0; j + 1 < sorted.size(); ++j) {
        const std::int64_t end = std::int64_t{sorted[j].start} + sorted[j].count;
        if (end <= sorted[j + 1].start) {
            continue;
        }
        MarkOverlap(*sorted[j].node, *sorted[j + 1].node, sorted[j]);
        for (std::size_t k = j + 2; k < sorted.size() && sorted[k].start < end; ++k) {
            MarkOverlap(*sorted[k].node, *sorted[j].node, sorted[k]);
        }
    }
}

void CheckExtentOverlaps(TrackInfo& track) {
    if (Tracks().first == nullptr || track.root == nullptr) {
        return;
    }
    StatusText(242, track.track);
    ExtentWorkFile::Records records;
    if (!GatherExtents(track, records)) {
        return;
    }
    std::stable_sort(records.table, records.table + records.count,
                     [](const ExtentEntry& a, const ExtentEntry& b) { return a.start < b.start; });
    // A table of an earlier pass over this track names the same files.
    TrackedFree(track.extentTable, __FILE__, __LINE__);
    track.extentTable = records.table;
    track.extentCount = records.count;
    MarkExtentOverlaps(std::span<const ExtentEntry>(records.table, records.count));
}

}  // namespace kel::diag
