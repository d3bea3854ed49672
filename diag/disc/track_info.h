// The diagnostic program's picture of the disc in the drive: one record per
// track, lead-out included, in one doubly linked list in disc order. The
// disc scan is the list's only writer; the file-system readers fill the
// fields of a record that belong to them, everything else only reads.
//
// All block numbers are logical block addresses as the drive reports them
// (block 0 = MSF 00:02:00), signed 32-bit.
#pragma once

#include <cstdint>

namespace kel::diag {

struct FileNode;
struct ExtentEntry;

struct TrackInfo {
    TrackInfo* next = nullptr;
    TrackInfo* prev = nullptr;
    std::int32_t start = 0;
    // Exclusive end. For the lead-out: the start of the next possible
    // program area when one is known, else 0.
    std::int32_t end = 0;
    std::int32_t freeBlocks = 0;
    // 0 when the drive gives no valid address, or when it equals start.
    std::int32_t nextWritable = 0;
    std::int32_t depth = 0;
    std::uint32_t packetSize = 0;  // host order; 0 without fixed packets
    std::int32_t partitionStart = 0;
    FileNode* root = nullptr;
    std::int32_t extentCount = 0;
    ExtentEntry* extentTable = nullptr;  // owned by the record
    std::int32_t selected = 0;
    std::uint32_t flags = 0;
    std::uint8_t trackModeByte = 0;
    std::uint8_t dataModeByte = 0;
    std::uint8_t session = 0;  // 1-based; 0 when not known
    std::uint8_t track = 0;    // 0xAA for the lead-out
    // ADR in the high nibble, control in the low nibble.
    std::uint8_t control = 0;
    std::uint8_t udfStatus = 0;
};

// One entry of a track's extent table, in ascending start order.
struct ExtentEntry {
    std::int32_t start = 0;
    std::int32_t count = 0;
    FileNode* node = nullptr;
};

// Bits of TrackInfo::flags.
namespace track_flags {
inline constexpr std::uint32_t kJoliet = 0x1;
inline constexpr std::uint32_t kIso9660 = 0x2;
inline constexpr std::uint32_t kHighSierra = 0x4;
inline constexpr std::uint32_t kCdRomXa = 0x8;  // kept on the first record
inline constexpr std::uint32_t kCdiBridge = 0x10;
inline constexpr std::uint32_t kHfs = 0x20;
inline constexpr std::uint32_t kUdf = 0x40;
inline constexpr std::uint32_t kPacket = 0x80;
inline constexpr std::uint32_t kUdfAllocationNotFound = 1u << 9;
inline constexpr std::uint32_t kUdfVatBySearch = 1u << 10;
inline constexpr std::uint32_t kUdfChecksumsIgnored = 1u << 12;
inline constexpr std::uint32_t kUdfSparableWithoutTable = 1u << 13;
inline constexpr std::uint32_t kBlank = 0x4000;
inline constexpr std::uint32_t kContinuation = 0x10000;
inline constexpr std::uint32_t kHfsTwin = 0x20000;
inline constexpr std::uint32_t kOpen = 0x40000;
inline constexpr std::uint32_t kUdfBeyondNextTrack = 1u << 19;
inline constexpr std::uint32_t kImplicitFromBlockZero = 0x100000;
inline constexpr std::uint32_t kRockRidge = 0x200000;
inline constexpr std::uint32_t kErasable = 0x400000;  // kept on the first record
}  // namespace track_flags

// Control nibble bits.
namespace control_bits {
inline constexpr std::uint8_t kPreEmphasisOrIncremental = 0x01;
inline constexpr std::uint8_t kCopyPermitted = 0x02;
inline constexpr std::uint8_t kData = 0x04;
inline constexpr std::uint8_t kFourChannel = 0x08;
}  // namespace control_bits

inline constexpr std::uint8_t kLeadOutTrack = 0xAA;

// The program's one track list. Only the disc scan changes it, and nothing
// else touches it while the scan's busy flag is set.
struct TrackList {
    TrackInfo* first = nullptr;
    TrackInfo* last = nullptr;
};
TrackList& Tracks();

inline bool IsDataTrack(const TrackInfo& track) {
    return (track.control & control_bits::kData) != 0;
}

}  // namespace kel::diag
