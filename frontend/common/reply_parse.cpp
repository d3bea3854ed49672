#include "reply_parse.h"

#include <algorithm>

#include "frontend/common/reply_lines.h"
#include "platform/base/log.h"
#include "server/request_codes.h"

namespace kel::frontend {
namespace {

constexpr std::int32_t kGapBeforeNextTrack = 150;
// Between the sessions of a multi-session disc: the first session's lead-out
// (6750), the second's lead-in (4500) and the pre-gap of its first track.
constexpr std::int32_t kSessionGap = 11400;
constexpr std::uint8_t kControlData = 4;
constexpr std::uint8_t kControlPreEmphasis = 1;
constexpr std::uint8_t kControlCopyPermitted = 2;
constexpr std::uint8_t kControlFourChannels = 8;
constexpr std::size_t kVendorLength = 10;
constexpr std::size_t kProductLength = 18;

void parseChannelInfo(const ReplyLines& reply, ChannelInfoRecord& info) {
    info.SubChannelLow = static_cast<std::uint8_t>(reply.value(1));
    info.SubChannelHigh = static_cast<std::uint8_t>(reply.value(2));
    info.SubChannelByte2 = static_cast<std::int16_t>(reply.value(3));
    info.TrackMinute = static_cast<std::int16_t>(reply.value(4));
    info.TrackSecond = static_cast<std::int16_t>(reply.value(5));
    info.TrackFrame = static_cast<std::int16_t>(reply.value(6));
    info.ChannelSpare = static_cast<std::int16_t>(reply.value(7));
    info.DiscMinute = static_cast<std::int16_t>(reply.value(8));
    info.DiscSecond = static_cast<std::int16_t>(reply.value(9));
    info.DiscFrame = static_cast<std::int16_t>(reply.value(10));
    info.DiscLba = reply.value(11);
    info.TrackLba = reply.value(12);
    info.CurrentTrack = reply.value(13);
    info.AudioStatus = static_cast<std::int16_t>(reply.value(14));
}

void setAudioFlags(CdTrackRecord& track) {
    if (track.Control & kControlData) {
        track.DataTrack = 1;
        track.PreEmphasis = 0;
        track.CopyPermitted = 0;
        track.Channels = 0;
        return;
    }
    track.DataTrack = 0;
    track.PreEmphasis = (track.Control & kControlPreEmphasis) ? 1 : 0;
    track.CopyPermitted = (track.Control & kControlCopyPermitted) ? 1 : 0;
    track.Channels = (track.Control & kControlFourChannels) ? 4 : 2;
}

void parseTableOfContents(const ReplyLines& reply, KelCdVariables& data) {
    data.TocFirstTrack = static_cast<std::uint8_t>(reply.value(1));
    data.TocLastTrack = static_cast<std::uint8_t>(reply.value(2));
    std::int32_t entries = reply.value(3);
    if (entries < 0 || entries > static_cast<std::int32_t>(kMaxTocTracks)) {
        log::warning("kel", "table of contents with " + std::to_string(entries) +
                                " entries; keeping at most " + std::to_string(kMaxTocTracks));
        entries = std::clamp<std::int32_t>(entries, 0, kMaxTocTracks);
    }
    data.TocTrackCount = static_cast<std::uint8_t>(entries);
    // A failed request puts its status where the capacity would be.
    data.TocLeadOut = data.ReplyError ? 0 : reply.value(4);

    auto count = static_cast<std::size_t>(entries);
    for (std::size_t j = 1; j <= count; ++j) {
        CdTrackRecord& track = data.TrackTable[j - 1];
        track.TrackNumber = reply.value(4 * j + 1);
        track.StartLba = reply.value(4 * j + 2);
        track.Control = static_cast<std::uint8_t>(reply.value(4 * j + 3));
        track.Adr = static_cast<std::uint8_t>(reply.value(4 * j + 4));
        setAudioFlags(track);
    }
    // Audio first and data last is a CD Extra: its data track opens a second
    // session, so the audio before it ends at the first session's lead-out.
    // A single-session mixed disc has its data first.
    const bool dataSessionAfterAudio =
        count >= 2 && !data.TrackTable[0].DataTrack && data.TrackTable[count - 1].DataTrack;
    for (std::size_t k = 0; k < count; ++k) {
        CdTrackRecord& track = data.TrackTable[k];
        // 64-bit on the way: addresses come from the reply and may be anything.
        std::int64_t start = track.StartLba;
        std::int64_t end = 0;
        std::int64_t length = 0;
        if (k + 1 == count) {
            end = data.TocLeadOut;
            length = end - start;
        } else {
            const CdTrackRecord& next = data.TrackTable[k + 1];
            const bool sessionEnds = dataSessionAfterAudio && !track.DataTrack && next.DataTrack;
            end = std::int64_t{next.StartLba} - kGapBeforeNextTrack;
            // A gap that would leave nothing of the track is no session gap.
            if (sessionEnds && std::int64_t{next.StartLba} - kSessionGap >= start) {
                end = std::int64_t{next.StartLba} - kSessionGap;
            }
            length = end - start + 1;
        }
        track.EndLba = static_cast<std::int32_t>(static_cast<std::uint32_t>(end));
        track.Length = static_cast<std::int32_t>(static_cast<std::uint32_t>(length));
    }
}

// Matches the records, in order, to the CD-ROM letters in alphabetical order;
// other letters up to the last one looked at map to kNoDevice.
void PairDriveLetters(KelCdVariables& data, const drives::DriveTable& drives) {
    std::size_t letter = 0;
    std::size_t record = 0;
    auto records = static_cast<std::size_t>(data.LastDriveIndex + 1);
    while (record < records && letter < 26) {
        char name = static_cast<char>('A' + letter);
        if (drives.type(name) != drives::DriveType::CdRom) {
            data.DriveLetterMap[letter++] = kNoDevice;
            continue;
        }
        CdDriveRecord& drive = data.DriveTable[record++];
        if (drive.DeviceType != kCdRomDeviceType) {
            // Not a CD-ROM device: it gets no letter, the letter waits for the next one.
            continue;
        }
        drive.LetterIndex = static_cast<std::uint8_t>(letter);
        drive.LetterText = std::string{name, ':'};
        data.DriveLetterMap[letter++] = drive.DeviceNumber;
    }
}

void parseDeviceList(const ReplyLines& reply, KelCdVariables& data,
                     const drives::DriveTable& drives) {
    std::int32_t devices = reply.value(reply.count() - 2);
    if (devices < 0 || devices > static_cast<std::int32_t>(kDriveRecords)) {
        log::warning("kel", "device list with " + std::to_string(devices) +
                                " devices; keeping at most " + std::to_string(kDriveRecords));
        devices = std::clamp<std::int32_t>(devices, 0, kDriveRecords);
    }
    data.LastDriveIndex = static_cast<std::int8_t>(devices - 1);
    for (std::size_t k = 0; k < static_cast<std::size_t>(devices); ++k) {
        CdDriveRecord& drive = data.DriveTable[k];
        std::size_t line = 1 + 6 * k;
        drive.DeviceNumber = static_cast<std::uint8_t>(reply.value(line));
        drive.DeviceType = static_cast<std::uint8_t>(reply.value(line + 1));
        drive.InquiryValue3 = static_cast<std::uint8_t>(reply.value(line + 2));
        drive.InquiryValue4 = static_cast<std::uint8_t>(reply.value(line + 3));
        drive.Vendor = std::string_view(reply.text(line + 4)).substr(0, kVendorLength);
        drive.Product = std::string_view(reply.text(line + 5)).substr(0, kProductLength);
    }
    PairDriveLetters(data, drives);
}

void parseDriveLetters(const ReplyLines& reply, KelCdVariables& data) {
    std::int32_t last = reply.value(reply.count() - 1);
    std::int32_t letters = std::clamp<std::int32_t>(last - 1, -1, kDriveRecords);
    if (data.ReplyError == 0 && letters > 0) {
        for (std::size_t k = 0; k < static_cast<std::size_t>(letters); ++k) {
            data.DriveTable[k].LetterIndex = static_cast<std::uint8_t>(reply.value(k + 1));
        }
    }
    data.LastDriveIndex = static_cast<std::int8_t>(std::min<std::int32_t>(letters, 25));
}

}  // namespace

bool Recievedata(const std::vector<std::string>& lines, std::uint16_t code, KelCdVariables& data,
                 const drives::DriveTable& drives) {
    ReplyLines reply(lines);
    try {
        data.ReplyError = 0;
        std::int32_t last = reply.value(reply.count() == 0 ? 0 : reply.count() - 1);
        if (last < static_cast<std::int64_t>(reply.count())) {
            data.ReplyError = 1;
            data.ReplyErrorCode = reply.value(reply.count() - 2);
        }
        switch (code) {
            case kAudioStatusInfo:
                for (std::size_t i = 0; i < data.AudioStatusInfo.size(); ++i) {
                    data.AudioStatusInfo[i] = reply.value(i + 1);
                }
                break;
            case kAudioQueryChannel:
                parseChannelInfo(reply, data.ChannelInfo);
                break;
            case kDiscVolumeInfo:
                parseTableOfContents(reply, data);
                break;
            case kDriveDeviceStatus:
                data.ReplyErrorCode = reply.value(1);
                data.UnitReadyStatus = reply.value(2);
                break;
            case kDriveMediaChanged:
                data.MediaChanged = reply.value(1) == 255 ? 1 : 0;
                break;
            case kDriveIsCdRom:
                data.ResetFlag = reply.value(1) == 1 ? 1 : 0;
                break;
            case kSystemDeviceList:
                if (data.ReplyError == 0) {
                    parseDeviceList(reply, data, drives);
                }
                break;
            case kSystemDriveLetters:
            case kSystemLetterCount:
                parseDriveLetters(reply, data);
                break;
            case kSystemVersion:
                data.ChannelInfo.AudioStatus = static_cast<std::int16_t>(reply.value(1));
                break;
            default:
                break;
        }
    } catch (const BadReplyLine& error) {
        log::warning("kel", "reply " + std::to_string(code) + " not parsed: " + error.what());
        return false;
    }
    return true;
}

}  // namespace kel::frontend
