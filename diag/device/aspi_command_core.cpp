#include <algorithm>
#include <atomic>

#include "diag/device/aspi_device.h"

namespace kel::diag {

namespace {

constexpr std::uint8_t kSenseBytes = 14;  // through the ASC and ASCQ

std::uint8_t statusOf(aspi::SrbHead& head) {
    // The manager's thread writes the status just before it signals.
    return std::atomic_ref<std::uint8_t>(head.SRB_Status).load();
}

}  // namespace

bool AspiDevice::awaitCompletion(aspi::SrbHead& head,
                                 std::optional<std::chrono::milliseconds> timeout) {
    using Clock = std::chrono::steady_clock;
    Clock::time_point deadline = Clock::now() + timeout.value_or(std::chrono::milliseconds{0});
    aspi::CompletionEvent& event = *access_->completion;
    for (;;) {
        std::optional<std::chrono::milliseconds> left;
        if (timeout) {
            left = std::max(
                std::chrono::milliseconds{0},
                std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()));
        }
        if (!event.wait(left)) {
            return false;
        }
        // The event is one for the process: a block that completed late
        // (after its own wait gave up) may have signalled it, so only this
        // block's status says that this block is done.
        event.reset();
        if (statusOf(head) != aspi::SS_PENDING) {
            return true;
        }
    }
}

AspiDevice::Submission AspiDevice::submit(aspi::SrbHead& head, void* block,
                                          std::optional<std::chrono::milliseconds> timeout) {
    access_->completion->reset();
    lastSendResult_ = access_->manager.SendASPI32Command(block);
    if (lastSendResult_ == aspi::SS_PENDING) {
        return awaitCompletion(head, timeout) ? Submission::Completed : Submission::TimedOut;
    }
    return lastSendResult_ == aspi::SS_COMP ? Submission::Completed : Submission::Refused;
}

aspi::SrbExecScsiCmd AspiDevice::execBlock(const DeviceCommand& command) const {
    auto srb = aspi::makeRequest<aspi::SrbExecScsiCmd>(aspi::SC_EXEC_SCSI_CMD,
                                                       static_cast<std::uint8_t>(adapter));
    srb.SRB_Target = static_cast<std::uint8_t>(target);
    srb.SRB_Lun = 0;
    srb.head.SRB_Flags = aspi::SRB_EVENT_NOTIFY;
    if (command.direction == scsi::Direction::In) {
        srb.head.SRB_Flags |= aspi::SRB_DIR_IN;
    } else if (command.direction == scsi::Direction::Out) {
        srb.head.SRB_Flags |= aspi::SRB_DIR_OUT;
    }
    if (command.direction != scsi::Direction::None) {
        srb.SRB_BufLen = static_cast<std::uint32_t>(command.buffer.size());
        srb.SRB_BufPointer = command.buffer.data();
    }
    srb.SRB_SenseLen = kSenseBytes;
    srb.SRB_CDBLen = static_cast<std::uint8_t>(command.cdb.length);
    srb.SRB_PostProc = access_->completion->handle();
    std::copy_n(command.cdb.bytes.begin(), command.cdb.length, srb.CDBByte);
    return srb;
}

bool AspiDevice::sendOnce(DeviceCommand& command) {
    aspi::SrbExecScsiCmd srb = execBlock(command);
    lastHaStat_ = 0;
    lastSubmission_ = submit(srb.head, &srb, access_->commandTimeout);
    if (lastSubmission_ == Submission::TimedOut) {
        // The manager still holds this block: a reset, posted behind it,
        // completes only after it, so the block is finished before it goes.
        ResetDevice();
        return false;
    }
    if (lastSubmission_ == Submission::Refused) {
        return false;
    }
    std::uint8_t status = srb.head.SRB_Status;
    lastHaStat_ = srb.SRB_HaStat;
    CommandEnd& end = command.end;
    end.status = status;
    end.reachedDrive = !(status == aspi::SS_ERR && srb.SRB_HaStat != aspi::HASTAT_OK);
    end.hasSense = status == aspi::SS_ERR && srb.SRB_HaStat == aspi::HASTAT_OK;
    if (end.hasSense) {
        end.senseKey = srb.SenseArea[2];
        end.senseAsc = srb.SenseArea[12];
        end.senseAscq = srb.SenseArea[13];
    }
    end.returned = srb.SRB_Transferred;
    return status == aspi::SS_COMP;
}

