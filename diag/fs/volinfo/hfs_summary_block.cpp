#include "diag/fs/volinfo/hfs_summary_block.h"

#include <algorithm>
#include <string>

#include "diag/tools/format_text.h"

namespace kel::diag {

namespace {

constexpr std::size_t kFiles = 0;
constexpr std::size_t kDirectories = 4;
constexpr std::size_t kAllocationBlockSize = 8;
constexpr std::size_t kAllocationBlocks = 12;
constexpr std::size_t kFreeBlocks = 16;
constexpr std::size_t kVolumeName = 20;
constexpr std::size_t kVolumeNameRoom = 28;
constexpr std::size_t kPartitionName = 48;
constexpr std::size_t kPartitionNameRoom = 32;
constexpr std::size_t kCreated = 80;
constexpr std::size_t kModified = 97;
constexpr std::size_t kDateRoom = 17;

using Block = std::array<std::uint8_t, kHfsSummaryBlockBytes>;

void Put32(Block& block, std::size_t at, std::uint32_t value) {
    for (std::size_t i = 0; i < 4; ++i) {
        block[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
    }
}

// Cut to leave a NUL at the end of the room, and never inside a character:
// a Mac name takes up to three bytes a character in UTF-8.
void PutText(Block& block, std::size_t at, std::size_t room, const std::string& text) {
    const FormatArg args[] = {text};
    const std::string cut = FormatText("%s", args, room - 1);
    std::copy(cut.begin(), cut.end(), block.begin() + static_cast<std::ptrdiff_t>(at));
}

std::string DateDigits(const std::array<std::uint8_t, 7>& date) {
    const FormatArg args[] = {date[0] + 1900, date[1], date[2], date[3], date[4], date[5]};
    return FormatText("%04d%02d%02d%02d%02d%02d", args, kDateRoom - 1);
}

}  // namespace

Block HfsSummaryBlock(const HfsVolumeSummary& summary) {
    Block block{};
    Put32(block, kFiles, summary.files);
    Put32(block, kDirectories, summary.directories);
    Put32(block, kAllocationBlockSize, summary.allocationBlockSize);
    Put32(block, kAllocationBlocks, summary.allocationBlocks);
    Put32(block, kFreeBlocks, summary.freeBlocks);
    PutText(block, kVolumeName, kVolumeNameRoom, summary.volumeName);
    PutText(block, kPartitionName, kPartitionNameRoom, summary.partitionName);
    PutText(block, kCreated, kDateRoom, DateDigits(summary.created));
    PutText(block, kModified, kDateRoom, DateDigits(summary.modified));
    return block;
}

}  // namespace kel::diag
