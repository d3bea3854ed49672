#include <vector>

#include "diag/disc/analysis/track_checks.h"

namespace kel::diag {

void WalkFileTree(const FileNode& directory, const NodeVisitor& visit) {
    // A list of its own instead of recursion: a tree from a damaged disc may
    // nest deeper than the stack allows.
    struct Level {
        const FileNode* node;
        int index;
    };
    std::vector<Level> levels{{directory.firstChild, 0}};
    while (!levels.empty()) {
        Level& level = levels.back();
        if (level.node == nullptr) {
            levels.pop_back();
            continue;
        }
        const FileNode& node = *level.node;
        const int index = level.index;
        level.node = node.next;
        ++level.index;
        visit(node, index);
        if (node.firstChild != nullptr) {
            levels.push_back({node.firstChild, 0});
        }
    }
}

}  // namespace kel::diag
