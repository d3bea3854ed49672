// When a track's volume descriptor cannot be read, its root directory often
// still can: writers put it within the first few dozen blocks.
#include <algorithm>

#include "diag/fs/iso/iso_scan.h"
#include "diag/ui/messages.h"
#include "diag/ui/progress_dialog.h"

namespace kel::diag {
namespace {

constexpr std::int32_t kFirstCandidate = 17;
constexpr std::int32_t kLastCandidate = 39;

void putLe32(std::span<std::uint8_t> bytes, std::size_t offset, std::uint32_t value) {
    for (std::size_t i = 0; i < 4; ++i) {
        bytes[offset + i] = static_cast<std::uint8_t>(value >> (8 * i));
    }
}

}  // namespace

std::int32_t ScanForRootDirectory(IsoScan& scan, std::span<std::uint8_t> buffer) {
    CdDevice& device = scan.device;
    const std::uint8_t wasQuiet = device.quiet;
    // In debug mode the failed reads are worth seeing.
    if (!Options().debugMode) {
        device.quiet = 1;
    }
    std::int64_t found = -1;
    for (std::int32_t offset = kFirstCandidate; offset <= kLastCandidate && !device.cancelled;
         ++offset) {
        AdvanceProgress();
        const std::int64_t block = std::int64_t{scan.track.start} + offset;
        if (ReadBlock(device, block, buffer) && iso::IsStrictDotRecord(buffer)) {
            found = block;
            break;
        }
    }
    device.quiet = wasQuiet;
    if (found < 0) {
        return -1;
    }
    if (Options().debugMode) {
        DumpSector(buffer, static_cast<int>(found), "Directory located by scanning");
    }
    ShowMessage(156, static_cast<int>(scan.track.track), found);
    const std::uint32_t length = iso::Le32(buffer, iso::record::kDataLength);
    std::fill(buffer.begin(), buffer.end(), std::uint8_t{0});
    const std::size_t root = iso::descriptor::kRootRecord;
    putLe32(buffer, root + iso::record::kExtent, static_cast<std::uint32_t>(found));
    putLe32(buffer, root + iso::record::kDataLength, length);
    buffer[root + iso::record::kIsoFlags] = iso::record::kDirectoryFlag;
    return static_cast<std::int32_t>(found);
}

}  // namespace kel::diag
