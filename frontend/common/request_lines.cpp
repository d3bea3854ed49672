#include "request_lines.h"

#include "frontend/common/request_codes.h"
#include "platform/base/log.h"

namespace kel::frontend {
namespace {

enum class Parameters { None, Device, DeviceRange, DeviceAddress, ReadOne, ReadRun, Reset };

Parameters parametersOf(std::uint32_t code) {
    switch (code) {
        case 0x1122:
        case 0x1210:
        case 0x1307:
        case 0x1513:
        case 0x151F:
        case 0x1523:
        case 0x1531:
        case 0x212A:
        case 0x310C:
        case 0x310D:
        case 0x3116:
        case 0x3118:
        case 0x311A:
        case 0x3214:
        case 0x3215:
        case 0x322C:
        case 0x3509:
        case 0x3511:
        case 0x3519:
        case 0x352D:
            return Parameters::Device;
        case 0x151C:
            return Parameters::DeviceRange;
        case 0x1521:
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
