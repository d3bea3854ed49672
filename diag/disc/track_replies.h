// The drive replies the track list is built from, read field by field out
// of the caller's reply buffer. A reply may claim more than the buffer holds
// or than the drive sent; every reader here stays inside the bytes it is
// given and reads a field beyond them as zero.
#pragma once

#include <cstdint>
#include <span>

namespace kel::diag {

using ReplyBytes = std::span<const std::uint8_t>;

// --- READ TOC format 0 (LBA addresses) ---

struct TocDescriptor {
    std::uint8_t control = 0;  // ADR and control
    std::uint8_t track = 0;
    std::int32_t address = 0;
};

// How many descriptors to take: the data length's count (a length below 10
// holds none), plus the descriptor behind them when a drive left the
// lead-out out of the length. Never more than the reply holds.
int TocDescriptorCount(ReplyBytes reply);
TocDescriptor TocDescriptorAt(ReplyBytes reply, int index);

// --- READ TOC format 2 (full TOC) ---

struct FullTocEntry {
    std::uint8_t session = 0;
    std::uint8_t point = 0;
    std::uint8_t min = 0;
    std::uint8_t sec = 0;
    std::uint8_t frame = 0;
    std::uint8_t psec = 0;
};

// Entries the data length counts, cut to the whole entries the reply holds.
int FullTocEntryCount(ReplyBytes reply);
FullTocEntry FullTocEntryAt(ReplyBytes reply, int index);

// --- READ DISC INFORMATION ---

struct DiscInformation {
    std::uint16_t dataLength = 0;
    std::uint8_t status = 0;  // 0 empty, 1 incomplete, 2 complete, 3 other
    // State of the last session: 0 empty, 1 incomplete, 2 damaged, 3
    // complete. An appendable disc whose sessions are all closed shows an
    // empty last session, one being written an incomplete one.
    std::uint8_t lastSession = 0;
    bool erasable = false;
    std::uint8_t firstTrack = 0;
    std::uint8_t sessions = 0;
};

DiscInformation ReadDiscInformationReply(ReplyBytes reply);

// --- Track information, standard layout ---

struct TrackInformation {
    std::uint16_t dataLength = 0;
    std::uint8_t track = 0;
    std::uint8_t session = 0;
    std::uint8_t trackModeByte = 0;
    std::uint8_t dataModeByte = 0;
    bool nextWritableValid = false;
    std::int32_t start = 0;
    std::int32_t nextWritable = 0;
    std::int32_t freeBlocks = 0;
    std::uint32_t packetSize = 0;
    std::int32_t size = 0;
};

// A data length this large can only be the older layout, whose first byte
// is the length of what follows and whose second is zero.
inline constexpr std::uint16_t kOlderLayoutLength = 255;

TrackInformation ReadTrackInformationReply(ReplyBytes reply);

// --- Track information, older vendor layout ---

struct OldTrackInformation {
    std::uint8_t length = 0;  // of what follows byte 0
    std::int32_t start = 0;
    std::int32_t size = 0;
    std::uint8_t trackModeByte = 0;
    std::uint8_t dataModeByte = 0;
    std::int32_t freeBlocks = 0;
    std::uint32_t packetSize = 0;
};

OldTrackInformation ReadOldTrackInformationReply(ReplyBytes reply);

// Data mode byte bits of both layouts.
namespace data_mode {
inline constexpr std::uint8_t kReservedTrack = 0x80;
inline constexpr std::uint8_t kBlank = 0x40;
inline constexpr std::uint8_t kPacket = 0x20;
inline constexpr std::uint8_t kFixedPacket = 0x10;
}  // namespace data_mode

// Fixed packets are only meant when the track is packet-written as well.
inline bool HasFixedPackets(std::uint8_t dataModeByte) {
    constexpr std::uint8_t both = data_mode::kPacket | data_mode::kFixedPacket;
    return (dataModeByte & both) == both;
}

// Block arithmetic on values a drive sent: wraps like the 32-bit fields it
// came from instead of overflowing.
inline std::int32_t AddBlocks(std::int32_t a, std::int64_t b) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(a) + static_cast<std::uint32_t>(b));
}

}  // namespace kel::diag
