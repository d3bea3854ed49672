// The used-block bitmap belongs to the UDF reader for the time of one
// reading; any reader may mark blocks while it exists.
#include "diag/fs/readers.h"
#include "diag/fs/udf/used_block_bitmap.h"

namespace kel::diag {

std::int32_t MarkBlockUsed(std::int32_t block) {
    std::uint8_t* bytes = UsedBlockBitmap();
    if (bytes != nullptr && block >= 0 && block < BitmapBlocks()) {
        bytes[block / 8] |= static_cast<std::uint8_t>(0x80 >> (block % 8));
    }
    return block;
}

}  // namespace kel::diag
