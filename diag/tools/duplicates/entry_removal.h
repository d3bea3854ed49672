// Taking entries out of the file trees: the duplicate pass unlinks entries
// as it finds them and frees them all at its end, once nothing it still
// looks at can point into them.
#pragma once

#include <unordered_set>
#include <vector>

#include "diag/fs/file_node.h"

namespace kel::diag {

class EntryRemoval {
public:
    EntryRemoval() = default;
    EntryRemoval(const EntryRemoval&) = delete;
    EntryRemoval& operator=(const EntryRemoval&) = delete;
    // Frees whatever was unlinked and not yet freed.
    ~EntryRemoval() { Finish(); }

    // Takes the entry out of its sibling list and its directory's first-child
    // link; the entry and everything below it count as removed from now on.
    void UnlinkEntry(FileNode& entry);
    bool IsRemoved(const FileNode* entry) const { return removed_.contains(entry); }

    // Drops the extent-table records of the removed entries from their
    // tracks, then frees the entries.
    void Finish();

private:
    std::vector<FileNode*> unlinked_;
    std::unordered_set<const FileNode*> removed_;
};

// Removes, bottom up, every directory found by the block scan that holds no
// entries, until none is left.
void PruneEmptyScanDirectories(FileNode& root, EntryRemoval& removal);

// Sets each directory's count to the entries below it (self and parent
// entries not counted, subdirectories' counts added); gives the root's.
std::uint32_t CountVisibleEntries(FileNode& root);

}  // namespace kel::diag
