#include "emu/drive/drive_model.h"

#include <algorithm>
#include <cerrno>

#include "emu/drive/audio_play.h"
#include "emu/drive/command_table.h"
#include "emu/drive/medium.h"
#include "platform/base/log.h"

namespace kel::emu {

namespace {

bool rejected(std::uint8_t opcode, const DriveDescription& drive) {
    const auto& list = drive.faults.rejectedOpcodes;
    return std::find(list.begin(), list.end(), opcode) != list.end();
}

// The central gate: unit attention first (a drive reports it before anything
// else), then the opcode, then the medium; only then the handler.
Outcome run(const CommandEntry* entry, DriveContext& context, const CommandData& command) {
    const bool ignoresAttention =
        entry != nullptr && (entry->flags & command_flag::kIgnoresAttention) != 0;
    if (!ignoresAttention) {
        if (auto attention = takeAttention(context.state)) {
            return fail(*attention);
        }
    }
    if (entry == nullptr || rejected(command.cdb[0], context.drive)) {
        return fail(sense::kInvalidOpcode);
    }
    if ((entry->flags & command_flag::kNeedsMedium) != 0) {
        if (auto notReady = admitToMedium(context)) {
            return fail(*notReady);
        }
    }
    return entry->handler(context, command);
}

// Hand-made discs (tests, tools) may leave the sessions to their tracks.
LoadedDrive withSessions(LoadedDrive loaded) {
    if (loaded.disc.sessions.empty()) {
        describeSessions(loaded.disc);
    }
    return loaded;
}

bool directionsConflict(scsi::Direction expected, scsi::Direction given) {
    return (expected == scsi::Direction::In && given == scsi::Direction::Out) ||
           (expected == scsi::Direction::Out && given == scsi::Direction::In);
}

}  // namespace

DriveModel::DriveModel(LoadedDrive loaded, std::string discIdentity,
                       std::optional<StateFile> stateFile, const Clock& clock)
    : loaded_(withSessions(std::move(loaded))),
      discIdentity_(std::move(discIdentity)),
      reader_(std::make_unique<SectorReader>(loaded_.disc)),
      stateFile_(std::move(stateFile)),
      ownState_(freshState(discIdentity_)),
      clock_(clock) {
    auto error = transact([this](DriveState& state) {
        if (state.discIdentity != discIdentity_) {
            if (!state.discIdentity.empty() && discPresent(loaded_.disc)) {
                beginMediaChange(state, loaded_.drive);
            }
            state.discIdentity = discIdentity_;
        }
    });
    if (error) {
        log::warning("emu", *error);
    }
}

scsi::Result heldTooLong() {
    scsi::Result result;
    result.status = scsi::status::kCheckCondition;
    const SenseCode code = sense::kLogicalUnitTimeout;
    result.sense = scsi::Sense::make(code.key, code.asc, code.ascq);
    return result;
}

std::optional<std::string> DriveModel::transact(const std::function<void(DriveState&)>& change,
                                                std::optional<std::chrono::milliseconds> lockWait,
                                                bool* timedOut) {
    if (!stateFile_) {
        change(ownState_);
        return std::nullopt;
    }
    return stateFile_->transact(freshState(discIdentity_), change, lockWait, timedOut);
}

DriveState DriveModel::freshState(const std::string& discIdentity) {
    DriveState state;
    state.discIdentity = discIdentity;
    return state;
}

scsi::Result DriveModel::execute(std::span<const std::uint8_t> cdb, scsi::Direction direction,
                                 std::span<std::uint8_t> buffer,
                                 std::chrono::milliseconds timeout) {
    scsi::Result result;
    if (cdb.empty() || cdb.size() > 16) {
        result.error = {EINVAL, "a CDB is 1 to 16 bytes long"};
        return result;
    }
    const CommandEntry* entry = findCommand(cdb[0], loaded_.drive);
    if (entry != nullptr && directionsConflict(entry->direction, direction) && !buffer.empty()) {
        result.error = {EINVAL, "the data direction does not match the command"};
        return result;
    }
    CommandData command{cdb, {}, {}};
    if (direction == scsi::Direction::In) {
        command.in = buffer;
    } else if (direction == scsi::Direction::Out) {
        command.out = buffer;
    }
    Outcome outcome;
    bool timedOut = false;
    auto error = transact(
        [&](DriveState& state) {
            DriveContext context{loaded_.drive, loaded_.disc, *reader_, state, clock_, lastSense_};
            settlePlay(context);
            if (entry != nullptr && cdb.size() < entry->cdbLength) {
                outcome = fail(sense::kInvalidField);
            } else {
                outcome = run(entry, context, command);
            }
        },
        timeout, &timedOut);
    if (timedOut) {
        return heldTooLong();
    }
    if (error) {
        result.error = {EIO, *error};
        return result;
    }
    lastSense_ = outcome.sense;
    result.status = outcome.sense ? scsi::status::kCheckCondition : scsi::status::kGood;
    if (outcome.sense) {
        result.sense = *outcome.sense;
    }
    result.transferred = outcome.transferred;
    result.overrun = outcome.overrun;
    return result;
}

std::optional<std::string> DriveModel::reset() {
    lastSense_.reset();
    return transact([](DriveState& state) {
        DriveState after;
        after.trayOpen = state.trayOpen;
        after.becomingReadyPolls = state.becomingReadyPolls;
        after.discIdentity = state.discIdentity;
        after.attention = Attention::Reset;
        state = after;
    });
}

}  // namespace kel::emu
