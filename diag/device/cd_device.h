// The drive object: one CD drive as every analysis reaches it, with the
// state all modules read (sense bytes of the last handled failure, read
// error class and counters, operating modes, what Open learnt) and the
// drive model's profile. Implemented per access interface.
#pragma once

#include <array>
#include <atomic>
#include <cstdarg>
#include <cstdint>
#include <memory>
#include <span>
#include <string>

#include "diag/device/device_messages.h"
#include "diag/device/device_profile.h"

namespace kel::diag {

class CdDevice {
public:
    virtual ~CdDevice() = default;
    CdDevice(const CdDevice&) = delete;
    CdDevice& operator=(const CdDevice&) = delete;

    // The operations, in slot order. All but the first four and
    // InterfaceName need a device that Open opened.
    virtual bool FindFirst() = 0;
    virtual bool FindNext() = 0;
    virtual std::string AddressName() const = 0;
    virtual bool Open() = 0;
    virtual bool Inquiry(std::span<std::uint8_t> buffer) = 0;  // 255 bytes
    // Format in bits 8-11, track or session in bits 0-7; 2048 bytes, 16384
    // for CD-TEXT.
    virtual bool ReadToc(std::uint16_t formatWord, std::span<std::uint8_t> buffer) = 0;
    virtual bool ReadSectors(std::uint32_t block, std::span<std::uint8_t> buffer,
                             std::uint32_t count) = 0;
    virtual bool ReadCdda(std::uint32_t block, std::span<std::uint8_t> buffer) = 0;
    virtual bool ReadSubChannel(std::uint8_t format, std::uint8_t track,
                                std::span<std::uint8_t> buffer) = 0;  // 256 bytes
    virtual bool ScanRead(std::uint32_t block, std::span<std::uint8_t> buffer, std::uint32_t count,
                          bool withQ) = 0;
    virtual bool ReadDiscInfo(std::span<std::uint8_t> buffer, std::uint16_t track) = 0;
    virtual bool ReadWithSubcode(std::uint32_t block, std::span<std::uint8_t> buffer,
                                 std::uint32_t count) = 0;
    virtual bool SetErrorRecovery(int value, std::uint16_t* out) = 0;
    virtual bool SetCddaMode(bool on) = 0;
    virtual bool SetRawMode(bool on) = 0;
    virtual bool LoadEject(bool eject) = 0;
    virtual bool SetSpeed(int factor) = 0;
    virtual std::string SenseText() const = 0;
    virtual std::string InterfaceName() const = 0;
    virtual bool TestUnitReady() = 0;
    virtual bool Seek(std::uint32_t block) = 0;

    // A new device of the same kind at the same enumeration position (see
    // CloneDevice).
    virtual std::unique_ptr<CdDevice> Clone() const = 0;

    void SetDebugLevel(std::uint8_t level) { debugLevel = level; }
    void SetCancel() { cancelled = 1; }
    // Sets the drive's logical block length back to `length` unless it is
    // already that or the drive cannot set block sizes.
    bool ResetBlockSize(std::int16_t length);
    bool GetCapabilitiesPage(std::span<std::uint8_t> buffer) const;
    const std::string& DeviceDescription() const { return profile->name; }
    bool UpdateDatabase() const;

