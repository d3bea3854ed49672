// What the compare form and its worker share: the range, the two drives,
// the options of the run and the block buffers. The form fills it before a
// run and leaves it alone until the worker has ended.
#pragma once

#include <QDateTime>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "frontend/compare/sector_compare.h"

namespace kel::compare {

// Sectors per request and drive.
inline constexpr int kBlockSectors = 12;
// The client's sector buffer holds 16 raw sectors.
inline constexpr std::size_t kBlockBufferSize = 16 * kRawSector;

struct CompareData {
    std::int32_t StartLba = 0;
    std::int32_t EndLba = 0;  // exclusive
    std::int32_t CurrentLba = 0;
    std::int16_t MasterDevice = -1;
    std::int16_t CopyDevice = -1;
    bool IgnoreSync = false;
    QDateTime StartTime;
    SyncPattern Sync{};
    std::vector<std::uint8_t> ReplyBuffer;
    std::vector<std::uint8_t> MasterBlock;
    std::vector<std::uint8_t> CopyBlock;

    void AllocateBuffers() {
        ReplyBuffer.assign(kBlockBufferSize, 0);
        MasterBlock.assign(kBlockBufferSize, 0);
        CopyBlock.assign(kBlockBufferSize, 0);
    }
    void FreeBuffers() {
        ReplyBuffer = {};
        MasterBlock = {};
        CopyBlock = {};
    }
};

}  // namespace kel::compare
