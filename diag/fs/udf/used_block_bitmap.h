// The used-block bitmap of one UDF reading: a bit for each block of the
// disc, most significant bit first within each byte. The reader owns it for
// the time of a reading; MarkBlockUsed (readers.h) sets its bits while it
// exists, and the block scan reads them.
#pragma once

#include <cstdint>

#include "diag/fs/disc_end.h"

namespace kel::diag {

// The bitmap's bytes, null while no UDF reading holds one.
std::uint8_t* UsedBlockBitmap();
// The blocks it covers; 0 while there is none.
std::int32_t BitmapBlocks();

// Allocates and clears a bitmap for blocks 0 to `blocks` - 1 (at most
// kMaxDiscBlocks); false after message 111.
bool AllocateUsedBlockBitmap(std::int32_t blocks);
void FreeUsedBlockBitmap();

// False without a bitmap and for blocks outside it.
bool IsBlockUsed(std::int32_t block);

}  // namespace kel::diag
