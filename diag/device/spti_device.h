// The drive object over SCSI pass-through: drives found by letter, each
// command block sent with its sense area through the drive's transport.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <span>
#include <string>

#include "diag/device/command_device.h"
#include "diag/device/drive_access.h"
#include "platform/scsi/transport.h"

namespace kel::diag {

class SptiDevice final : public CommandDevice {
public:
    explicit SptiDevice(std::shared_ptr<const DriveAccess> access);

    bool FindFirst() override;
    bool FindNext() override;
    std::string AddressName() const override;
    bool Open() override;
    bool SetSpeed(int factor) override;
    std::string InterfaceName() const override { return "SPT 1.0"; }
    std::unique_ptr<CdDevice> Clone() const override;

    bool ExecuteCommand(DeviceCommand& command, bool handleErrors) override;

    // Fills registryName with the first hard disk's name.
    bool ScanRegistryName();

    bool isOpen() const { return transport_ != nullptr; }

    std::uint8_t driveLetter = 0;

    static constexpr std::chrono::milliseconds kTimeout{30000};

private:
    SptiDevice(const SptiDevice& source, CloneTag);

    bool sendOnce(DeviceCommand& command) override;
    void wait(std::chrono::milliseconds duration) const override { access_->clock->wait(duration); }
    const StringSource& senseTexts() const override { return access_->strings; }
    std::string messageName() const override { return DeviceDescription(); }
    std::string logAddress() const override {
        return std::string(1, static_cast<char>(driveLetter));
    }
    void useSpeedPage(std::uint8_t code, std::span<const std::uint8_t> page) override;
    void applyProfileDefaults() override;

    std::shared_ptr<const DriveAccess> access_;
    std::unique_ptr<scsi::Transport> transport_;
    // The transport error code of the last command (0 when it reached the
    // drive): an access denial has its own message.
    int lastTransportCode_ = 0;
};

}  // namespace kel::diag
