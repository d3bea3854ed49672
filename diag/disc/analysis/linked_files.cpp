#include <vector>

#include "diag/disc/analysis/analysis_lines.h"
#include "diag/disc/analysis/track_checks.h"
#include "diag/state/options.h"
#include "diag/ui/node_path.h"

namespace kel::diag {
namespace {

struct LinkedFile {
    const FileNode* node;
    const TrackInfo* source;  // null when no earlier track holds the block
};

// The first record in front of `track` that reaches beyond `block`.
const TrackInfo* sourceOf(const TrackInfo& track, std::int32_t block) {
    for (const TrackInfo* r = Tracks().first; r != nullptr && r != &track; r = r->next) {
        if (r->end > block) {
            return r;
        }
    }
    return nullptr;
}

}  // namespace

void ReportLinkedFiles(const TrackInfo& track) {
    if (track.root == nullptr) {
        return;
    }
    std::vector<LinkedFile> linked;
    // The one source all entries share; the examined track itself once they
    // come from more than one.
    const TrackInfo* common = nullptr;
    WalkFileTree(*track.root, [&](const FileNode& node, int) {
        if (node.startBlock == 0 || node.startBlock == -1 || node.startBlock >= track.start) {
            return;
        }
        const TrackInfo* source = sourceOf(track, node.startBlock);
        if (linked.empty()) {
            common = source;
        } else if (source != common) {
            common = &track;
        }
        linked.push_back({&node, source});
    });
    if (linked.empty()) {
        AddAnalysisLine(15036);
        return;
    }
    if (Options().fileDetail != 0) {
        for (const LinkedFile& file : linked) {
            AddAnalysisLine(15038, NodePathText(*file.node), file.source ? file.source->track : 0,
                            file.source ? file.source->session : 0);
        }
        return;
    }
    if (common != nullptr && common != &track) {
        AddAnalysisLine(15037, linked.size(), int{common->session});
        return;
    }
    for (int session = 1; session <= track.session; ++session) {
        int count = 0;
        for (const LinkedFile& file : linked) {
            count += file.source != nullptr && file.source->session == session ? 1 : 0;
        }
        AddAnalysisLine(15039, count, session);
    }
}

}  // namespace kel::diag
