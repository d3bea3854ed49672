// Test-only stand-ins for the tree functions of the ISO reader and the
// bitmap marking of the volume information module, which the UDF reader
// calls across folders.
#include <cstring>
#include <new>

#include "diag/fs/readers.h"
#include "diag/fs/udf/used_block_bitmap.h"
#include "diag/tools/tracked_alloc.h"

namespace kel::diag {

FileNode* NewFileNode(std::string_view name, bool root, const char* module, int line) {
    const std::size_t room = root ? static_cast<std::size_t>(kRootNameRoom) : name.size();
    void* block =
        TrackedAlloc(static_cast<std::int32_t>(sizeof(FileNode) + room + 1), module, line);
    if (block == nullptr) {
        return nullptr;
    }
    auto* node = new (block) FileNode{};
    node->name = reinterpret_cast<char*>(node + 1);
    const std::size_t length = std::min(name.size(), room);
    std::memcpy(node->name, name.data(), length);
    node->name[length] = '\0';
    return node;
}

namespace {
void FreeList(FileNode* node) {
    while (node != nullptr) {
        FileNode* next = node->next;
        FreeList(node->firstChild);
        node->~FileNode();
        TrackedFree(node, __FILE__, __LINE__);
        node = next;
    }
}
}  // namespace

void FreeFileTree(FileNode* first) {
    FreeUdfTable();
    FreeList(first);
}

void AddDirectoryToTree(FileNode&) {}

std::int32_t MarkBlockUsed(std::int32_t block) {
    std::uint8_t* bitmap = UsedBlockBitmap();
    if (bitmap != nullptr && block >= 0 && block < kBitmapBlocks) {
        bitmap[block / 8] |= static_cast<std::uint8_t>(0x80 >> (block % 8));
    }
    return block;
}

}  // namespace kel::diag
