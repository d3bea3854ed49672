#include <algorithm>
#include <cstring>
#include <new>

#include "diag/fs/udf/udf_layout.h"
#include "diag/fs/udf/udf_state.h"
#include "diag/tools/debug_log.h"

namespace kel::diag::udf {
namespace {

constexpr char kSparingIdentifier[] = "*UDF Sparing Table";

void LogReadError(std::int32_t block) {
    if (DebugOn() && Device() != nullptr) {
        DebugLog("Error %02x %02x reading sparing table at block %d", Device()->senseAsc,
                 Device()->senseAscq, block);
    }
}

bool IsSparingTable(std::span<const std::uint8_t> block) {
    return IsValidTag(block, tag::kSparingTable) &&
           std::memcmp(block.data() + sparing_field::kIdentifier, kSparingIdentifier,
                       sizeof kSparingIdentifier - 1) == 0;
}

}  // namespace

bool ReadSparingTable(std::span<std::uint8_t, 2048> buffer, std::span<const std::uint8_t> map) {
    const std::size_t locations =
        std::min<std::size_t>(Le8(map, sparable_map::kTableCount), sparable_map::kMaxLocations);
    for (std::size_t i = 0; i < locations; ++i) {
        const std::int32_t location = Block32(map, sparable_map::kFirstLocation + 4 * i);
        if (!ReadBlocks(location, buffer)) {
            LogReadError(location);
            continue;
        }
        if (!IsSparingTable(buffer)) {
            continue;
        }
        Dump(buffer, "UDF Sparing table");
        const std::size_t size =
            sparing_field::kFirstEntry +
            Le16(buffer, sparing_field::kEntryCount) * sparing_field::kEntrySize;
        const std::size_t blocks = (size + kBlockSizeBytes - 1) / kBlockSizeBytes;
        MapTable table;
        table.kind = MapTable::Kind::Sparing;
        try {
            table.bytes.resize(blocks * kBlockSizeBytes);
        } catch (const std::bad_alloc&) {
            return false;
        }
        std::copy(buffer.begin(), buffer.end(), table.bytes.begin());
        bool whole = true;
        for (std::size_t b = 1; b < blocks && whole; ++b) {
            const std::int32_t block = location + static_cast<std::int32_t>(b);
            const std::span<std::uint8_t> piece(table.bytes.data() + b * kBlockSizeBytes,
                                                kBlockSizeBytes);
            whole = ReadBlocks(block, piece);
            if (!whole) {
                LogReadError(block);
            }
        }
        if (whole) {
            table.bytes.resize(size);
            State().map = std::move(table);
            return true;
        }
    }
    return true;
}

}  // namespace kel::diag::udf