    // Profile readers.
    std::uint8_t ErrScan() const { return profile->ErrScan; }
    bool LoadDisc() const { return profile->LoadDisc != 0; }
    bool DevReg() const { return profile->DevReg != 0; }
    bool Raw() const { return profile->Raw != 0; }
    bool CDDAScan() const { return profile->CDDAScan != 0; }
    bool CDDALE() const { return profile->CDDALE != 0; }
    bool SubRWAvail() const { return profile->SubRWAvail != 0; }
    bool SubRWDe() const { return profile->SubRWDe != 0; }
    bool Mode10() const { return profile->Mode10 != 0; }
    std::uint8_t CDDACmd() const { return profile->CDDACmd; }
    std::uint8_t RawCmd() const { return profile->RawCmd; }
    std::uint8_t TrkInfo() const { return profile->TrkInfo; }
    bool SpeedGiven() const { return profile->speedGiven != 0; }
    int SpeedOverride() const { return profile->speedGiven ? profile->Speed : -1; }
    // Profile writers; each marks the profile modified.
    void SetCDDAScan(bool on) { setProfileField(profile->CDDAScan, on ? 1 : 0); }
    void SetRaw(bool on) { setProfileField(profile->Raw, on ? 1 : 0); }
    void SetErrScan(std::uint8_t value) { setProfileField(profile->ErrScan, value); }
    void SetDevReg(bool on) { setProfileField(profile->DevReg, on ? 1 : 0); }
    void SetTrackInfoCommand(std::uint8_t op) { setProfileField(profile->TrkInfo, op); }

    // The sense key without its flag bits (ILI, EOM, filemark).
    std::uint8_t senseKeyCode() const { return senseKey & 0x0F; }

    std::uint8_t quiet = 0;
    std::uint8_t debugLevel = 0;
    // Set by the user-interface thread (a Cancel button) and polled by the
    // worker threads while they read; nothing else is handed over with it.
    std::atomic<std::uint8_t> cancelled{0};
    std::uint8_t errorClassifying = 0;
    std::uint8_t atapi = 0;
    std::uint8_t writer = 0;
    std::uint8_t rawMode = 0;
    std::uint8_t cddaMode = 0;
    std::uint8_t modeSelectDone = 0;
    std::uint8_t errorRecoveryFixed = 0;
    std::uint8_t hasCapabilitiesPage = 0;
    std::uint8_t acceptRecovered = 0;
    std::uint8_t noReadErrorMessage = 0;
    std::int16_t blockLength = 0;
    std::uint8_t page0dByte3 = 0;  // 0-15
    std::uint8_t senseKey = 0;     // byte 2 of the sense data, whole
    std::uint8_t senseAsc = 0;
    std::uint8_t senseAscq = 0;
    std::uint8_t lastErrorClass = 0;
    std::uint32_t recoveredCount = 0;
    std::uint32_t mediumErrorCount = 0;
    std::uint32_t otherErrorCount = 0;
    std::uint8_t densityCode = 0;
    std::uint8_t defaultSpeed = 0;
    std::uint8_t mediumClass = 0;
    std::array<std::uint8_t, 21> capabilitiesPage{};
    std::string registryName;  // at most kMaxRegistryName characters
    MessageCallback messageCallback;
    LogCallback logCallback;
    DumpCallback dumpCallback;
    std::unique_ptr<DeviceProfile> profile;

    static constexpr std::size_t kMaxRegistryName = 24;

    // Error classes of the last read.
    enum : std::uint8_t { kNoError = 0, kRecoveredError = 1, kMediumError = 2, kOtherError = 3 };

protected:
    CdDevice();
    // Takes what a clone keeps of `source`: quiet, debugLevel, the
    // callbacks, mediumClass and a copy of the profile. Error counters, sense
    // bytes and `cancelled` start afresh, so a cancelled prompt of one drive
    // does not stop the commands of the next.
    struct CloneTag {};
    CdDevice(const CdDevice& source, CloneTag);

    void log(const char* format, ...) const __attribute__((format(printf, 2, 3)));
    void dump(std::span<const std::uint8_t> data, std::string_view title) const;
    MessageAnswer show(int id, std::vector<MessageValue> args,
                       MessageButtons buttons = MessageButtons::Ok) const;

private:
    void setProfileField(std::uint8_t& field, std::uint8_t value) {
        field = value;
        profile->modified = 1;
    }
};

std::uint16_t Swap16(std::span<const std::uint8_t, 2> field);
std::uint32_t Swap32(std::span<const std::uint8_t, 4> field);

}  // namespace kel::diag
