// The medium's readiness as the central gate and START STOP UNIT see it, and
// the media-change sequence a drive goes through: NOT READY (becoming ready)
// for some polls, then UNIT ATTENTION once, then ready.
#pragma once

#include <optional>

#include "emu/drive/command.h"

namespace kel::emu {

bool discPresent(const Disc& disc);

// Why a command that needs the medium cannot run now, without changing
// anything (REQUEST SENSE reports it so).
std::optional<SenseCode> mediumNotReady(const DriveContext& context);

// The same for a command about to run: a NOT READY answer while the medium
// settles counts as one poll, and the last poll posts the unit attention.
std::optional<SenseCode> admitToMedium(DriveContext& context);

// The pending unit attention, now reported and so cleared.
std::optional<SenseCode> takeAttention(DriveState& state);

// The tray closed on a disc, or another disc took its place.
void beginMediaChange(DriveState& state, const DriveDescription& drive);

}  // namespace kel::emu
