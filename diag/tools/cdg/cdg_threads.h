// The two worker threads of the CD+G player: the reader fills the ring from
// the drive, the player thread hands the filled buffers to the wave output
// in order.
#pragma once

#include <cstdint>
#include <span>

#include "diag/tools/cdg/cdg_playback.h"

namespace kel::diag {

// Puts one sector's audio into sample order: a drive that does not deliver
// little-endian samples (the profile's CDDALE) has each 16-bit word swapped.
void SwapAudioSector(std::span<std::uint8_t, kCdgAudioBytes> audio, bool littleEndian);

// Reads from the sector after the first kCdgFirstRead up to the track's end,
// one free buffer at a time, until a read fails, a stop is requested or the
// main window is asked to close.
void CdgReaderThread(CdgPlayback& playback);

// Queues the filled buffers until every sector read has been queued or a
// stop is requested, waits until the last has played and closes the window.
void CdgAudioThread(CdgPlayback& playback);

}  // namespace kel::diag
