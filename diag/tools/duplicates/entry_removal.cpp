#include "diag/tools/duplicates/entry_removal.h"

#include <algorithm>

#include "diag/disc/track_info.h"
#include "diag/fs/readers.h"
#include "diag/fs/udf/udf_reader.h"
#include "diag/tools/duplicates/tree_walk.h"

namespace kel::diag {
namespace {

bool FoundByScan(const FileNode& entry) {
    return (entry.flags & udf_node_flags::kFoundByScan) != 0;
}

// An extent table made before this pass may still name removed entries; the
// analysis reads their paths, so those records go too.
void DropRemovedExtents(TrackInfo& track, const EntryRemoval& removal) {
    if (track.extentTable == nullptr) {
        return;
    }
    ExtentEntry* first = track.extentTable;
    ExtentEntry* last = first + std::max(track.extentCount, 0);
    ExtentEntry* kept = std::remove_if(first, last, [&removal](const ExtentEntry& record) {
        return removal.IsRemoved(record.node);
    });
    track.extentCount = static_cast<std::int32_t>(kept - first);
}

}  // namespace

void EntryRemoval::UnlinkEntry(FileNode& entry) {
    if (entry.previous != nullptr) {
        entry.previous->next = entry.next;
    } else if (entry.parent != nullptr && entry.parent->firstChild == &entry) {
        entry.parent->firstChild = entry.next;
    }
    if (entry.next != nullptr) {
        entry.next->previous = entry.previous;
    }
    entry.next = nullptr;
    entry.previous = nullptr;
    removed_.insert(&entry);
    ForEachEntryBelow(entry, [this](FileNode& below) { removed_.insert(&below); });
    unlinked_.push_back(&entry);
}

void EntryRemoval::Finish() {
    std::vector<TrackInfo*> tracks;
    for (const FileNode* entry : unlinked_) {
        if (entry->track != nullptr &&
            std::find(tracks.begin(), tracks.end(), entry->track) == tracks.end()) {
            tracks.push_back(entry->track);
        }
    }
    for (TrackInfo* track : tracks) {
        DropRemovedExtents(*track, *this);
    }
    for (FileNode* entry : unlinked_) {
        FreeFileTree(entry);
    }
    unlinked_.clear();
    removed_.clear();
}

void PruneEmptyScanDirectories(FileNode& root, EntryRemoval& removal) {
    std::vector<FileNode*> entries;
    ForEachEntryBelow(root, [&entries](FileNode& entry) { entries.push_back(&entry); });
    // Backwards, every entry comes after all of its descendants, so a
    // directory emptied by removing its last child is seen empty.
    for (auto at = entries.rbegin(); at != entries.rend(); ++at) {
        FileNode& entry = **at;
        if (IsDirectory(entry) && FoundByScan(entry) && entry.firstChild == nullptr) {
            removal.UnlinkEntry(entry);
        }
    }
}

std::uint32_t CountVisibleEntries(FileNode& root) {
    std::vector<FileNode*> directories{&root};
    ForEachEntryBelow(root, [&directories](FileNode& entry) {
        if (IsDirectory(entry)) {
            directories.push_back(&entry);
        }
    });
    // Subdirectories come after their parents, so counting backwards finds
    // each subdirectory's count already made.
    for (auto at = directories.rbegin(); at != directories.rend(); ++at) {
        std::uint32_t count = 0;
        for (const FileNode* child = (*at)->firstChild; child != nullptr; child = child->next) {
            if (!IsDotEntry(*child)) {
                count += 1 + (IsDirectory(*child) ? child->count : 0);
            }
        }
        (*at)->count = count;
    }
    return root.count;
}

}  // namespace kel::diag
