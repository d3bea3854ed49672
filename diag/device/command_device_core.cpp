#include <cstdio>

#include "diag/device/command_device.h"
#include "diag/device/sense_text.h"

namespace kel::diag {

namespace {

using namespace std::chrono_literals;

constexpr int kReadyPolls = 12;
constexpr int kTestUnitReadyAttempts = 3;

}  // namespace

bool CommandDevice::send(DeviceCommand& command) {
    command.end = CommandEnd{};
    bool ok = sendOnce(command);
    command.end.returned = std::min(command.end.returned, command.buffer.size());
    lastReturned_ = command.end.returned;
    return ok;
}

void CommandDevice::storeSense(const CommandEnd& end) {
    // A command that never reached the drive leaves a zeroed sense area.
    senseKey = end.hasSense ? end.senseKey : 0;
    senseAsc = end.hasSense ? end.senseAsc : 0;
    senseAscq = end.hasSense ? end.senseAscq : 0;
}

bool CommandDevice::commandNotSupported() {
    senseKey = 5;
    senseAsc = 0x20;
    senseAscq = 0;
    return false;
}

void CommandDevice::logCdb(const char* prefix, const CommandBlock& cdb) const {
    std::string bytes;
    char hex[4];
    for (std::uint8_t byte : cdb.view()) {
        std::snprintf(hex, sizeof hex, "%02x ", byte);
        bytes += hex;
    }
    log("%s%s", prefix, bytes.c_str());
}

bool CommandDevice::retryAfterSense(const DeviceCommand& command, int& retriesLeft) {
    if (debugLevel > 0 && senseAsc == 0x24) {
        logCdb("Failing SCSI Cmd CDB: ", command.cdb);
    }
    if (senseKeyCode() == 6 && (senseAsc == 0x28 || senseAsc == 0x29)) {
        wait(500ms);
        return retriesLeft-- > 0;
    }
    if (senseAsc == 0x04) {
        for (int poll = 0; poll < kReadyPolls; ++poll) {
            wait(250ms);
            if (TestUnitReady()) {
                break;
            }
        }
        return retriesLeft-- > 0;
    }
    if (senseAsc == 0x3A && !quiet) {
        // Every OK sends the command again without counting a retry: the
        // user decides how long to keep trying.
        if (show(3010, {DeviceDescription()}, MessageButtons::OkCancel) == MessageAnswer::Cancel) {
            cancelled = 1;
            return false;
        }
        return true;
    }
    return false;
}

bool CommandDevice::TestUnitReady() {
    DeviceCommand command{testUnitReadyCommand(), scsi::Direction::None, {}, {}};
    for (int attempt = 1;; ++attempt) {
        if (send(command)) {
            return true;
        }
        if (attempt == kTestUnitReadyAttempts) {
            storeSense(command.end);
            return false;
        }
        wait(100ms);
    }
}

ModeSelectOutcome CommandDevice::ModeSelect(const ModeParameters& parameters) {
    DeviceProfile& p = *profile;
    int retriesLeft = kRetries;
    bool lengthPrefixSwitchedOff = false;
    for (;;) {
        // Built afresh on every attempt: a switch to the 10-byte command
        // needs the list in the 10-byte form.
        std::vector<std::uint8_t> list = buildModeParameterList(parameters, p.Mode10 != 0);
        if (debugLevel > 0) {
            dump(list, "Mode Select Command Data");
        }
        if (!p.ModeLen) {
            list[0] = 0;
            list[1] = 0;
        }
        DeviceCommand command{
            modeSelectCommand(p.Mode10 != 0, static_cast<std::uint16_t>(list.size())),
            scsi::Direction::Out,
            list,
            {}};
        if (ExecuteCommand(command, true)) {
            if (debugLevel > 0) {
                log("Mode Select succeeded.");
            }
            modeSelectDone = 1;
            return ModeSelectOutcome::Accepted;
        }
        if (!command.end.reachedDrive) {
            return ModeSelectOutcome::Failed;
        }
        std::uint8_t key = senseKeyCode();
        if (key == 0 && senseAsc == 0) {
            if (retriesLeft-- > 0) {
                continue;
            }
            return ModeSelectOutcome::Failed;
        }
        if (key == 5 && senseAsc == 0x26 && !modeSelectDone) {
            if (p.ModeLen) {
                if (debugLevel > 0) {
                    log("Received failure from mode select, turning length prefix off");
                }
                p.ModeLen = 0;
                p.modified = 1;
                lengthPrefixSwitchedOff = true;
                continue;
            }
            if (lengthPrefixSwitchedOff) {
                p.ModeLen = 1;
            }
            if (debugLevel > 0) {
                dump(list, "Failed Mode Select");
            }
        }
        if (key == 5 && (senseAsc == 0x20 || senseAsc == 0x1A) && !p.Mode10 && !modeSelectDone) {
            if (debugLevel > 0) {
                log("Mode select command %x failed, changing to 10-byte cmd", command.cdb.opcode());
            }
            p.Mode10 = 1;
            p.modified = 1;
            continue;
        }
        if (!quiet) {
            show(3008, {messageName(), std::int64_t{command.cdb.opcode()}, SenseString()});
        } else if (debugLevel > 0) {
            log("Error from Mode Select (%02x): %x %s", command.cdb.opcode(), command.end.status,
                SenseString().c_str());
        }
        return ModeSelectOutcome::Rejected;
    }
}

std::string CommandDevice::senseStringOf(std::uint8_t asc, std::uint8_t ascq) const {
    return senseString(senseTexts(), asc, ascq);
}

std::string CommandDevice::SenseString() const {
    return senseStringOf(senseAsc, senseAscq);
}

}  // namespace kel::diag
