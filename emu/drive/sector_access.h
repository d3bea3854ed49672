// Reading sectors as the drive's optics would: the image's bytes, with the
// descriptor's injected faults applied under the current error-recovery
// page, streamed into the host's buffer.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>

#include "emu/drive/command.h"

namespace kel::emu {

using RawSector = std::array<std::uint8_t, kRawSectorSize>;

// The part of a reply that fits in the host's buffer.
class ReplyStream {
public:
    explicit ReplyStream(std::span<std::uint8_t> room) : room_(room) {}
    void append(std::span<const std::uint8_t> bytes);
    void appendZeros(std::size_t count);
    // Room for a whole raw sector at the current end, or an empty span.
    std::span<std::uint8_t> claimRawSector();
    // The room left, to be filled in place and then taken with commit().
    std::span<std::uint8_t> freeRoom() const { return room_.subspan(written_); }
    void commit(std::size_t bytes) { written_ += std::min(bytes, room_.size() - written_); }
    bool full() const { return written_ == room_.size(); }
    std::size_t written() const { return written_; }
    // Bytes were offered that the room could not take.
    bool overflowed() const { return overflowed_; }

private:
    std::span<std::uint8_t> room_;
    std::size_t written_ = 0;
    bool overflowed_ = false;
};

// How one sector reads: good, recovered (the data is right, the drive says
// 1/18/00), or not at all.
struct SectorRead {
    std::optional<SenseCode> failure;
    bool recovered = false;
};
SectorRead readSector(DriveContext& context, std::int32_t lba,
                      std::span<std::uint8_t, kRawSectorSize> raw);

// Appends what a command returns of one sector, or says why the sector
// cannot be returned so (for example 5/64/00 for the wrong kind of sector).
using SectorShaper =
    std::function<std::optional<SenseCode>(std::int32_t lba, const RawSector&, ReplyStream&)>;

// Reads [first, first + count) (the caller has checked the range) until the
// host's buffer is full; sectors left over make the outcome an overrun. The first failing sector
// ends the command with its sense and the bytes before it; a recovered sector is reported after
// all. Without a shaper each sector goes to the host whole, read straight into its buffer: raw
// reads are what the benchmarks and the disc compare time.
Outcome streamSectors(DriveContext& context, const CommandData& command, std::int32_t first,
                      std::int64_t count, const SectorShaper& shape = nullptr);

// Whether [first, first + count) lies on the disc.
bool rangeOnDisc(const Disc& disc, std::int64_t first, std::int64_t count);

}  // namespace kel::emu
