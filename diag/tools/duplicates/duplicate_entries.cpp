#include "diag/tools/duplicates/duplicate_entries.h"

#include <algorithm>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "diag/device/device_access.h"
#include "diag/fs/file_node.h"
#include "diag/fs/udf/udf_reader.h"
#include "diag/state/options.h"
#include "diag/state/pane_hooks.h"
#include "diag/tools/duplicates/entry_removal.h"
#include "diag/tools/duplicates/tree_walk.h"
#include "diag/tools/tracked_alloc.h"
#include "diag/ui/progress_dialog.h"

namespace kel::diag {
namespace {

constexpr std::int32_t kNoBlock = -1;
constexpr std::int32_t kRemovedRecord = -1;
// Lower weights are kept: what the directories reach wins over what the
// scan found, and the scan's own finds over what lies below them.
constexpr std::int32_t kReachedWeight = 100;
constexpr std::int32_t kScanWeight = 200;
constexpr std::int32_t kBelowScanWeight = 50;
// The records must fit one tracked block.
constexpr std::size_t kMaxRecords = 0x7FFFFFFF / 16;

struct DuplicateRecord {
    FileNode* entry = nullptr;
    std::int32_t firstBlock = 0;
    std::int32_t weight = 0;
};

struct TrackedDeleter {
    void operator()(DuplicateRecord* records) const { TrackedFree(records, __FILE__, __LINE__); }
};

bool FoundByScan(const FileNode& entry) {
    return (entry.flags & udf_node_flags::kFoundByScan) != 0;
}

bool Cancelled() {
    const CdDevice* device = CurrentDevice();
    return device != nullptr && device->cancelled != 0;
}

std::vector<FileNode*> Roots(TrackInfo* track) {
    std::vector<FileNode*> roots;
    if (track != nullptr) {
        if (track->root != nullptr) {
            roots.push_back(track->root);
        }
        return roots;
    }
    for (TrackInfo* t = Tracks().first; t != nullptr; t = t->next) {
        if (t->root != nullptr) {
            roots.push_back(t->root);
        }
    }
    return roots;
}

std::size_t CountTreeEntries(const std::vector<FileNode*>& roots) {
    std::size_t count = 0;
    for (FileNode* root : roots) {
        ForEachEntryBelow(*root, [&count](FileNode&) { ++count; });
    }
    return count;
}

// Depth first, so a parent's scan mark is settled before its children are
// weighed: whatever lies below a scan find counts as found by the scan.
void CollectEntryRecords(FileNode& root, std::span<DuplicateRecord> records, std::size_t& filled) {
    ForEachEntryBelow(root, [&records, &filled](FileNode& entry) {
        std::int32_t weight = FoundByScan(entry) ? kScanWeight : kReachedWeight;
        if (entry.parent != nullptr && FoundByScan(*entry.parent)) {
            weight += kBelowScanWeight;
            entry.flags |= udf_node_flags::kFoundByScan;
        }
        records[filled++] = {&entry, entry.startBlock, weight};
    });
}

class DuplicateWalk {
public:
    DuplicateWalk(std::span<DuplicateRecord> records, EntryRemoval& removal)
        : records_(records), removal_(removal) {}

    void Run() {
        for (std::size_t i = 0; i < records_.size() && !Cancelled(); ++i) {
            AdvanceProgress();
            if (Gone(records_[i])) {
                continue;
            }
            FileNode& entry = *records_[i].entry;
            if (records_[i].firstBlock == kNoBlock) {
                // Entries without data are not copies of one another; only
                // the scan's are dropped.
                if (FoundByScan(entry)) {
                    Remove(i);
                }
                continue;
            }
            // Empty files may share a block without sharing any data. The
            // lowest weight leads its group: when that is a scan find, no
            // entry the directories reach shares this data, and two scan
            // finds on one extent are hard links the scan met twice.
            if (entry.size != 0 && !FoundByScan(entry)) {
                RemoveGroupAfter(i, records_[i].firstBlock, entry.size);
            }
        }
    }

private:
    bool Gone(const DuplicateRecord& record) const {
        return record.weight == kRemovedRecord || removal_.IsRemoved(record.entry);
    }

    void RemoveGroupAfter(std::size_t first, std::int32_t block, std::uint64_t size) {
        for (std::size_t k = first + 1; k < records_.size(); ++k) {
            const DuplicateRecord& record = records_[k];
            if (Gone(record) || record.firstBlock != block || record.entry->size != size) {
                return;
            }
            // Two entries the directories reach are hard links to one file,
            // both of them on the disc; only the scan's finds are copies.
            if (FoundByScan(*record.entry) && !IsDirectory(*record.entry)) {
                Remove(k);
            }
        }
    }

    void Remove(std::size_t index) {
        records_[index].weight = kRemovedRecord;
        removal_.UnlinkEntry(*records_[index].entry);
        ++removed_;
        StatusText(248, static_cast<std::int32_t>(records_.size()), removed_);
    }

    std::span<DuplicateRecord> records_;
    EntryRemoval& removal_;
    std::int32_t removed_ = 0;
};

// Removes the scan's copies of what the directories reach.
void RemoveCopies(const std::vector<FileNode*>& roots, EntryRemoval& removal) {
    const std::size_t count = CountTreeEntries(roots);
    if (count == 0 || count > kMaxRecords) {
        return;
    }
    const std::unique_ptr<DuplicateRecord, TrackedDeleter> block(
        static_cast<DuplicateRecord*>(TrackedAlloc(
            static_cast<std::int32_t>(count * sizeof(DuplicateRecord)), __FILE__, __LINE__)));
    if (block == nullptr) {
        return;
    }
    const std::span<DuplicateRecord> records(block.get(), count);
    StatusText(247, static_cast<std::int32_t>(count));
    std::size_t filled = 0;
    for (FileNode* root : roots) {
        CollectEntryRecords(*root, records, filled);
    }
    // Unsigned, so that entries without data sort last.
    std::stable_sort(records.begin(), records.end(),
                     [](const DuplicateRecord& a, const DuplicateRecord& b) {
                         const auto blockA = static_cast<std::uint32_t>(a.firstBlock);
                         const auto blockB = static_cast<std::uint32_t>(b.firstBlock);
                         return blockA != blockB ? blockA < blockB : a.weight < b.weight;
                     });
    DuplicateWalk(records, removal).Run();
}

}  // namespace

void RemoveDuplicateEntries(TrackInfo* track) {
    if (Options().keepUdfDuplicates != 0 || Tracks().first == nullptr ||
        Tracks().first->root == nullptr) {
        return;
    }
    StatusText(246);
    const std::vector<FileNode*> roots = Roots(track);
    EntryRemoval removal;
    // Before any copy goes: a folder is pruned only when it held nothing,
    // never because its entries were copies of others.
    for (FileNode* root : roots) {
        PruneEmptyScanDirectories(*root, removal);
    }
    RemoveCopies(roots, removal);
    for (FileNode* root : roots) {
        CountVisibleEntries(*root);
    }
    removal.Finish();
}

}  // namespace kel::diag
