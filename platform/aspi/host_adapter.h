// The inner working of the ASPI-style manager: one host adapter whose
// targets are drives reached through the SCSI transport. Request blocks are
// checked before any of their fields is used, and what a request asks is
// taken from its block once, when it is accepted: a block changed while its
// request waits changes nothing of that request, and a block sent again
// while it is still pending is refused without a word written into it.
// Each target serves its requests in order on its own thread (a reset
// posted after a command completes only once that command has), and every
// request ends by its bound, whatever its drive does: the drive works on
// the manager's own copy of the data, so that an answer that comes too late
// never reaches a block the program has been given back.
#pragma once

#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <vector>

#include "platform/aspi/aspi_requests.h"
#include "platform/aspi/request_queues.h"
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
        std::unique_ptr<scsi::Transport> transport;  // used on the target's thread only
        std::atomic<int> deviceType{-1};             // learnt from the first INQUIRY that answers
    };

    std::uint8_t targetIds() const;
    Target* target(std::uint8_t id, std::uint8_t lun);
    // One command on the target's drive, opened when it is not yet. A drive
    // that could not be opened, or that failed to take or give back a
    // command (its device node gone, its image unreadable), is opened afresh
    // for the next command, so that it answers again once it is back; one
    // that only timed out keeps its transport. On the target's thread.
    static scsi::Result execute(Target& target, std::span<const std::uint8_t> cdb,
                                scsi::Direction direction, std::span<std::uint8_t> buffer,
                                std::chrono::milliseconds timeout);

    // What an execute block asks, as it stood when the block was accepted.
    struct Command {
        std::uint8_t target = 0;
        scsi::Direction direction = scsi::Direction::None;
        std::array<std::uint8_t, kMaxCdbBytes> cdb{};
        std::uint8_t cdbLength = 0;
        std::uint8_t senseLength = 0;
        std::span<std::uint8_t> buffer;  // the program's
    };

    std::uint32_t inquireAdapter(SrbHaInquiry& block) const;
    std::uint32_t deviceType(SrbGetDevType& block);
    std::uint32_t executeCommand(SrbExecScsiCmd& block);
    std::uint32_t resetDevice(SrbResetDev& block);

    // Queues the request on its target: a block that asks for its completion
    // event returns SS_PENDING at once, any other once its request ended.
    std::uint32_t submit(std::uint8_t target, SrbHead& head, bool notify, std::int64_t event,
                         const std::shared_ptr<QueuedRequest>& request);

    std::vector<std::unique_ptr<Target>> targets_;
    std::chrono::milliseconds commandTimeout_;
    // Declared after the targets: its threads end before the targets go.
    RequestQueues queues_;
};

}  // namespace kel::aspi
