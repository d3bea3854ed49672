// The client's module variables: what the requests are built from and what
// the replies are parsed into. Every front-end unit reads and writes them
// directly; callers never have two requests in flight at once, so they are
// shared without locks.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

#include "frontend/common/cd_records.h"

namespace kel::frontend {

inline constexpr std::size_t kDriveRecords = 26;
inline constexpr std::size_t kTrackRecords = 100;
// A disc holds at most 99 tracks; the table has one record to spare.
inline constexpr std::size_t kMaxTocTracks = 99;
inline constexpr std::size_t kDriveLetters = 27;
inline constexpr std::uint8_t kNoDevice = 255;

// The largest sector reply the front ends ask for (16 raw sectors); a reply is
// never copied beyond it, whatever buffer a caller lends.
inline constexpr std::size_t kSectorBufferCapacity = 37632;

// ReplyErrorCode when no reply arrived at all (no server, or the server
// dropped the request): above every 16-bit status a reply can carry.
inline constexpr std::int32_t kNoServerReply = 0x10000;
// ReplyErrorCode when the client refused to send a request (a bad argument).
inline constexpr std::int32_t kRequestRefused = 0x10001;

struct ChannelInfoRecord {
    std::uint8_t SubChannelLow = 0;
    std::uint8_t SubChannelHigh = 0;
    std::int16_t SubChannelByte2 = 0;
    std::int16_t TrackMinute = 0;
    std::int16_t TrackSecond = 0;
    std::int16_t TrackFrame = 0;
    std::int16_t ChannelSpare = 0;
    std::int16_t DiscMinute = 0;
    std::int16_t DiscSecond = 0;
    std::int16_t DiscFrame = 0;
    std::int32_t DiscLba = 0;
    std::int32_t TrackLba = 0;
    std::int32_t CurrentTrack = 0;
    std::int16_t AudioStatus = 0;
};

struct KelCdVariables {
    std::uint32_t ServerWindow = 0;
    std::uint8_t ServerConnected = 0;
    std::int16_t DriveNumber = 0;
    std::int32_t ParamA = 0;
    std::int32_t ParamB = 0;
    std::int32_t SelectedTrack = 0;
    std::uint8_t CurrentDrive = 0;
    std::uint8_t ResetFlag = 0;
    // Receives sector replies and replies that cannot be parsed; empty: not set.
    std::span<std::uint8_t> ServerReplyBuffer;
    std::uint32_t LastReplySize = 0;
    std::uint32_t CurrentRequestCode = 0;
    std::uint8_t ReplyError = 0;
    std::int32_t ReplyErrorCode = 0;
    std::int32_t UnitReadyStatus = 0;
    std::uint8_t MediaChanged = 0;
    std::array<std::int32_t, 3> AudioStatusInfo{};
    ChannelInfoRecord ChannelInfo;
    std::uint8_t TocFirstTrack = 0;
    std::uint8_t TocLastTrack = 0;
    std::uint8_t TocTrackCount = 0;
    std::int32_t TocLeadOut = 0;
    std::array<CdDriveRecord, kDriveRecords> DriveTable{};
    std::int8_t LastDriveIndex = -1;
    // Per letter A..: the server device number, kNoDevice for other letters.
    std::array<std::uint8_t, kDriveLetters> DriveLetterMap = initialLetterMap();
    std::array<CdTrackRecord, kTrackRecords> TrackTable{};

private:
    static constexpr std::array<std::uint8_t, kDriveLetters> initialLetterMap() {
        std::array<std::uint8_t, kDriveLetters> map{};
        map.fill(kNoDevice);
        return map;
    }
};

// The one set of the program.
extern KelCdVariables KelCdData;

}  // namespace kel::frontend
