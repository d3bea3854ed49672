// The used-block bitmap of one UDF reading: a bit for each block below
// 340000, most significant bit first within each byte. The reader owns it for
// the time of a reading; MarkBlockUsed (readers.h) sets its bits while it
// exists, and the block scan reads them.
#pragma once

#include <cstdint>

namespace kel::diag {

inline constexpr std::int32_t kBitmapBlocks = 340000;
inline constexpr std::int32_t kBitmapBytes = kBitmapBlocks / 8;

// The bitmap's bytes, null while no UDF reading holds one.
std::uint8_t* UsedBlockBitmap();

// Allocates and clears the bitmap; false after message 111.
bool AllocateUsedBlockBitmap();
void FreeUsedBlockBitmap();

// False without a bitmap and for blocks outside it.
bool IsBlockUsed(std::int32_t block);

}  // namespace kel::diag
