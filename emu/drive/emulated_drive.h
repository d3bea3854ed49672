// The emulated MMC drive as the rest of the system sees it: a SCSI transport
// for one drive letter, and the medium state that platform/drives reports.
// One emulated drive is one drive for every process: its tray, medium and
// lock state live in a state file (with a lock) in the runtime folder.
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

}  // namespace kel::emu
