// Audio play as time passes: the head moves 75 frames a second from where
// play (re)started, and play ends on its own at the end of its range, or
// with an error on a sector that cannot be read.
#pragma once

#include <cstdint>

#include "emu/drive/command.h"

namespace kel::emu {

// The frame under the head now.
std::int32_t headPosition(const DriveContext& context);

// Turns a play that has run to its end (or into a hard fault) into a
// completed (or failed) one; called before every command.
void settlePlay(DriveContext& context);

// Starts play of [start, end).
void startPlay(DriveContext& context, std::int32_t start, std::int32_t end);

// Stops play and leaves the head where it is.
void stopPlay(DriveContext& context);

// READ SUB-CHANNEL's audio status byte; a completed or failed play is
// reported once, then there is no current status.
std::uint8_t takeAudioStatus(DriveContext& context);

}  // namespace kel::emu
