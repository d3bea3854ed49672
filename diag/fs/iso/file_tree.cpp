// The life of a track's file tree: its nodes are made by every reader here,
// shown through the tree pane, and freed with the track list.
#include <cstring>
#include <new>
#include <vector>

#include "diag/fs/readers.h"
#include "diag/state/pane_hooks.h"
#include "diag/tools/tracked_alloc.h"

namespace kel::diag {
namespace {

// UDF nodes use the extents field for a block number, so only an ISO 9660
// track's nodes own a list there.
bool ownsExtentList(const FileNode& node) {
    return (node.flags & node_flags::kExtentList) != 0 && node.track != nullptr &&
           (node.track->flags & track_flags::kIso9660) != 0;
}

}  // namespace

FileNode* NewFileNode(std::string_view name, bool root, const char* module, int line) {
    const std::size_t room = root ? static_cast<std::size_t>(kRootNameRoom) : name.size();
    const std::size_t kept = std::min(name.size(), room);
    void* block =
        TrackedAlloc(static_cast<std::int32_t>(sizeof(FileNode) + room + 1), module, line);
    if (block == nullptr) {
        return nullptr;
    }
    auto* node = new (block) FileNode{};
    node->name = reinterpret_cast<char*>(node + 1);
    std::memcpy(node->name, name.data(), kept);
    node->name[kept] = '\0';
    return node;
}

void FreeFileTree(FileNode* first) {
    FreeUdfTable();
    // Iterative, so that a deep tree of another reader cannot exhaust the stack.
    std::vector<FileNode*> lists{first};
    while (!lists.empty()) {
        FileNode* node = lists.back();
        lists.pop_back();
        while (node != nullptr) {
            if (node->firstChild != nullptr) {
                lists.push_back(node->firstChild);
            }
            if (ownsExtentList(*node)) {
                TrackedFree(node->extents, __FILE__, __LINE__);
            }
            FileNode* next = node->next;
            TrackedFree(node, __FILE__, __LINE__);
            node = next;
        }
    }
}

void AddDirectoryToTree(FileNode& directory) {
    InsertTreeNode(directory);
    for (FileNode* child = directory.firstChild; child != nullptr; child = child->next) {
        if (IsDirectory(*child) && !IsDotEntry(*child)) {
            AddDirectoryToTree(*child);
        }
    }
}

}  // namespace kel::diag
