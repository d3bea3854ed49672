// The inner working of the ASPI-style manager: one host adapter whose
// targets are drives reached through the SCSI transport. Request blocks are
// checked before any of their fields is used, and what a request asks is
// taken from its block once, when it is accepted: a block changed (or sent
// again) while its request waits changes nothing of that request. Posted
// requests run in order on the adapter's own thread and signal their
// completion event, so a reset posted after a command completes only once
// that command has.
#pragma once

#include <array>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <span>
#include <thread>
#include <vector>

#include "platform/aspi/aspi_requests.h"
#include "platform/scsi/transport.h"

namespace kel::aspi {

// Opens a target's transport; null when the drive cannot be reached now.
using TargetOpener = std::function<std::unique_ptr<scsi::Transport>()>;

class HostAdapter {
public:
    // Target ids follow the order of `targets`; at most kMaxTargets are kept.
    // A drive that does not answer within `commandTimeout` ends its command
    // with HASTAT_COMMAND_TIMEOUT.
    explicit HostAdapter(std::vector<TargetOpener> targets,
                         std::chrono::milliseconds commandTimeout = kCommandTimeout);
    ~HostAdapter();
    HostAdapter(const HostAdapter&) = delete;
    HostAdapter& operator=(const HostAdapter&) = delete;

    std::uint32_t supportInfo() const;
    std::uint32_t send(void* request);

    static constexpr std::size_t kMaxTargets = 16;
    // Below the two minutes a program waits for a posted request, so that a
    // drive that hangs ends as a time-out status rather than an abandoned
    // block.
    static constexpr std::chrono::milliseconds kCommandTimeout{100000};

private:
    struct Target {
        TargetOpener open;
        std::unique_ptr<scsi::Transport> transport;
        int deviceType = -1;  // learnt from the first INQUIRY that answers
    };

    std::uint8_t targetIds() const;
    Target* target(std::uint8_t id, std::uint8_t lun);
    // One command on the target's drive, opened when it is not yet. A drive
    // that could not be opened, or that failed to take or give back a
    // command (its device node gone, its image unreadable), is opened afresh
    // for the next command, so that it answers again once it is back; one
    // that only timed out keeps its transport. Called with driveMutex_ held.
    scsi::Result execute(Target& target, std::span<const std::uint8_t> cdb,
                         scsi::Direction direction, std::span<std::uint8_t> buffer,
                         std::chrono::milliseconds timeout);

    std::uint32_t inquireAdapter(SrbHaInquiry& block) const;
    std::uint32_t deviceType(SrbGetDevType& block);
    // What an execute block asks, as it stood when the block was accepted.
    struct Command {
        std::uint8_t target = 0;
        scsi::Direction direction = scsi::Direction::None;
        std::array<std::uint8_t, kMaxCdbBytes> cdb{};
        std::uint8_t cdbLength = 0;
        std::uint8_t senseLength = 0;
        std::span<std::uint8_t> buffer;
    };

    std::uint32_t executeCommand(SrbExecScsiCmd& block);
    std::uint32_t resetDevice(SrbResetDev& block);
    void runCommand(const Command& command, SrbExecScsiCmd& block);

    // Runs `work` now, or on the adapter's thread when the block asks for
    // its completion event (`event` as the block named it when accepted).
    std::uint32_t dispatch(SrbHead& head, bool notify, std::int64_t event,
                           std::function<void()> work);
    void serve();

    std::vector<Target> targets_;
    std::chrono::milliseconds commandTimeout_;
    std::mutex driveMutex_;  // one command at a time reaches the drives

    std::mutex queueMutex_;
    std::condition_variable queued_;
    std::deque<std::function<void()>> queue_;
    bool stopping_ = false;
    std::thread worker_;
};

}  // namespace kel::aspi
