#include "diag/disc/analysis/tree_counts.h"

#include <algorithm>
#include <string_view>

#include "diag/disc/analysis/analysis_lines.h"
#include "diag/disc/analysis/track_checks.h"
#include "diag/state/options.h"
#include "diag/ui/node_path.h"

namespace kel::diag {
namespace {

constexpr std::size_t kMaxName = 256;

bool isDotName(const FileNode& node) {
    return node.name[0] == '\0';
}
bool isDotDotName(const FileNode& node) {
    return node.name[0] == '\1' && node.name[1] == '\0';
}

class Counter {
public:
    Counter(const TrackInfo& track, EntryRules rules) : track_(track), rules_(rules) {}

    void visit(const FileNode& node, int index) {
        if (rules_ == EntryRules::Udf) {
            countDirectory(node);
            countData(node);
            return;
        }
        if (index == 0 && !isDotName(node)) {
            counts_.firstNotDot = true;
        }
        if (index == 1 && !isDotDotName(node)) {
            counts_.secondNotDotDot = true;
        }
        if (!IsDotEntry(node)) {
            countDirectory(node);
        }
        if (index <= 1) {
            return;
        }
        const bool iso = rules_ == EntryRules::Iso;
        if (iso) {
            raiseClass(ClassifyIsoChars(node.name, kMaxName, true));
        }
        countData(node);
        if (!IsDirectory(node)) {
            if (std::string_view(node.name).ends_with(";1")) {
                counts_.noVersionAnywhere = false;
            } else {
                counts_.someWithoutVersion = true;
            }
        } else if (iso && std::string_view(node.name).find('.') != std::string_view::npos) {
            // ISO 9660 directory identifiers have no extension.
            raiseClass(iso_chars::kOther);
        }
    }

    const TreeCounts& counts() const { return counts_; }

private:
    void countDirectory(const FileNode& node) {
        if (IsDirectory(node)) {
            ++counts_.directories;
        }
    }
    void countData(const FileNode& node) {
        if (node.startBlock == -1) {
            ++counts_.missing;
            if (Options().fileDetail != 0) {
                AddAnalysisLine(15043, NodePathText(node));
            }
        } else if (node.startBlock >= track_.start && !IsDirectory(node)) {
            ++counts_.files;
        }
    }
    void raiseClass(int found) { counts_.nameClass = std::max(counts_.nameClass, found); }

    const TrackInfo& track_;
    EntryRules rules_;
    TreeCounts counts_;
};

}  // namespace

TreeCounts CountTree(const TrackInfo& track, EntryRules rules) {
    Counter counter(track, rules);
    if (track.root != nullptr) {
        WalkFileTree(*track.root,
                     [&counter](const FileNode& node, int index) { counter.visit(node, index); });
    }
    return counter.counts();
}

}  // namespace kel::diag
