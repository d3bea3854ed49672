// One emulated MMC drive as one process sees it: the disc it was opened on,
// its private last sense, and the shared state file through which it is the
// same drive for every process. Commands are serialised by the caller.
#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>

#include "emu/disc/descriptor.h"
#include "emu/drive/clock.h"
#include "emu/drive/state_file.h"
#include "platform/scsi/transport.h"

namespace kel::emu {

// A command that could not have the drive within its time-out: the drive
// gives up on it (ABORTED COMMAND, timeout on logical unit), as a drive
// busy with another initiator's long command does.
scsi::Result heldTooLong();

class DriveModel {
public:
    // `discIdentity` names the image's content (a new one is a disc change
    // for a drive whose state says otherwise). `clock` outlives the model.
    // Without a state file the drive is this process's alone.
    DriveModel(LoadedDrive loaded, std::string discIdentity, std::optional<StateFile> stateFile,
               const Clock& clock);

    // `timeout` also bounds the wait for the shared state: a drive that
    // another process holds for longer ends the command with heldTooLong().
    scsi::Result execute(std::span<const std::uint8_t> cdb, scsi::Direction direction,
                         std::span<std::uint8_t> buffer, std::chrono::milliseconds timeout);

    // A bus reset: play stops, the lock and the mode values return to their
    // defaults, and the next command sees 6/29/00.
    std::optional<std::string> reset();

    // The state the drive starts from when no process has used it yet: the
    // disc has been in the closed tray since power-on and has settled.
    static DriveState freshState(const std::string& discIdentity);

private:
    std::optional<std::string> transact(
        const std::function<void(DriveState&)>& change,
        std::optional<std::chrono::milliseconds> lockWait = std::nullopt, bool* timedOut = nullptr);

    LoadedDrive loaded_;
    std::string discIdentity_;
    std::unique_ptr<SectorReader> reader_;
    std::optional<StateFile> stateFile_;
    DriveState ownState_;
    const Clock& clock_;
    std::optional<scsi::Sense> lastSense_;
};

}  // namespace kel::emu
