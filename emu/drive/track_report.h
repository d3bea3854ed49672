// What a drive knows of each track of a recordable disc beyond the TOC: the
// open track, the invisible track of an appendable disc, free blocks and the
// next writable address. READ TRACK INFORMATION, its vendor forms, READ
// DISC INFORMATION and the full TOC's B0 point all answer from here.
#pragma once

#include <cstdint>
#include <optional>

#include "emu/disc/disc.h"

namespace kel::emu {

struct TrackReport {
    int number = 1;
    int session = 1;
    std::int32_t start = 0;
    std::int32_t size = 0;
    std::optional<std::int32_t> nextWritable;
    std::int32_t freeBlocks = 0;
    std::int32_t packetSize = 0;  // fixed packets only
    std::uint8_t trackMode = 0;   // damage 0x20, copy 0x10, control nibble
    std::uint8_t dataMode = 0;    // RT 0x80, blank 0x40, packet 0x20, fixed 0x10, mode nibble
};

// The sessions a drive has a lead-in for (the TOC lists only these).
int completeSessionCount(const Disc& disc);

// LBA of the first track a next session would have, or nullopt when the
// disc is complete (nothing more can be written).
std::optional<std::int32_t> nextProgramArea(const Disc& disc);

// The track after the last written one on an appendable disc whose next
// session has not begun (on a blank disc, track 1).
std::optional<TrackReport> invisibleTrack(const Disc& disc);

// Track `number` (the invisible track's number included), or nullopt.
std::optional<TrackReport> reportTrack(const Disc& disc, int number);

// The open track, else the invisible one: what track 0xFF asks for.
std::optional<TrackReport> reportLastTrack(const Disc& disc);

// The track holding `lba` (pregap included), the invisible track's blocks
// up to the last possible lead-out included.
std::optional<TrackReport> reportTrackAt(const Disc& disc, std::int32_t lba);

// Sessions READ DISC INFORMATION counts: an appendable disc's empty next
// session included.
int reportedSessionCount(const Disc& disc);

// Where the lead-in of the disc's last (reported) session starts.
std::int32_t lastSessionLeadIn(const Disc& disc);

std::int32_t atipLeadInLba(const Atip& atip);

}  // namespace kel::emu
