#include "diag/fs/hfs/hfs_tree.h"

#include <optional>
#include <unordered_set>
#include <vector>

#include "diag/fs/hfs/hfs_damage.h"
#include "diag/fs/hfs/hfs_date.h"
#include "diag/fs/readers.h"
#include "diag/state/pane_hooks.h"
#include "diag/tools/debug_log.h"
#include "diag/ui/messages.h"

namespace kel::diag::hfs {

namespace {

// Set on a file whose data fork is empty or does not lie in one piece.
constexpr std::uint16_t kDataForkNotContiguous = 8;
// The parent id that the root folder's key names.
constexpr std::uint32_t kRootParentId = 1;
constexpr std::uint32_t kRootFolderId = 2;

}  // namespace

void HfsTreeBuilder::Collect(CatalogRecord record) {
    const std::uint8_t type = record.type();
    if (type == catalog_record::kDirectory || type == catalog_record::kFile) {
        records_.push_back(std::move(record));
    }
}

void HfsTreeBuilder::Append(FileNode& parent, FileNode& child) {
    child.parent = &parent;
    child.track = &track_;
    if (parent.firstChild == nullptr) {
        parent.firstChild = &child;
    } else {
        // While the tree is built the first child keeps the last one in
        // its parent field; AddHfsDirectoryToTree sets the real parents.
        FileNode* last = parent.firstChild->parent;
        last->next = &child;
        child.previous = last;
    }
    parent.firstChild->parent = &child;
}

FileNode* HfsTreeBuilder::NewNode(const CatalogRecord& record, bool root) {
    const BigEndianBytes data = record.data();
    FileNode* node = nullptr;
    if (record.type() == catalog_record::kDirectory) {
        const std::uint32_t id = data.u32(directory_record::kId);
        const FormatArg args[] = {record.name, track_.session};
        node = root ? NewFileNode(FormatText("%s (Session %d)", args, kRootNameRoom), true,
                                  __FILE__, __LINE__)
                    : NewFileNode(record.name, false, __FILE__, __LINE__);
        if (node == nullptr) {
            return nullptr;
        }
        node->reserved1 = id;
        node->startBlock = static_cast<std::int32_t>(id);
        node->count = data.u16(directory_record::kValence);
        node->recordingDate = HfsDateToNodeDate(data.u32(directory_record::kModified));
        node->flags = node_flags::kDirectory;
        return node;
    }
    const std::uint16_t firstExtent = data.u16(file_record::kDataExtents);
    const std::uint32_t size = data.u32(file_record::kDataLength);
    if (logSwitches().writeThrough) {
        DebugLog("File: %s id:%d Start:%d(%d) Size:%d RStart:%d RSize:%d", record.name,
                 data.u32(file_record::kId), firstExtent, data.u16(file_record::kDataExtents + 2),
                 size, data.u16(file_record::kResourceExtents),
                 data.u32(file_record::kResourceLength));
    }
    node = NewFileNode(record.name, false, __FILE__, __LINE__);
    if (node == nullptr) {
        return nullptr;
    }
    node->startBlock = firstExtent;
    node->size = size;
    node->recordingDate = HfsDateToNodeDate(data.u32(file_record::kModified));
    if (size == 0) {
        node->flags |= kDataForkNotContiguous;
        node->startBlock = -1;
    }
    // A second extent may start at allocation block 0; its length tells.
    if (data.u16(file_record::kSecondDataExtent) != 0 ||
        data.u16(file_record::kSecondDataExtentBlocks) != 0) {
        node->flags |= kDataForkNotContiguous;
    }
    return node;
}

bool HfsTreeBuilder::AddChildren(FileNode& directory, std::uint32_t id,
                                 std::vector<FileNode*>& pending) {
    const auto found = children_.find(id);
    if (found == children_.end()) {
        return true;
    }
    // Folders first, then files, as the catalog lists each kind.
    for (const std::uint8_t type : {catalog_record::kDirectory, catalog_record::kFile}) {
        for (const std::size_t index : found->second) {
            if (placed_[index] || records_[index].type() != type) {
                continue;
            }
            FileNode* node = NewNode(records_[index], false);
            if (node == nullptr) {
                return false;
            }
            placed_[index] = true;
            Append(directory, *node);
            if (IsDirectory(*node)) {
                pending.push_back(node);
            }
        }
    }
    return true;
}

void HfsTreeBuilder::ReportUnconnected() {
    for (std::size_t i = 0; i < records_.size(); ++i) {
        if (placed_[i]) {
            continue;
        }
        const CatalogRecord& record = records_[i];
        if (logSwitches().debugMode) {
            DumpBlock(record.whole, static_cast<int>(record.whole.size()),
                      record.type() == catalog_record::kDirectory ? "Unconnected HFS directory"
                                                                  : "Unconnected HFS file");
        } else if (FirstReportOf(CatalogDamage::LostParent)) {
            // One box tells the user the catalog is damaged; a box per lost
            // record of a looping catalog would never end.
            ShowMessage(161, record.parentId, record.name);
        }
    }
}

bool HfsTreeBuilder::Build() {
    if (records_.empty()) {
        return true;
    }
    placed_.assign(records_.size(), false);
    std::optional<std::size_t> rootIndex;
    for (std::size_t i = 0; i < records_.size(); ++i) {
        children_[records_[i].parentId].push_back(i);
        if (!rootIndex && records_[i].type() == catalog_record::kDirectory &&
            records_[i].parentId == kRootParentId) {
            rootIndex = i;
        }
    }
    // Without the root's record another folder must not pose as the root:
    // the root then stands empty under the volume's name, and what names it
    // as parent still hangs below it.
    FileNode* root = nullptr;
    if (rootIndex) {
        root = NewNode(records_[*rootIndex], true);
        placed_[*rootIndex] = true;
    } else {
        root = HangEmptyRoot(track_, volumeName_);
    }
    if (root == nullptr) {
        return false;
    }
    root->track = &track_;
    track_.root = root;
    // A repeated id or a cycle must not expand one directory twice.
    std::unordered_set<std::uint32_t> expanded;
    std::vector<FileNode*> pending{root};
    bool kept = true;
    while (kept && !pending.empty()) {
        FileNode* directory = pending.back();
        pending.pop_back();
        if (expanded.insert(directory->reserved1).second) {
            kept = AddChildren(*directory, directory->reserved1, pending);
        }
    }
    ReportUnconnected();
    return kept;
}

FileNode* HangEmptyRoot(TrackInfo& track, const std::string& volumeName) {
    const FormatArg args[] = {volumeName, track.session};
    FileNode* root =
        NewFileNode(FormatText("%s (Session %d)", args, kRootNameRoom), true, __FILE__, __LINE__);
    if (root != nullptr) {
        root->track = &track;
        root->reserved1 = kRootFolderId;
        root->startBlock = static_cast<std::int32_t>(kRootFolderId);
        root->flags = node_flags::kDirectory;
        track.root = root;
    }
    return root;
}

void AddHfsDirectoryToTree(FileNode& directory) {
    // A catalog may nest directories deeper than a call stack should go.
    std::vector<FileNode*> pending{&directory};
    while (!pending.empty()) {
        FileNode* at = pending.back();
        pending.pop_back();
        InsertTreeNode(*at);
        std::vector<FileNode*> subdirectories;
        for (FileNode* child = at->firstChild; child != nullptr; child = child->next) {
            child->parent = at;
            if (IsDirectory(*child)) {
                subdirectories.push_back(child);
            }
        }
        pending.insert(pending.end(), subdirectories.rbegin(), subdirectories.rend());
    }
}

}  // namespace kel::diag::hfs
