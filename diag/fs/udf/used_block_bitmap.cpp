#include "diag/fs/udf/used_block_bitmap.h"

#include <algorithm>
#include <atomic>
#include <cstring>

#include "diag/fs/disc_end.h"
#include "diag/tools/tracked_alloc.h"

namespace kel::diag {
namespace {

// Read by MarkBlockUsed, which any reader may call.
std::atomic<std::uint8_t*>& bitmap() {
    static std::atomic<std::uint8_t*> bytes{nullptr};
    return bytes;
}

std::atomic<std::int32_t>& covered() {
    static std::atomic<std::int32_t> blocks{0};
    return blocks;
}

}  // namespace

std::uint8_t* UsedBlockBitmap() {
    return bitmap().load();
}

std::int32_t BitmapBlocks() {
    return covered().load();
}

bool AllocateUsedBlockBitmap(std::int32_t blocks) {
    FreeUsedBlockBitmap();
    blocks = std::clamp(blocks, 0, kMaxDiscBlocks);
    const std::int32_t size = blocks / 8 + 1;
    auto* bytes = static_cast<std::uint8_t*>(TrackedAlloc(size, __FILE__, __LINE__));
    if (bytes == nullptr) {
        return false;
    }
    std::memset(bytes, 0, static_cast<std::size_t>(size));
    covered().store(blocks);
    bitmap().store(bytes);
    return true;
}

void FreeUsedBlockBitmap() {
    covered().store(0);
    TrackedFree(bitmap().exchange(nullptr), __FILE__, __LINE__);
}

bool IsBlockUsed(std::int32_t block) {
    const std::uint8_t* bytes = UsedBlockBitmap();
    if (bytes == nullptr || block < 0 || block >= BitmapBlocks()) {
        return false;
    }
    return (bytes[block / 8] & (0x80 >> (block % 8))) != 0;
}

}  // namespace kel::diag
