// The drive object over SCSI pass-through: drives found by letter, each
// command block sent with its sense area through the drive's transport, the
// retry rules of the command core, and the profile-driven command forms.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <span>
#include <string>

#include "diag/device/cd_device.h"
#include "diag/device/command_blocks.h"
#include "diag/device/drive_access.h"
#include "diag/device/mode_data.h"
#include "platform/scsi/transport.h"

namespace kel::diag {

// One command: its block, the data's direction and buffer, and how it ended.
struct SptiRequest {
    CommandBlock cdb;
    scsi::Direction direction = scsi::Direction::None;
    std::span<std::uint8_t> buffer;
    scsi::Result result;

    // The bytes the drive really returned, within the buffer.
    std::span<std::uint8_t> returned() const;
};

// How a MODE SELECT ended: the drive took the list; the drive refused it and
// that was reported (message or log); or it could not be sent at all.
enum class ModeSelectOutcome { Accepted, Rejected, Failed };

class SptiDevice final : public CdDevice {
public:
    explicit SptiDevice(std::shared_ptr<const DriveAccess> access);

    bool FindFirst() override;
    bool FindNext() override;
    std::string AddressName() const override;
    bool Open() override;
    bool Inquiry(std::span<std::uint8_t> buffer) override;
    bool ReadToc(std::uint16_t formatWord, std::span<std::uint8_t> buffer) override;
    bool ReadSectors(std::uint32_t block, std::span<std::uint8_t> buffer,
                     std::uint32_t count) override;
    bool ReadCdda(std::uint32_t block, std::span<std::uint8_t> buffer) override;
    bool ReadSubChannel(std::uint8_t format, std::uint8_t track,
                        std::span<std::uint8_t> buffer) override;
    bool ScanRead(std::uint32_t block, std::span<std::uint8_t> buffer, std::uint32_t count,
                  bool withQ) override;
    bool ReadDiscInfo(std::span<std::uint8_t> buffer, std::uint16_t track) override;
    bool ReadWithSubcode(std::uint32_t block, std::span<std::uint8_t> buffer,
                         std::uint32_t count) override;
    bool SetErrorRecovery(int value, std::uint16_t* out) override;
    bool SetCddaMode(bool on) override;
    bool SetRawMode(bool on) override;
    bool LoadEject(bool eject) override;
    bool SetSpeed(int factor) override;
    std::string SenseText() const override { return SenseString(); }
    std::string InterfaceName() const override { return "SPT 1.0"; }
    bool TestUnitReady() override;
    bool Seek(std::uint32_t block) override;
    std::unique_ptr<CdDevice> Clone() const override;

    // Sends one command; true when it ended with status GOOD. With
    // `handleErrors` the sense is stored and the retry rules apply.
    bool ExecuteCommand(SptiRequest& request, bool handleErrors);
    ModeSelectOutcome ModeSelect(const ModeParameters& parameters);
    std::string SenseString() const;

    // Fills registryName with the first hard disk's name.
    bool ScanRegistryName();

    bool isOpen() const { return transport_ != nullptr; }

    std::uint8_t driveLetter = 0;

    static constexpr std::chrono::milliseconds kTimeout{30000};
    static constexpr int kRetries = 5;

private:
    SptiDevice(const SptiDevice& source, CloneTag);

    void send(SptiRequest& request);
    void storeSense(const scsi::Result& result);
    void logCdb(const char* prefix, const CommandBlock& cdb) const;
    void wait(std::chrono::milliseconds duration) const { access_->clock->wait(duration); }
    std::string senseStringOf(std::uint8_t asc, std::uint8_t ascq) const;

    // Open's parts.
    bool readModePages();
    void useModePage(std::uint8_t code, std::span<const std::uint8_t> page);
    void applyProfileDefaults();
    void classifyMedium();

    // The read error rules shared by the reads.
    bool classifyReadFailure(std::uint8_t op, std::int64_t block);
    bool isRetriedReadSense(bool withPositioningError) const;
    void reportReadFailure(std::int64_t block);

    std::shared_ptr<const DriveAccess> access_;
    std::unique_ptr<scsi::Transport> transport_;
    // Of the last command sent: the bytes it returned and its transport
    // error code (0 when it reached the drive).
    std::size_t lastReturned_ = 0;
    int lastTransportCode_ = 0;
};

}  // namespace kel::diag
