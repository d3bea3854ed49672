#include "diag/fs/hfs/hfs_tree.h"

#include <vector>

#include "diag/fs/hfs/hfs_date.h"
#include "diag/fs/readers.h"
#include "diag/state/pane_hooks.h"
#include "diag/tools/debug_log.h"
#include "diag/ui/messages.h"

namespace kel::diag::hfs {

namespace {

// Set on a file whose data fork is empty or does not lie in one piece.
constexpr std::uint16_t kDataForkNotContiguous = 8;

}  // namespace

FileNode* HfsTreeBuilder::ParentOf(const CatalogRecord& record, const char* unconnectedTitle) {
    const auto found = directories_.find(record.parentId);
    if (found != directories_.end()) {
        return found->second;
    }
    // A damaged catalog loses the record's place; the user learns which
    // directory is missing rather than the entry vanishing quietly.
    if (logSwitches().debugMode) {
        DumpBlock(record.whole, static_cast<int>(record.whole.size()), unconnectedTitle);
    } else {
        ShowMessage(161, record.parentId, record.name);
    }
    return nullptr;
}

void HfsTreeBuilder::Append(FileNode& parent, FileNode& child) {
    child.parent = &parent;
    child.track = &track_;
    FileNode*& last = lastChild_[&parent];
    if (last == nullptr) {
        parent.firstChild = &child;
    } else {
        last->next = &child;
        child.previous = last;
    }
    last = &child;
}

bool HfsTreeBuilder::AddDirectory(const CatalogRecord& record) {
    const BigEndianBytes& data = record.data;
    const std::uint32_t id = data.u32(directory_record::kId);
    FileNode* node = nullptr;
    if (track_.root == nullptr) {
        const FormatArg args[] = {record.name, track_.session};
        const std::string name = FormatText("%s (Session %d)", args, kRootNameRoom);
        node = NewFileNode(name, true, __FILE__, __LINE__);
        if (node == nullptr) {
            return false;
        }
        node->track = &track_;
        track_.root = node;
    } else {
        FileNode* parent = ParentOf(record, "Unconnected HFS directory");
        if (parent == nullptr) {
            return true;
        }
        node = NewFileNode(record.name, false, __FILE__, __LINE__);
        if (node == nullptr) {
            return false;
        }
        Append(*parent, *node);
    }
    node->reserved1 = id;
    node->startBlock = static_cast<std::int32_t>(id);
    node->count = data.u16(directory_record::kValence);
    node->recordingDate = HfsDateToNodeDate(data.u32(directory_record::kModified));
    node->flags = node_flags::kDirectory;
    // A repeated id is damage; the directory placed first keeps it.
    directories_.emplace(id, node);
    return true;
}

bool HfsTreeBuilder::AddFile(const CatalogRecord& record) {
    const BigEndianBytes& data = record.data;
    const std::uint16_t firstExtent = data.u16(file_record::kDataExtents);
    const std::uint32_t size = data.u32(file_record::kDataLength);
    if (logSwitches().writeThrough) {
        DebugLog("File: %s id:%d Start:%d(%d) Size:%d RStart:%d RSize:%d", record.name,
                 data.u32(file_record::kId), firstExtent, data.u16(file_record::kDataExtents + 2),
                 size, data.u16(file_record::kResourceExtents),
                 data.u32(file_record::kResourceLength));
    }
    FileNode* parent = ParentOf(record, "Unconnected HFS file");
    if (parent == nullptr) {
        return true;
    }
    FileNode* node = NewFileNode(record.name, false, __FILE__, __LINE__);
    if (node == nullptr) {
        return false;
    }
    Append(*parent, *node);
    node->startBlock = firstExtent;
    node->size = size;
    node->recordingDate = HfsDateToNodeDate(data.u32(file_record::kModified));
    if (size == 0) {
        node->flags |= kDataForkNotContiguous;
        node->startBlock = -1;
    }
    if (data.u16(file_record::kSecondDataExtent) != 0) {
        node->flags |= kDataForkNotContiguous;
    }
    return true;
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
