// The inner working of the ASPI-style manager: one host adapter whose
// targets are drives reached through the SCSI transport. Request blocks are
// checked before any of their fields is used; posted requests run in order
// on the adapter's own thread and signal their completion event, so a
// reset posted after a command completes only once that command has.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
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
    explicit HostAdapter(std::vector<TargetOpener> targets);
    ~HostAdapter();
    HostAdapter(const HostAdapter&) = delete;
    HostAdapter& operator=(const HostAdapter&) = delete;

    std::uint32_t supportInfo() const;
    std::uint32_t send(void* request);

    static constexpr std::size_t kMaxTargets = 16;

private:
    struct Target {
        TargetOpener open;
        std::unique_ptr<scsi::Transport> transport;
        int deviceType = -1;  // learnt from the first INQUIRY that answers
    };

    std::uint8_t targetIds() const;
    Target* target(std::uint8_t id, std::uint8_t lun);
    scsi::Transport* transportOf(Target& target);

    std::uint32_t inquireAdapter(SrbHaInquiry& block) const;
    std::uint32_t deviceType(SrbGetDevType& block);
    std::uint32_t executeCommand(SrbExecScsiCmd& block);
    std::uint32_t resetDevice(SrbResetDev& block);
    void runCommand(SrbExecScsiCmd& block);

    // Runs `work` now, or on the adapter's thread when the block asks for
    // its completion event, then finishes with `status` semantics.
    std::uint32_t dispatch(SrbHead& head, std::int64_t event, std::function<void()> work);
    void serve();

    std::vector<Target> targets_;
    std::mutex driveMutex_;  // one command at a time reaches the drives

    std::mutex queueMutex_;
    std::condition_variable queued_;
    std::deque<std::function<void()>> queue_;
    bool stopping_ = false;
    std::thread worker_;
};

}  // namespace kel::aspi
