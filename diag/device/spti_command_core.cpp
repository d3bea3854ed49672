#include <algorithm>
#include <cerrno>
#include <cstdio>

#include "diag/device/sense_text.h"
#include "diag/device/spti_device.h"

namespace kel::diag {

namespace {

using namespace std::chrono_literals;

constexpr int kReadyPolls = 12;
constexpr int kTestUnitReadyAttempts = 3;

}  // namespace

std::span<std::uint8_t> SptiRequest::returned() const {
    if (result.transportFailed()) {
        return {};
    }
    return buffer.first(std::min(result.transferred, buffer.size()));
}

void SptiDevice::send(SptiRequest& request) {
    if (!transport_) {
        request.result = scsi::Result{};
        request.result.error = scsi::TransportError{ENODEV, "the drive is not open"};
        lastReturned_ = 0;
        lastTransportCode_ = ENODEV;
        return;
    }
    request.result =
        transport_->execute(request.cdb.view(), request.direction, request.buffer, kTimeout);
    lastReturned_ = request.returned().size();
    lastTransportCode_ = request.result.error.code;
}

void SptiDevice::storeSense(const scsi::Result& result) {
    // A command that never reached the drive leaves a zeroed sense area.
    scsi::Sense sense = result.checkCondition() ? result.sense : scsi::Sense{};
    senseKey = sense.bytes[2];
    senseAsc = sense.asc();
    senseAscq = sense.ascq();
}

void SptiDevice::logCdb(const char* prefix, const CommandBlock& cdb) const {
    std::string bytes;
    char hex[4];
    for (std::uint8_t byte : cdb.view()) {
        std::snprintf(hex, sizeof hex, "%02x ", byte);
        bytes += hex;
    }
    log("%s%s", prefix, bytes.c_str());
}

bool SptiDevice::ExecuteCommand(SptiRequest& request, bool handleErrors) {
    if (debugLevel > 1) {
        logCdb("SCSI Cmd: ", request.cdb);
    }
    int retriesLeft = kRetries;
    for (;;) {
        send(request);
        if (request.result.ok()) {
            return true;
        }
        if (cancelled) {
            retriesLeft = 0;
        }
        if (!handleErrors) {
            return false;
        }
        storeSense(request.result);
        if (debugLevel > 1) {
            log("Command error: cmd=%x, block=%d, Status=%x, Sense=%x %x", request.cdb.opcode(),
                request.cdb.blockField(), request.result.status, senseAsc, senseAscq);
        }
        if (debugLevel > 0 && senseAsc == 0x24) {
            logCdb("Failing SCSI Cmd CDB: ", request.cdb);
        }
        if (senseKeyCode() == 6 && (senseAsc == 0x28 || senseAsc == 0x29)) {
            wait(500ms);
            if (retriesLeft-- > 0) {
                continue;
            }
            return false;
        }
        if (senseAsc == 0x04) {
            for (int poll = 0; poll < kReadyPolls; ++poll) {
                wait(250ms);
                if (TestUnitReady()) {
                    break;
                }
            }
            if (retriesLeft-- > 0) {
                continue;
            }
            return false;
        }
        if (senseAsc == 0x3A && !quiet) {
            // Every OK sends the command again without counting a retry:
            // the user decides how long to keep trying.
            if (show(3010, {DeviceDescription()}, MessageButtons::OkCancel) ==
                MessageAnswer::Cancel) {
                cancelled = 1;
                return false;
            }
            continue;
        }
        return false;
    }
}

bool SptiDevice::TestUnitReady() {
    SptiRequest request{testUnitReadyCommand(), scsi::Direction::None, {}, {}};
    for (int attempt = 1;; ++attempt) {
        send(request);
        if (request.result.ok()) {
            return true;
        }
        if (attempt == kTestUnitReadyAttempts) {
            storeSense(request.result);
            return false;
        }
        wait(100ms);
    }
}

ModeSelectOutcome SptiDevice::ModeSelect(const ModeParameters& parameters) {
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
        SptiRequest request{
            modeSelectCommand(p.Mode10 != 0, static_cast<std::uint16_t>(list.size())),
            scsi::Direction::Out,
            list,
            {}};
        if (ExecuteCommand(request, true)) {
            if (debugLevel > 0) {
                log("Mode Select succeeded.");
            }
            modeSelectDone = 1;
            return ModeSelectOutcome::Accepted;
        }
        if (request.result.transportFailed()) {
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
                log("Mode select command %x failed, changing to 10-byte cmd", request.cdb.opcode());
            }
            p.Mode10 = 1;
            p.modified = 1;
            continue;
        }
        if (!quiet) {
            show(3008, {DeviceDescription(), std::int64_t{request.cdb.opcode()}, SenseString()});
        } else if (debugLevel > 0) {
            log("Error from Mode Select (%02x): %x %s", request.cdb.opcode(), request.result.status,
                SenseString().c_str());
        }
        return ModeSelectOutcome::Rejected;
    }
}

std::string SptiDevice::senseStringOf(std::uint8_t asc, std::uint8_t ascq) const {
    return senseString(access_->strings, asc, ascq);
}

std::string SptiDevice::SenseString() const {
    return senseStringOf(senseAsc, senseAscq);
}

}  // namespace kel::diag
