// The command handlers, by group. Each checks its own CDB fields; the
// central gate (drive_model.cpp) has already dealt with unit attention, the
// opcode and, for commands that need it, the medium.
#pragma once

#include "emu/drive/command.h"

namespace kel::emu {

// unit_commands.cpp
Outcome testUnitReady(DriveContext&, const CommandData&);
Outcome requestSense(DriveContext&, const CommandData&);
Outcome inquiry(DriveContext&, const CommandData&);
Outcome readCapacity(DriveContext&, const CommandData&);
Outcome startStopUnit(DriveContext&, const CommandData&);
Outcome preventAllowRemoval(DriveContext&, const CommandData&);
Outcome setCdSpeed(DriveContext&, const CommandData&);

// read_commands.cpp
Outcome read10(DriveContext&, const CommandData&);
Outcome read12(DriveContext&, const CommandData&);
Outcome readLong(DriveContext&, const CommandData&);
Outcome readHeader(DriveContext&, const CommandData&);
Outcome vendorReadCdda(DriveContext&, const CommandData&);
Outcome vendorReadCddaMsf(DriveContext&, const CommandData&);

// read_cd.cpp
Outcome readCd(DriveContext&, const CommandData&);
Outcome readCdMsf(DriveContext&, const CommandData&);

// toc_commands.cpp
Outcome readToc(DriveContext&, const CommandData&);

// disc_info_commands.cpp
Outcome readDiscInformation(DriveContext&, const CommandData&);
Outcome readTrackInformation(DriveContext&, const CommandData&);
Outcome vendorTrackInformation(DriveContext&, const CommandData&);
Outcome vendorNextWritable(DriveContext&, const CommandData&);

// audio_commands.cpp
Outcome playAudio10(DriveContext&, const CommandData&);
Outcome playAudio12(DriveContext&, const CommandData&);
Outcome playAudioMsf(DriveContext&, const CommandData&);
Outcome pauseResume(DriveContext&, const CommandData&);
Outcome stopPlayScan(DriveContext&, const CommandData&);
Outcome seek10(DriveContext&, const CommandData&);
Outcome readSubChannel(DriveContext&, const CommandData&);

// mode_commands.cpp
Outcome modeSense6(DriveContext&, const CommandData&);
Outcome modeSense10(DriveContext&, const CommandData&);
Outcome modeSelect6(DriveContext&, const CommandData&);
Outcome modeSelect10(DriveContext&, const CommandData&);

}  // namespace kel::emu
