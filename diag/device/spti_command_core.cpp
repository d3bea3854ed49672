#include <cerrno>

#include "diag/device/spti_device.h"

namespace kel::diag {

bool SptiDevice::sendOnce(DeviceCommand& command) {
    if (!transport_) {
        lastTransportCode_ = ENODEV;
        return false;
    }
    scsi::Result result =
        transport_->execute(command.cdb.view(), command.direction, command.buffer, kTimeout);
    lastTransportCode_ = result.error.code;
    CommandEnd& end = command.end;
    end.reachedDrive = !result.transportFailed();
    end.status = result.status;
    if (result.checkCondition()) {
        end.hasSense = true;
        end.senseKey = result.sense.bytes[2];
        end.senseAsc = result.sense.asc();
        end.senseAscq = result.sense.ascq();
    }
    end.returned = end.reachedDrive ? result.transferred : 0;
    return result.ok();
}

bool SptiDevice::ExecuteCommand(DeviceCommand& command, bool handleErrors) {
    if (debugLevel > 1) {
        logCdb("SCSI Cmd: ", command.cdb);
    }
    int retriesLeft = kRetries;
    for (;;) {
        if (send(command)) {
            return true;
        }
        if (cancelled) {
            retriesLeft = 0;
        }
        if (!handleErrors) {
            return false;
        }
        storeSense(command.end);
        if (debugLevel > 1) {
            log("Command error: cmd=%x, block=%d, Status=%x, Sense=%x %x", command.cdb.opcode(),
                command.cdb.blockField(), command.end.status, senseAsc, senseAscq);
        }
        if (!retryAfterSense(command, retriesLeft)) {
            return false;
        }
    }
}

}  // namespace kel::diag
