#include <algorithm>
#include <atomic>
#include <mutex>
#include <vector>

#include "diag/device/aspi_device.h"

namespace kel::diag {

namespace {

constexpr std::uint8_t kSenseBytes = 14;  // through the ASC and ASCQ

std::uint8_t statusOf(const aspi::SrbHead& head) {
    // The manager's thread writes the status last, just before it signals.
    return std::atomic_ref<const std::uint8_t>(head.SRB_Status).load(std::memory_order_acquire);
}

// Blocks whose wait gave up while the manager still held them: they and
// their completion event stay alive until the manager has written their
// status, so that its late signal never reaches a descriptor that was
// closed and given to another event.
class HeldBlocks {
public:
    void keep(std::shared_ptr<void> block, const aspi::SrbHead& head,
              std::shared_ptr<aspi::CompletionEvent> event) {
        std::lock_guard lock(mutex_);
        blocks_.push_back({std::move(block), &head, std::move(event)});
    }
    void releaseFinished() {
        std::lock_guard lock(mutex_);
        std::erase_if(blocks_,
                      [](const Held& held) { return statusOf(*held.head) != aspi::SS_PENDING; });
    }

private:
    struct Held {
        std::shared_ptr<void> block;
        const aspi::SrbHead* head;
        std::shared_ptr<aspi::CompletionEvent> event;
    };
    std::mutex mutex_;
    std::vector<Held> blocks_;
};

HeldBlocks& heldBlocks() {
    static HeldBlocks held;
    return held;
}

}  // namespace

bool AspiDevice::awaitCompletion(aspi::SrbHead& head,
                                 std::optional<std::chrono::milliseconds> timeout) {
    using Clock = std::chrono::steady_clock;
    Clock::time_point deadline = Clock::now() + timeout.value_or(std::chrono::milliseconds{0});
    aspi::CompletionEvent& event = *completion_;
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
        // A block of this device that completed late (after its own wait
        // gave up) may have signalled the event, so only this block's
        // status says that this block is done.
        event.reset();
        if (statusOf(head) != aspi::SS_PENDING) {
            return true;
        }
    }
}

AspiDevice::Submission AspiDevice::submit(std::shared_ptr<void> block, aspi::SrbHead& head) {
    heldBlocks().releaseFinished();
    completion_->reset();
    lastSendResult_ = access_->manager.SendASPI32Command(block.get());
    if (lastSendResult_ == aspi::SS_PENDING) {
        if (awaitCompletion(head, access_->commandTimeout)) {
            return Submission::Completed;
        }
        heldBlocks().keep(std::move(block), head, completion_);
        return Submission::TimedOut;
    }
    return lastSendResult_ == aspi::SS_COMP ? Submission::Completed : Submission::Refused;
}

std::shared_ptr<aspi::SrbExecScsiCmd> AspiDevice::execBlock(const DeviceCommand& command) const {
    auto block = std::make_shared<aspi::SrbExecScsiCmd>(aspi::makeRequest<aspi::SrbExecScsiCmd>(
        aspi::SC_EXEC_SCSI_CMD, static_cast<std::uint8_t>(adapter)));
    aspi::SrbExecScsiCmd& srb = *block;
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
    srb.SRB_PostProc = completion_->handle();
    std::copy_n(command.cdb.bytes.begin(), command.cdb.length, srb.CDBByte);
    return block;
}

bool AspiDevice::sendOnce(DeviceCommand& command) {
    std::shared_ptr<aspi::SrbExecScsiCmd> block = execBlock(command);
    const aspi::SrbExecScsiCmd& srb = *block;
    lastHaStat_ = 0;
    lastSubmission_ = submit(block, block->head);
    if (lastSubmission_ == Submission::TimedOut) {
        // The manager still holds the block, which is kept until it is done.
        ResetDevice();
        return false;
    }
    if (lastSubmission_ == Submission::Refused) {
        return false;
    }
    std::uint8_t status = srb.head.SRB_Status;
    // Replies are shorter than the allocation length as a rule: the drive
    // answered in full, with fewer bytes than the buffer holds.
    if (status == aspi::SS_ERR && srb.SRB_HaStat == aspi::HASTAT_DO_DU && srb.SRB_TargStat == 0 &&
        srb.SRB_Transferred < srb.SRB_BufLen) {
        status = aspi::SS_COMP;
    }
    lastHaStat_ = status == aspi::SS_COMP ? aspi::HASTAT_OK : srb.SRB_HaStat;
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
    return noDriveSense(status);
}

bool AspiDevice::noDriveSense(std::uint8_t code) {
    senseKey = 0xFF;
    senseAsc = 0xFF;
    senseAscq = code;
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
        // The sense of a command the drive never answered says so; the
        // previous command's sense would tell of something else.
        if (lastSubmission_ == Submission::TimedOut) {
            if (debugLevel > 0) {
                log("Timeout on ASPI request after 2 minutes for %d:%d", adapter, target);
            }
            return noDriveSense(aspi::HASTAT_COMMAND_TIMEOUT);
        }
        if (lastSubmission_ == Submission::Refused) {
            if (debugLevel > 0) {
                log("Initial failure returned by %02x command, error=%x", command.cdb.opcode(),
                    lastSendResult_);
            }
            return noDriveSense(static_cast<std::uint8_t>(lastSendResult_));
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
                return noDriveSense(lastHaStat_);
            }
            if (retriesLeft-- > 0) {
                continue;
            }
            if (debugLevel > 0) {
                log("Host Adapter status error: %02x", lastHaStat_);
            }
            ResetDevice();
            return noDriveSense(lastHaStat_);
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
    auto block = std::make_shared<aspi::SrbResetDev>(aspi::makeRequest<aspi::SrbResetDev>(
        aspi::SC_RESET_DEV, static_cast<std::uint8_t>(adapter)));
    aspi::SrbResetDev& srb = *block;
    srb.SRB_Target = static_cast<std::uint8_t>(target);
    srb.head.SRB_Flags = aspi::SRB_EVENT_NOTIFY;
    srb.SRB_PostProc = completion_->handle();
    const Submission submission = submit(block, srb.head);
    if (submission == Submission::Refused && debugLevel > 0) {
        log("Initial failure returned by ResetDevice command, error=%x", lastSendResult_);
    }
    return submission == Submission::Completed && srb.SRB_HaStat == aspi::HASTAT_OK &&
           srb.head.SRB_Status == aspi::SS_COMP;
}

// Seek names the data-in direction without a buffer.
bool AspiDevice::Seek(std::uint32_t block) {
    DeviceCommand request{seekCommand(block), scsi::Direction::In, {}, {}};
    return ExecuteCommand(request, true);
}

int AspiDevice::MaxTargets() {
    auto srb = aspi::makeRequest<aspi::SrbHaInquiry>(aspi::SC_HA_INQUIRY,
                                                     static_cast<std::uint8_t>(adapter));
    access_->manager.SendASPI32Command(&srb);
    std::uint8_t targets = srb.HA_Unique[3];
    return targets == 8 || targets == 16 ? targets : 8;
}

}  // namespace kel::diag
