// Request codes of the drive-server link: group + subgroup + command.
#pragma once

#include <cstdint>

namespace kel::frontend {

inline constexpr std::uint16_t kGroupExit = 0x0000;
inline constexpr std::uint16_t kGroupAudio = 0x1000;
inline constexpr std::uint16_t kGroupDisc = 0x2000;
inline constexpr std::uint16_t kGroupDrive = 0x3000;
inline constexpr std::uint16_t kGroupSystem = 0x4000;

inline constexpr std::uint16_t kSubGet = 0x100;
inline constexpr std::uint16_t kSubIs = 0x200;
inline constexpr std::uint16_t kSubQuery = 0x300;
inline constexpr std::uint16_t kSubRead = 0x400;
inline constexpr std::uint16_t kSubRun = 0x500;
inline constexpr std::uint16_t kSubSet = 0x600;
inline constexpr std::uint16_t kSubWrite = 0x700;

// The codes whose replies the client parses or that carry sector bytes.
inline constexpr std::uint16_t kAudioStatusInfo = 0x1122;
inline constexpr std::uint16_t kAudioQueryChannel = 0x1307;
inline constexpr std::uint16_t kDiscVolumeInfo = 0x212A;
inline constexpr std::uint16_t kDiscReadData = 0x240A;
inline constexpr std::uint16_t kDiscReadCooked = 0x242E;
inline constexpr std::uint16_t kDiscReadRaw = 0x242F;
inline constexpr std::uint16_t kDiscReadAudio = 0x2430;
inline constexpr std::uint16_t kDriveDeviceStatus = 0x310D;
inline constexpr std::uint16_t kDriveMediaChanged = 0x311A;
inline constexpr std::uint16_t kDriveIsCdRom = 0x322C;
inline constexpr std::uint16_t kDriveReset = 0x351E;
inline constexpr std::uint16_t kSystemDeviceList = 0x4105;
inline constexpr std::uint16_t kSystemDriveLetters = 0x4106;
inline constexpr std::uint16_t kSystemLetterCount = 0x411B;
inline constexpr std::uint16_t kSystemVersion = 0x4129;

inline constexpr std::uint32_t kRawSectorSize = 2352;
inline constexpr std::uint32_t kCookedSectorSize = 2048;

// Bytes per sector of a request answered with sector bytes; 0 for the others.
constexpr std::uint32_t SectorSizeOfRequest(std::uint32_t code) {
    switch (code) {
        case kDiscReadData:
        case kDiscReadRaw:
        case kDiscReadAudio:
            return kRawSectorSize;
        case kDiscReadCooked:
            return kCookedSectorSize;
        default:
            return 0;
    }
}

}  // namespace kel::frontend
