#include "diag/disc/analysis/analysis.h"
#include "diag/disc/analysis/analysis_lines.h"
#include "diag/disc/analysis/track_checks.h"
#include "diag/disc/track_list.h"

namespace kel::diag {
namespace {

// The volume check of a track by the file system the scan found on it; the
// first that applies wins, as a UDF bridge disc carries ISO 9660 too.
void checkVolume(const TrackInfo& r) {
    using Check = void (*)(const TrackInfo&);
    struct Kind {
        std::uint32_t flag;
        Check check;
    };
    static constexpr Kind kKinds[] = {{track_flags::kUdf, AnalyzeUdfTrack},
                                      {track_flags::kIso9660, AnalyzeIsoTrack},
                                      {track_flags::kHfs, AnalyzeHfsTrack},
                                      {track_flags::kHighSierra, AnalyzeHighSierraTrack}};
    for (const Kind& kind : kKinds) {
        if ((r.flags & kind.flag) != 0) {
            AddAnalysisRule();
            kind.check(r);
            return;
        }
    }
}

}  // namespace

void RunAnalysis() {
    StartAnalysisLines();
    AnalyzeToc();
    const TrackInfo* first = Tracks().first;
    if (first == nullptr || ((first->flags & track_flags::kBlank) != 0 && first->next == nullptr)) {
        return;
    }
    CheckBootCatalog(*first);
    bool audioSeen = false;
    for (const TrackInfo* r = first; r != nullptr; r = r->next) {
        if (IsLeadOut(*r)) {
            continue;
        }
        audioSeen = audioSeen || !IsDataTrack(*r);
        checkVolume(*r);
    }
    AddAnalysisRule();
    AddAnalysisLine(AnalysisPassed() ? 15069 : 15070);
    if (audioSeen) {
        AddAnalysisLine(15053, CddbKey());
    }
}

}  // namespace kel::diag
