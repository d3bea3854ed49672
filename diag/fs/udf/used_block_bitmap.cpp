#include "diag/fs/udf/used_block_bitmap.h"

#include <atomic>
#include <cstring>

#include "diag/tools/tracked_alloc.h"

namespace kel::diag {
namespace {

// Read by MarkBlockUsed, which any reader may call.
std::atomic<std::uint8_t*>& bitmap() {
    static std::atomic<std::uint8_t*> bytes{nullptr};
    return bytes;
}

}  // namespace

std::uint8_t* UsedBlockBitmap() {
    return bitmap().load();
}

bool AllocateUsedBlockBitmap() {
    FreeUsedBlockBitmap();
    auto* bytes = static_cast<std::uint8_t*>(TrackedAlloc(kBitmapBytes, __FILE__, __LINE__));
    if (bytes == nullptr) {
        return false;
    }
    std::memset(bytes, 0, kBitmapBytes);
    bitmap().store(bytes);
    return true;
}

void FreeUsedBlockBitmap() {
    TrackedFree(bitmap().exchange(nullptr), __FILE__, __LINE__);
}

bool IsBlockUsed(std::int32_t block) {
    const std::uint8_t* bytes = UsedBlockBitmap();
    if (bytes == nullptr || block < 0 || block >= kBitmapBlocks) {
        return false;
    }
    return (bytes[block / 8] & (0x80 >> (block % 8))) != 0;
}

}  // namespace kel::diag
