#include "request_lines.h"

#include "platform/base/log.h"
#include "server/request_codes.h"

namespace kel::frontend {
namespace {

enum class Parameters { None, Device, DeviceRange, DeviceAddress, ReadOne, ReadRun, Reset };

Parameters parametersOf(std::uint32_t code) {
    switch (code) {
        case kAudioStatusInfo:
        case kAudioIsDriveBusy:
        case kAudioQueryChannel:
        case kAudioFastForward:
        case kAudioResume:
        case kAudioStop:
        case kAudioPause:
        case kDiscVolumeInfo:
        case kDriveHeaderAddress:
        case kDriveDeviceStatus:
        case kDriveHeaderError:
        case kDriveHeadLocation:
        case kDriveMediaChanged:
        case kDriveHeaderBusy:
        case kDriveHeaderDone:
        case kDriveIsCdRom:
        case kDriveClose:
        case kDriveEject:
        case kDriveLock:
        case kDriveUnlock:
            return Parameters::Device;
        case kAudioPlay:
            return Parameters::DeviceRange;
        case kAudioSeek:
            return Parameters::DeviceAddress;
        case kDiscReadData:
            return Parameters::ReadOne;
        case kDiscReadCooked:
        case kDiscReadRaw:
        case kDiscReadAudio:
            return Parameters::ReadRun;
        case kDriveReset:
            return Parameters::Reset;
        default:
            return Parameters::None;
    }
}

// The current drive's inquiry value that the server wants back with a read.
std::uint8_t currentInquiryValue(const KelCdVariables& data) {
    if (data.CurrentDrive >= data.DriveTable.size()) {
        log::warning("kel", "current drive index " + std::to_string(data.CurrentDrive) +
                                " is outside the drive table; sending 0");
        return 0;
    }
    return data.DriveTable[data.CurrentDrive].InquiryValue3;
}

}  // namespace

std::vector<std::string> RequestLines(std::uint32_t code, const KelCdVariables& data) {
    std::vector<std::string> lines{std::to_string(code)};
    auto add = [&lines](auto value) { lines.push_back(std::to_string(value)); };
    Parameters parameters = parametersOf(code);
    if (parameters != Parameters::None) {
        add(data.DriveNumber);
    }
    switch (parameters) {
        case Parameters::DeviceRange:
            add(data.ParamA);
            add(data.ParamB);
            break;
        case Parameters::DeviceAddress:
            add(data.ParamA);
            break;
        case Parameters::ReadOne:
            add(data.ParamA);
            add(currentInquiryValue(data));
            break;
        case Parameters::ReadRun:
            add(data.ParamA);
            add(currentInquiryValue(data));
            add(data.ParamB);
            break;
        case Parameters::Reset:
            lines.push_back(data.ResetFlag ? "1" : "0");
            break;
        case Parameters::None:
        case Parameters::Device:
            break;
    }
    return lines;
}

}  // namespace kel::frontend
