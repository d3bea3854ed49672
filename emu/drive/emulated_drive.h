// The emulated MMC drive as the rest of the system sees it: a SCSI transport
// for one drive letter, and the medium state that platform/drives reports.
// One emulated drive is one drive for every process: its tray, lock, play
// state and current mode values live in a state file (locked for each
// command) in the runtime folder, named after the source's canonical path.
//
// How the drive's state moves:
// - The first process ever to open a source finds the disc in the closed
//   tray, settled: ready, no unit attention. Opening a drive is never a reset.
// - Closing the tray on a disc (START STOP UNIT load), or opening a source
//   whose image files changed since the state was written, is a media
//   change: NOT READY 2/04/01 for max(1, the descriptor's becoming-ready
//   polls) commands that need the medium, then UNIT ATTENTION 6/28/00 once
//   (to whichever process asks first), then ready.
// - resetEmulatedDrive() is a bus reset: UNIT ATTENTION 6/29/00 once.
// - A unit attention is reported to any command but INQUIRY and REQUEST
//   SENSE; REQUEST SENSE reports it (and clears it) itself.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "platform/scsi/transport.h"

namespace kel::emu {

// Opens the emulated drive whose medium is `source` (.iso, .cue or .emu).
// On failure returns nullptr and sets `error` to a text naming the file.
std::unique_ptr<scsi::Transport> openEmulatedDrive(const std::filesystem::path& source,
                                                   std::string& error);

// A drive of this process alone with its tray closed and nothing in it: what
// a configured drive stands for when its image cannot be read or its shared
// state cannot be kept.
std::unique_ptr<scsi::Transport> openEmptyDrive();

struct MediumView {
    bool trayOpen = false;
    bool discPresent = false;
    std::filesystem::path mountedFolder;  // empty when no folder or no disc
    std::string volumeLabel;
    std::uint64_t totalBytes = 0;  // user bytes of the disc's data (2048 per data sector)
};

// The drive's current state as a desktop would see it (drive type, mounted
// folder, label), read from the shared state without sending a command.
std::optional<MediumView> emulatedMedium(const std::filesystem::path& source, std::string& error);

// A bus reset of the drive, as the kernel's reset request makes it: play
// stops, the medium lock and the mode values return to their defaults, and
// the next command of any process sees UNIT ATTENTION 6/29/00. Opening the
// drive is never a reset. Returns an error text naming the file on failure.
std::optional<std::string> resetEmulatedDrive(const std::filesystem::path& source);

}  // namespace kel::emu
