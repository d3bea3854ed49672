// The command blocks the drive objects send, built from the drive's profile.
// Shared by every access back end, so that each operation is described once.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

#include "diag/device/device_profile.h"

namespace kel::diag {

struct CommandBlock {
    std::array<std::uint8_t, 12> bytes{};
    std::size_t length = 0;

    std::span<const std::uint8_t> view() const { return {bytes.data(), length}; }
    std::uint8_t opcode() const { return bytes[0]; }
    // The block address in bytes 2-5, big-endian, as logs show it.
    std::int32_t blockField() const;
};

namespace opcode {
inline constexpr std::uint8_t kTestUnitReady = 0x00;
inline constexpr std::uint8_t kInquiry = 0x12;
inline constexpr std::uint8_t kModeSelect6 = 0x15;
inline constexpr std::uint8_t kModeSense6 = 0x1A;
inline constexpr std::uint8_t kStartStopUnit = 0x1B;
inline constexpr std::uint8_t kRead10 = 0x28;
inline constexpr std::uint8_t kSeek10 = 0x2B;
inline constexpr std::uint8_t kReadSubChannel = 0x42;
inline constexpr std::uint8_t kReadToc = 0x43;
inline constexpr std::uint8_t kReadDiscInformation = 0x51;
inline constexpr std::uint8_t kReadTrackInformation = 0x52;
inline constexpr std::uint8_t kModeSelect10 = 0x55;
inline constexpr std::uint8_t kModeSense10 = 0x5A;
inline constexpr std::uint8_t kSetCdSpeed = 0xBB;
inline constexpr std::uint8_t kReadCd = 0xBE;
inline constexpr std::uint8_t kVendorTrackInfo = 0xE6;
}  // namespace opcode

// Byte counts of the sector forms the reads move.
inline constexpr std::size_t kCookedSectorBytes = 2048;
inline constexpr std::size_t kRawSectorBytes = 2352;
inline constexpr std::size_t kSubQBytes = 16;
inline constexpr std::size_t kSubcodeSectorBytes = 2448;  // 2352 + 96 sub-channel bytes

// Minute, second and frame of a block (block 0 is 00:02:00).
struct Msf {
    std::uint8_t minute = 0;
    std::uint8_t second = 0;
    std::uint8_t frame = 0;
};
Msf blockToMsf(std::int64_t block);

CommandBlock testUnitReadyCommand();
CommandBlock inquiryCommand();
// The allocation length fixes the transfer: 2048 for every format but
// CD-TEXT (5), which gets 16384.
CommandBlock readTocCommand(std::uint16_t formatWord);
std::size_t readTocLength(std::uint16_t formatWord);
// READ(10), or in raw mode with a RawCmd other than 0 and 0x28 the
// profile's raw read. The count must fit the one count byte (caller checks).
CommandBlock readSectorsCommand(const DeviceProfile& profile, bool rawMode, std::uint32_t block,
                                std::uint8_t count);
CommandBlock readCddaCommand(const DeviceProfile& profile, std::uint32_t block);
CommandBlock readSubChannelCommand(std::uint8_t format, std::uint8_t track);
// The CD-DA read of the profile; none when the profile's command cannot
// carry the request (Q data on a 10-byte vendor read, a length that is
// neither 10 nor 12).
std::optional<CommandBlock> scanReadCommand(const DeviceProfile& profile, std::uint32_t block,
                                            std::uint16_t count, bool withQ);
std::optional<CommandBlock> readWithSubcodeCommand(const DeviceProfile& profile,
                                                   std::uint32_t block, std::uint16_t count);
// READ DISC INFORMATION for track 0, else the profile's track information
// command; none when the profile names no usable opcode.
std::optional<CommandBlock> discInfoCommand(const DeviceProfile& profile, std::uint16_t track);
// The vendor track information command (0xE6) in its twelve-byte form that
// names no track: bytes 2-9 all 0xFF.
CommandBlock vendorTrackInfoAllCommand();
CommandBlock modeSenseCommand(bool mode10, std::uint8_t page, std::uint16_t allocation);
CommandBlock modeSelectCommand(bool mode10, std::uint16_t listLength);
CommandBlock loadEjectCommand(std::uint8_t opcode, bool eject);
CommandBlock setCdSpeedCommand(std::uint16_t readKbs, std::uint16_t writeKbs);
CommandBlock seekCommand(std::uint32_t block);

// Whether a CDB of this opcode has 6, 10 or 12 bytes (by its group code).
std::size_t commandLengthOfOpcode(std::uint8_t opcode);

}  // namespace kel::diag
