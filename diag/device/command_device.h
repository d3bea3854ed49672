// What the drive objects of every access interface share: the command forms
// of the profile, the read, TOC and MODE SELECT rules, the retry rules that
// follow a stored sense, Open's mode page walk and the medium
// classification. An access interface adds how one command reaches the
// drive and what it reports, how its drives are found and named, and the
// few rules in which it differs (speed setting, vendor track information).
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "diag/device/cd_device.h"
#include "diag/device/command_blocks.h"
#include "diag/device/mode_data.h"
#include "platform/scsi/transport.h"

namespace kel::diag {

// How one command ended, in the terms the shared rules need.
struct CommandEnd {
    // The drive answered: status and sense are its own, not the transport's.
    bool reachedDrive = false;
    bool hasSense = false;
    std::uint8_t senseKey = 0;  // byte 2 of the sense data, whole
    std::uint8_t senseAsc = 0;
    std::uint8_t senseAscq = 0;
    std::uint32_t status = 0;  // as the log lines show it
    std::size_t returned = 0;  // bytes the drive really moved, within the buffer
};

// One command: its block, the data's direction and buffer, and how it ended.
struct DeviceCommand {
    CommandBlock cdb;
    scsi::Direction direction = scsi::Direction::None;
    std::span<std::uint8_t> buffer;
    CommandEnd end;

    std::span<std::uint8_t> returned() const { return buffer.first(end.returned); }
};

// How a MODE SELECT ended: the drive took the list; the drive refused it and
// that was reported (message or log); or it could not be sent at all.
enum class ModeSelectOutcome { Accepted, Rejected, Failed };

// The access interface's values in rules that are otherwise shared.
struct CommandDialect {
    std::uint16_t modeSenseBytes = 1024;  // Open's MODE SENSE of all pages
    std::size_t inquiryDumpBytes = 256;
    bool retryNotReadyReads = false;  // ReadSectors also retries ASC 0x04
};

class CommandDevice : public CdDevice {
public:
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
    std::string SenseText() const override { return SenseString(); }
    bool TestUnitReady() override;
    bool Seek(std::uint32_t block) override;

    // Sends one command; true when the drive completed it. With
    // `handleErrors` the sense is stored and the retry rules apply.
    virtual bool ExecuteCommand(DeviceCommand& command, bool handleErrors) = 0;
    ModeSelectOutcome ModeSelect(const ModeParameters& parameters);
    std::string SenseString() const;

    static constexpr int kRetries = 5;

protected:
    explicit CommandDevice(CommandDialect dialect) : dialect_(dialect) {}
    CommandDevice(const CommandDevice& source, CloneTag tag)
        : CdDevice(source, tag), dialect_(source.dialect_) {}

    // Sends the command once, without any rule, and fills its end; true
    // when the drive completed it.
    virtual bool sendOnce(DeviceCommand& command) = 0;
    virtual void wait(std::chrono::milliseconds duration) const = 0;
    virtual const StringSource& senseTexts() const = 0;
    // The device as messages name it, and as log lines name it.
    virtual std::string messageName() const = 0;
    virtual std::string logAddress() const = 0;
    // The track information command of ReadDiscInfo for a track other than 0.
    virtual std::optional<CommandBlock> trackInfoCommand(std::uint16_t track) const;
    // Open's use of the speed pages (0x0F, 0x20, 0x23, 0x2A, 0x31) and its
    // end of the page walk.
    virtual void beginPageWalk() {}
    virtual void useSpeedPage(std::uint8_t code, std::span<const std::uint8_t> page) = 0;
    virtual void endPageWalk() {}
    // The profile's defaults for a drive the database did not know.
    virtual void applyProfileDefaults();

    // Every send goes through here, so that the medium classification knows
    // how much the last reply holds.
    bool send(DeviceCommand& command);
    void storeSense(const CommandEnd& end);
    // An operation whose command byte the profile leaves unset (0) fails
    // as a drive fails an opcode it does not know (5/20/00): a zero byte
    // would be sent as TEST UNIT READY and pass for success.
    bool commandNotSupported();
    // The rules after a stored sense (unit attention, not ready, no medium):
    // true to send the command again, counting `retriesLeft` where due.
    bool retryAfterSense(const DeviceCommand& command, int& retriesLeft);
    void logCdb(const char* prefix, const CommandBlock& cdb) const;
    // The rest of Open once the drive answered INQUIRY.
    bool openWithInquiry(std::span<const std::uint8_t> inquiry);
    // Sends a speed page; false without sending when there is none (the
    // drive's way of setting its speed is unknown or only read).
    bool setSpeedByPage(std::vector<std::uint8_t> page);

private:
    bool readModePages();
    void useModePage(std::uint8_t code, std::span<const std::uint8_t> page);
    void classifyMedium();

    // The read error rules shared by the reads.
    bool classifyReadFailure(std::uint8_t op, std::int64_t block);
    bool isRetriedReadSense(bool withPositioningError) const;
    void reportReadFailure(std::int64_t block);

    std::string senseStringOf(std::uint8_t asc, std::uint8_t ascq) const;

    CommandDialect dialect_;
    std::size_t lastReturned_ = 0;
};

}  // namespace kel::diag
