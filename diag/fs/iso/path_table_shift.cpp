// Some discs were mastered with every block number a few blocks short of
// where the data really lies. Their path table, looked for a few blocks after
// its stated place, still names the recorded root block: how far it had to
// be looked for is the shift to add to every block number.
#include "diag/fs/iso/iso_scan.h"

namespace kel::diag {
namespace {

constexpr std::int32_t kMaxPathTableShift = 15;

bool namesRoot(iso::Bytes pathTable, std::uint32_t rootBlock) {
    return iso::Byte(pathTable, iso::path_record::kIdentifierLength) == 1 &&
           iso::Byte(pathTable, iso::path_record::kAttributeLength) == 0 &&
           iso::Le32(pathTable, iso::path_record::kExtent) == rootBlock;
}

}  // namespace

void FindPathTableShift(IsoScan& scan, std::uint32_t pathTableBlock, std::uint32_t rootBlock) {
    TrackedBuffer buffer(iso::kBlockSize, __FILE__, __LINE__);
    if (!buffer) {
        return;
    }
    const std::span<std::uint8_t> data = buffer.span();
    if (!ReadBlock(scan.device, rootBlock, data) || iso::IsStrictDotRecord(data)) {
        return;
    }
    for (std::int32_t shift = 0; shift <= kMaxPathTableShift; ++shift) {
        if (!ReadBlock(scan.device, std::int64_t{pathTableBlock} + shift, data)) {
            return;
        }
        if (namesRoot(data, rootBlock)) {
            scan.state.PathTableShift = shift;
            return;
        }
    }
}

}  // namespace kel::diag