bool AspiDevice::statusFailure(std::uint8_t status) {
    if (debugLevel > 0) {
        log("Status returned from ASPI: %02x", status);
    }
    senseKey = 0xFF;
    senseAsc = 0xFF;
    senseAscq = status;
    return false;
}

bool AspiDevice::ExecuteCommand(DeviceCommand& command, bool handleErrors) {
    if (debugLevel > 1) {
        logCdb("SCSI Cmd: ", command.cdb);
    }
    int retriesLeft = kRetries;
    for (;;) {
        if (send(command)) {
            return true;
        }
        if (lastSubmission_ == Submission::TimedOut) {
            if (debugLevel > 0) {
                log("Timeout on ASPI request after 2 minutes for %d:%d", adapter, target);
            }
            return false;
        }
        if (lastSubmission_ == Submission::Refused) {
            if (debugLevel > 0) {
                log("Initial failure returned by %02x command, error=%x", command.cdb.opcode(),
                    lastSendResult_);
            }
            return false;
        }
        if (cancelled) {
            retriesLeft = 0;
        }
        auto status = static_cast<std::uint8_t>(command.end.status);
        if (status == aspi::SS_ABORTED) {
            if (retriesLeft-- > 0) {
                continue;
            }
            return statusFailure(status);
        }
        if (status != aspi::SS_ERR) {
            return statusFailure(status);
        }
        if (!handleErrors) {
            return false;
        }
        if (lastHaStat_ != aspi::HASTAT_OK) {
            if (lastHaStat_ == aspi::HASTAT_TIMEOUT ||
                lastHaStat_ == aspi::HASTAT_COMMAND_TIMEOUT) {
                return false;
            }
            if (retriesLeft-- > 0) {
                continue;
            }
            if (debugLevel > 0) {
                log("Host Adapter status error: %02x", lastHaStat_);
            }
            ResetDevice();
            return false;
        }
        storeSense(command.end);
        if (debugLevel > 1) {
            log("Command error: cmd=%x, block=%d, status=%x, Sense=%x %x", command.cdb.opcode(),
                command.cdb.blockField(), status, senseAsc, senseAscq);
        }
        if (!retryAfterSense(command, retriesLeft)) {
            return false;
        }
    }
}

bool AspiDevice::ResetDevice() {
    auto srb = aspi::makeRequest<aspi::SrbResetDev>(aspi::SC_RESET_DEV,
                                                    static_cast<std::uint8_t>(adapter));
    srb.SRB_Target = static_cast<std::uint8_t>(target);
    srb.head.SRB_Flags = aspi::SRB_EVENT_NOTIFY;
    srb.SRB_PostProc = access_->completion->handle();
    // No limit on this wait: the block lives on this stack until the
    // manager is done with it.
    if (submit(srb.head, &srb, std::nullopt) != Submission::Completed) {
        if (debugLevel > 0) {
            log("Initial failure returned by ResetDevice command, error=%x", lastSendResult_);
        }
        return false;
    }
    return srb.SRB_HaStat == aspi::HASTAT_OK && srb.head.SRB_Status == aspi::SS_COMP;
}

int AspiDevice::MaxTargets() {
    auto srb = aspi::makeRequest<aspi::SrbHaInquiry>(aspi::SC_HA_INQUIRY,
                                                     static_cast<std::uint8_t>(adapter));
    access_->manager.SendASPI32Command(&srb);
    std::uint8_t targets = srb.HA_Unique[3];
    return targets == 8 || targets == 16 ? targets : 8;
}

}  // namespace kel::diag
