// Request codes of the drive-server link, for the server and every client:
// group + subgroup + command.
#pragma once

#include <cstdint>

namespace kel {

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

// Closes the server.
inline constexpr std::uint16_t kExit = 0x0000;

inline constexpr std::uint16_t kAudioGetChannelInfo = 0x1108;
inline constexpr std::uint16_t kAudioStatusInfo = 0x1122;
inline constexpr std::uint16_t kAudioSubChannel = 0x1124;
inline constexpr std::uint16_t kAudioIsDriveBusy = 0x1210;
inline constexpr std::uint16_t kAudioQueryChannel = 0x1307;
inline constexpr std::uint16_t kAudioFastForward = 0x1513;
inline constexpr std::uint16_t kAudioPlay = 0x151C;
inline constexpr std::uint16_t kAudioResume = 0x151F;
inline constexpr std::uint16_t kAudioSeek = 0x1521;
inline constexpr std::uint16_t kAudioStop = 0x1523;
inline constexpr std::uint16_t kAudioPause = 0x1531;
inline constexpr std::uint16_t kAudioSetChannelInfo = 0x1608;

// Five disc queries that carry no name of their own.
inline constexpr std::uint16_t kDiscGet02 = 0x2102;
inline constexpr std::uint16_t kDiscGet03 = 0x2103;
inline constexpr std::uint16_t kDiscGet09 = 0x2109;
inline constexpr std::uint16_t kDiscGet0E = 0x210E;
inline constexpr std::uint16_t kDiscGet26 = 0x2126;
inline constexpr std::uint16_t kDiscSectorSize = 0x2120;
inline constexpr std::uint16_t kDiscVolumeInfo = 0x212A;
inline constexpr std::uint16_t kDiscReadAbsolute = 0x2401;
inline constexpr std::uint16_t kDiscReadData = 0x240A;
inline constexpr std::uint16_t kDiscReadPrefetch = 0x241D;
inline constexpr std::uint16_t kDiscReadVtoc = 0x242B;
inline constexpr std::uint16_t kDiscReadCooked = 0x242E;
inline constexpr std::uint16_t kDiscReadRaw = 0x242F;
inline constexpr std::uint16_t kDiscReadAudio = 0x2430;
// Any command of this subgroup is a write.
inline constexpr std::uint16_t kDiscWrite = 0x2700;

inline constexpr std::uint16_t kDriveHeaderAddress = 0x310C;
inline constexpr std::uint16_t kDriveDeviceStatus = 0x310D;
inline constexpr std::uint16_t kDriveHeaderError = 0x3116;
inline constexpr std::uint16_t kDriveHeadLocation = 0x3118;
inline constexpr std::uint16_t kDriveMediaChanged = 0x311A;
inline constexpr std::uint16_t kDriveHeaderBusy = 0x3214;
inline constexpr std::uint16_t kDriveHeaderDone = 0x3215;
inline constexpr std::uint16_t kDriveIsCdRom = 0x322C;
inline constexpr std::uint16_t kDriveReadBytes = 0x3404;
inline constexpr std::uint16_t kDriveClose = 0x3509;
inline constexpr std::uint16_t kDriveEject = 0x3511;
inline constexpr std::uint16_t kDriveLock = 0x3519;
inline constexpr std::uint16_t kDriveReset = 0x351E;
inline constexpr std::uint16_t kDriveUnlock = 0x352D;
inline constexpr std::uint16_t kDriveWriteBytes = 0x3704;

inline constexpr std::uint16_t kSystemDeviceList = 0x4105;
inline constexpr std::uint16_t kSystemDriveLetters = 0x4106;
inline constexpr std::uint16_t kSystemLetterCount = 0x411B;
inline constexpr std::uint16_t kSystemVdPreference = 0x4127;
inline constexpr std::uint16_t kSystemVersion = 0x4129;
inline constexpr std::uint16_t kSystemInstalled = 0x4217;
inline constexpr std::uint16_t kSystemSetVdPreference = 0x4627;

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

}  // namespace kel
