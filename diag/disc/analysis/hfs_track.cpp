#include <optional>

#include "diag/disc/analysis/analysis_lines.h"
#include "diag/disc/analysis/track_checks.h"
#include "diag/disc/analysis/track_order.h"
#include "diag/fs/hfs/hfs_summary.h"

namespace kel::diag {

void AnalyzeHfsTrack(const TrackInfo& track) {
    // A volume that can't be opened has been reported to the user already.
    const std::optional<HfsVolumeSummary> summary = OpenHfsSummary(track);
    if (!summary) {
        return;
    }
    AddAnalysisLine(15072, summary->partitionName);
    AddAnalysisLine(15025, summary->volumeName);
    AddAnalysisLine(15040, summary->files);
    AddAnalysisLine(15041, summary->directories);
    if (!IsTwin(track)) {
        CheckPostGap(track, nullptr);
    }
}

}  // namespace kel::diag
