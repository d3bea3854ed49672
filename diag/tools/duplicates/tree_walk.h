// Walking a file tree without recursion: trees come from the disc, and a
// deep one must not exhaust the stack.
#pragma once

#include <vector>

#include "diag/fs/file_node.h"

namespace kel::diag {

// Calls `visit` for every entry below `directory`, each entry before its
// children and its children before its next sibling. `visit` must not
// unlink entries.
template <typename Visit>
void ForEachEntryBelow(FileNode& directory, Visit visit) {
    std::vector<FileNode*> pending{directory.firstChild};
    while (!pending.empty()) {
        FileNode* node = pending.back();
        pending.pop_back();
        if (node == nullptr) {
            continue;
        }
        pending.push_back(node->next);
        visit(*node);
        pending.push_back(node->firstChild);
    }
}

}  // namespace kel::diag
