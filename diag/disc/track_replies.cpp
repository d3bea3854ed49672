#include "diag/disc/track_replies.h"

#include <algorithm>
#include <array>

#include "diag/device/cd_device.h"

namespace kel::diag {

namespace {

constexpr std::size_t kTocHeaderBytes = 4;
constexpr std::size_t kTocDescriptorBytes = 8;
constexpr std::size_t kFullTocEntryBytes = 11;
// The TOC data length counts the two bytes after it.
constexpr int kLengthCounted = 2;

std::uint8_t byteAt(ReplyBytes reply, std::size_t offset) {
    return offset < reply.size() ? reply[offset] : 0;
}

// A big-endian field, its missing bytes taken as zero.
template <std::size_t N>
std::array<std::uint8_t, N> fieldAt(ReplyBytes reply, std::size_t offset) {
    std::array<std::uint8_t, N> field{};
    for (std::size_t i = 0; i < N; ++i) {
        field[i] = byteAt(reply, offset + i);
    }
    return field;
}

std::uint16_t be16(ReplyBytes reply, std::size_t offset) {
    const auto field = fieldAt<2>(reply, offset);
    return Swap16(field);
}

std::uint32_t be32(ReplyBytes reply, std::size_t offset) {
    const auto field = fieldAt<4>(reply, offset);
    return Swap32(field);
}

std::int32_t lba(ReplyBytes reply, std::size_t offset) {
    return static_cast<std::int32_t>(be32(reply, offset));
}

int wholeRecords(ReplyBytes reply, std::size_t recordBytes) {
    if (reply.size() < kTocHeaderBytes) {
        return 0;
    }
    return static_cast<int>((reply.size() - kTocHeaderBytes) / recordBytes);
}

}  // namespace

int TocDescriptorCount(ReplyBytes reply) {
    const int length = be16(reply, 0);
    // Below 10 the length has no room for a single descriptor.
    int count = length >= static_cast<int>(kTocDescriptorBytes) + kLengthCounted
                    ? (length - kLengthCounted) / static_cast<int>(kTocDescriptorBytes)
                    : 0;
    const int fits = wholeRecords(reply, kTocDescriptorBytes);
    count = std::min(count, fits);
    // Drives that leave the lead-out out of the length still send it.
    if (count > 0 && count < fits && TocDescriptorAt(reply, count).track != 0 &&
        TocDescriptorAt(reply, count - 1).track != 0xAA) {
        ++count;
    }
    return count;
}

TocDescriptor TocDescriptorAt(ReplyBytes reply, int index) {
    const std::size_t at = kTocHeaderBytes + static_cast<std::size_t>(index) * kTocDescriptorBytes;
    return {byteAt(reply, at + 1), byteAt(reply, at + 2), lba(reply, at + 4)};
}

int FullTocEntryCount(ReplyBytes reply) {
    const int length = be16(reply, 0);
    const int count = length > kLengthCounted
                          ? (length - kLengthCounted) / static_cast<int>(kFullTocEntryBytes)
                          : 0;
    return std::min(count, wholeRecords(reply, kFullTocEntryBytes));
}

FullTocEntry FullTocEntryAt(ReplyBytes reply, int index) {
    const std::size_t at = kTocHeaderBytes + static_cast<std::size_t>(index) * kFullTocEntryBytes;
    return {byteAt(reply, at),     byteAt(reply, at + 3), byteAt(reply, at + 4),
            byteAt(reply, at + 5), byteAt(reply, at + 6), byteAt(reply, at + 9)};
}

DiscInformation ReadDiscInformationReply(ReplyBytes reply) {
    const std::uint8_t state = byteAt(reply, 2);
    return {be16(reply, 0),
            static_cast<std::uint8_t>(state & 0x03),
            static_cast<std::uint8_t>((state >> 2) & 0x03),
            (state & 0x10) != 0,
            byteAt(reply, 3),
            byteAt(reply, 4)};
}

TrackInformation ReadTrackInformationReply(ReplyBytes reply) {
    TrackInformation info;
    info.dataLength = be16(reply, 0);
    info.track = byteAt(reply, 2);
    info.session = byteAt(reply, 3);
    info.trackModeByte = byteAt(reply, 5);
    info.dataModeByte = byteAt(reply, 6);
    info.nextWritableValid = (byteAt(reply, 7) & 0x01) != 0;
    info.start = lba(reply, 8);
    info.nextWritable = lba(reply, 12);
    info.freeBlocks = lba(reply, 16);
    info.packetSize = be32(reply, 20);
    info.size = lba(reply, 24);
    return info;
}

OldTrackInformation ReadOldTrackInformationReply(ReplyBytes reply) {
    OldTrackInformation info;
    info.length = byteAt(reply, 0);
    info.start = lba(reply, 2);
    info.size = lba(reply, 6);
    info.trackModeByte = byteAt(reply, 10);
    info.dataModeByte = byteAt(reply, 11);
    info.freeBlocks = lba(reply, 12);
    info.packetSize = be32(reply, 16);
    return info;
}

}  // namespace kel::diag
