#include "diag/device/command_device.h"

namespace kel::diag {

namespace {

constexpr std::size_t kModePageBytes = 128;
constexpr std::uint32_t kRawBlock = 2352;
constexpr std::uint32_t kCookedBlock = 2048;

}  // namespace

bool CommandDevice::SetErrorRecovery(int value, std::uint16_t* out) {
    DeviceProfile& p = *profile;
    std::vector<std::uint8_t> data(kModePageBytes);
    std::uint8_t pageControl = value == -1 ? 0x41 : 0x01;  // changeable or current values
    DeviceCommand request;
    for (;;) {
        request = DeviceCommand{modeSenseCommand(p.Mode10 != 0, pageControl, kModePageBytes),
                                scsi::Direction::In,
                                data,
                                {}};
        if (ExecuteCommand(request, true)) {
            break;
        }
        if (senseKeyCode() == 5 && senseAsc == 0x20 && !p.Mode10) {
            p.Mode10 = 1;
            p.modified = 1;
            continue;
        }
        if (debugLevel > 0) {
            log("Error getting current mode, %x %s", request.end.status, SenseString().c_str());
        }
        return false;
    }
    std::optional<ModeSense> sense =
        parseModeSense(request.returned(), request.cdb.opcode() == opcode::kModeSense10);
    // The page's offset comes from the drive: its bytes 0-3 must lie within
    // what came back before they are read.
    if (!sense || sense->firstPage + 4 > sense->data.size() ||
        (sense->data[sense->firstPage] & 0x3F) != 0x01) {
        if (debugLevel > 0) {
            log("Error recovery page missing from the mode data");
        }
        return false;
    }
    std::span<const std::uint8_t> page = sense->data.subspan(sense->firstPage);
    if (out) {
        *out = static_cast<std::uint16_t>(page[2] << 8 | page[3]);
    }
    if (value == -1) {
        return true;
    }
    if (debugLevel > 0) {
        dump(sense->data, "Mode Sense Data");
    }
    std::uint8_t flags = static_cast<std::uint8_t>(value >> 8);
    std::uint8_t retries = static_cast<std::uint8_t>(value);
    std::vector<std::uint8_t> newPage = {
        0x01, 0x06, flags, retries == 0xFF ? std::uint8_t{0} : retries, 0, 0, 0, 0};
    if (page[1] == 10) {
        newPage[1] = 10;
        newPage.resize(12, 0);
    }
    ModeSelectOutcome outcome = ModeSelect(pageParameters(std::move(newPage)));
    if (outcome == ModeSelectOutcome::Accepted) {
        errorClassifying = flags != 0;
        return true;
    }
    if (outcome == ModeSelectOutcome::Rejected && senseKeyCode() == 5 && senseAsc == 0x20) {
        errorRecoveryFixed = 1;
    }
    return false;
}

bool CommandDevice::SetRawMode(bool on) {
    if ((rawMode != 0) == on) {
        return true;
    }
    // READ CD reads raw sectors whatever the block length is.
    if (profile->mmcCdda) {
        rawMode = on;
        return true;
    }
    ModeSelectOutcome outcome = ModeSelect(blockLengthParameters(0, on ? kRawBlock : kCookedBlock));
    if (outcome == ModeSelectOutcome::Accepted) {
        rawMode = on;
        return true;
    }
    if (outcome == ModeSelectOutcome::Rejected && on) {
        profile->Raw = 0;
        profile->modified = 1;
    }
    return false;
}

bool CommandDevice::SetCddaMode(bool on) {
    DeviceProfile& p = *profile;
    if ((cddaMode != 0) == on) {
        return true;
    }
    if (!p.CDDAScan) {
        return false;
    }
    if (debugLevel > 0) {
        log("Turning CDDA mode %s", on ? "on" : "off");
    }
    // A drive that needs no mode change reads CD-DA at once; every other
    // switch counts only once the drive has taken it.
    if (p.mmcCdda && p.CDDADen == 0xFF) {
        cddaMode = on;
        return true;
    }
    ModeParameters parameters =
        on ? blockLengthParameters(p.CDDADen, kRawBlock)
           : blockLengthParameters(densityCode, static_cast<std::uint16_t>(blockLength));
    ModeSelectOutcome outcome = ModeSelect(parameters);
    if (outcome == ModeSelectOutcome::Failed) {
        return false;
    }
    if (outcome == ModeSelectOutcome::Accepted) {
        cddaMode = on;
        return true;
    }
    if (!on) {
        cddaMode = 0;
        return false;
    }
    // An MMC drive that refuses density 0 reads CD-DA with READ CD anyway;
    // remember that no mode change is needed.
    if (p.mmcCdda && p.CDDADen == 0) {
        p.CDDADen = 0xFF;
        p.modified = 1;
        cddaMode = 1;
        return true;
    }
    p.CDDAScan = 0;
    p.modified = 1;
    return false;
}

bool CommandDevice::LoadEject(bool eject) {
    if (!eject && !profile->LoadDisc) {
        return false;
    }
    if (profile->LoadEj == 0) {
        return commandNotSupported();
    }
    DeviceCommand request{loadEjectCommand(profile->LoadEj, eject), scsi::Direction::None, {}, {}};
    return ExecuteCommand(request, true);
}

bool CommandDevice::setSpeedByPage(std::vector<std::uint8_t> page) {
    if (page.empty()) {
        if (debugLevel > 0) {
            log("No way to set the speed of this drive (speed code %u)", profile->SpeedCode);
        }
        return false;
    }
    return ModeSelect(pageParameters(std::move(page))) == ModeSelectOutcome::Accepted;
}

}  // namespace kel::diag
