#include "diag/fs/readers.h"
#include "diag/fs/udf/udf_file_access.h"
#include "diag/fs/udf/udf_reader.h"
#include "diag/fs/udf/udf_state.h"

namespace kel::diag {
namespace {

using udf::Block32;
using udf::MapTable;
using udf::State;

std::int32_t Spared(const MapTable& table, std::int32_t block) {
    const std::span<const std::uint8_t> bytes(table.bytes);
    const std::size_t count = udf::Le16(bytes, udf::sparing_field::kEntryCount);
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t entry =
            udf::sparing_field::kFirstEntry + i * udf::sparing_field::kEntrySize;
        if (entry + udf::sparing_field::kEntrySize > bytes.size()) {
            break;
        }
        if (Block32(bytes, entry) == block) {
            return Block32(bytes, entry + 4);
        }
    }
    return block;
}

}  // namespace

std::int32_t TranslateUdfBlock(std::int32_t block, std::uint16_t reference) {
    const udf::ReaderState& state = State();
    if (reference == 0) {
        return state.partitionKnown ? block + state.partitionStart : block;
    }
    const MapTable& table = state.map;
    if (state.type2Map && table.kind == MapTable::Kind::Sparing) {
        return Spared(table, block) + state.partitionStart;
    }
    if (!state.type2Map && table.kind == MapTable::Kind::Vat && block >= 0 &&
        block < table.vatEntryCount) {
        const std::size_t entry = table.vatFirstEntry + static_cast<std::size_t>(block) * 4;
        return Block32(table.bytes, entry) + state.partitionStart;
    }
    return block + state.partitionStart;
}

void FreeUdfTable() {
    State().map = MapTable{};
    udf::FreeAccessRecord();
}

}  // namespace kel::diag
