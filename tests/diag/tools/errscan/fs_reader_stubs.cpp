// The file-system readers' node functions for the tools' tests, which link the track
// list without the readers: nodes in the readers' layout (record, then the
// name), so that the list frees them as it frees theirs.
#include <cstring>
#include <new>

#include "diag/fs/readers.h"
#include "diag/tools/tracked_alloc.h"

namespace kel::diag {

FileNode* NewFileNode(std::string_view name, bool, const char* module, int line) {
    void* block =
        TrackedAlloc(static_cast<std::int32_t>(sizeof(FileNode) + name.size() + 1), module, line);
    if (!block) {
        return nullptr;
    }
    auto* node = new (block) FileNode{};
    node->name = reinterpret_cast<char*>(node + 1);
    std::memcpy(node->name, name.data(), name.size());
    node->name[name.size()] = '\0';
    return node;
}

// The tests' trees are single placeholder nodes or sibling lists of them.
void FreeFileTree(FileNode* first) {
    while (first) {
        FileNode* next = first->next;
        TrackedFree(first, __FILE__, __LINE__);
        first = next;
    }
}

}  // namespace kel::diag
