// The drive object over the ASPI manager: CD drives found as targets of the
// manager's host adapters and addressed as adapter:target (logical unit 0),
// each command sent as a request block and waited for through the
// completion event.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>

#include "diag/device/aspi_access.h"
#include "diag/device/command_device.h"
#include "platform/aspi/aspi_requests.h"
#include "platform/aspi/completion_event.h"

namespace kel::diag {

class AspiDevice final : public CommandDevice {
public:
    explicit AspiDevice(std::shared_ptr<const AspiAccess> access);

    bool FindFirst() override;
    bool FindNext() override;
    std::string AddressName() const override;
    bool Open() override;
    bool SetSpeed(int factor) override;
    std::string InterfaceName() const override;
    std::unique_ptr<CdDevice> Clone() const override;

    bool ExecuteCommand(DeviceCommand& command, bool handleErrors) override;
    bool Seek(std::uint32_t block) override;
    // Bus device reset of the current target; true when the adapter did it.
    bool ResetDevice();
    // The number of target ids to scan on the current adapter: 8 or 16.
    int MaxTargets();

    std::int32_t adapter = -1;
    std::int32_t target = -1;

private:
    // How the manager took the last request block.
    enum class Submission { Completed, TimedOut, Refused };

    AspiDevice(const AspiDevice& source, CloneTag);

    bool sendOnce(DeviceCommand& command) override;
    void wait(std::chrono::milliseconds duration) const override { access_->clock->wait(duration); }
    const StringSource& senseTexts() const override { return access_->strings; }
    std::string messageName() const override { return AddressName(); }
    std::string logAddress() const override { return AddressName(); }
    std::optional<CommandBlock> trackInfoCommand(std::uint16_t track) const override;
    void beginPageWalk() override { speedKind_ = profile->SpeedCode; }
    void useSpeedPage(std::uint8_t code, std::span<const std::uint8_t> page) override;
    void endPageWalk() override;

    // Hands the block (whose head is `head`) to the manager and waits for a
    // posted one, at most the command time-out; a block whose wait gives up
    // is kept alive until the manager is done with it.
    Submission submit(std::shared_ptr<void> block, aspi::SrbHead& head);
    bool awaitCompletion(aspi::SrbHead& head, std::optional<std::chrono::milliseconds> timeout);
    std::shared_ptr<aspi::SrbExecScsiCmd> execBlock(const DeviceCommand& command) const;
    bool statusFailure(std::uint8_t status);
    // A failure the drive gave no sense for: the sense bytes say 0xFF, 0xFF
    // and `code` (an ASPI status or host adapter status). Always false.
    bool noDriveSense(std::uint8_t code);

    // The scan: the next position not on a bypassed adapter, and the probe
    // of a position.
    bool advance(std::uint32_t bypass);
    bool probe(std::uint32_t bypass);

    std::shared_ptr<const AspiAccess> access_;
    // Every device, clones included, waits on an event of its own: were it
    // shared, a command of another device (on another thread) would reset
    // it between this command's completion and its wait, and a command the
    // drive completed would end as a time-out.
    std::shared_ptr<aspi::CompletionEvent> completion_ = std::make_shared<aspi::CompletionEvent>();
    // Of the last command sent.
    Submission lastSubmission_ = Submission::Completed;
    std::uint32_t lastSendResult_ = 0;
    std::uint8_t lastHaStat_ = 0;
    // Open's speed kind while it walks the mode pages.
    std::uint8_t speedKind_ = 0xFF;
};

}  // namespace kel::diag
