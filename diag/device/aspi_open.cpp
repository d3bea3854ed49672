#include <algorithm>

#include "diag/device/aspi_device.h"

namespace kel::diag {

namespace {

constexpr std::size_t kWorkBytes = 2048;
// SET CD SPEED counts in KB/s of 1000 bytes: one factor is 176.4 of them.
constexpr std::uint32_t kTenthKbsPerFactor = 1765;

}  // namespace

bool AspiDevice::Open() {
    std::vector<std::uint8_t> work(kWorkBytes);
    if (!Inquiry(work)) {
        return false;
    }
    return openWithInquiry(work);
}

void AspiDevice::useSpeedPage(std::uint8_t code, std::span<const std::uint8_t> page) {
    // The first vendor speed page seen names the drive's way of setting its
    // speed when the database did not; later pages of that way update the
    // current speed.
    auto take = [&](std::uint8_t kind, std::size_t at) {
        if (speedKind_ == 0xFF) {
            speedKind_ = kind;
        }
        if (speedKind_ == kind && at < page.size()) {
            defaultSpeed = page[at];
        }
    };
    switch (code) {
        case 0x0F:
            take(4, 2);
            break;
        case 0x20:
            take(2, 2);
            break;
        case 0x23:
            take(5, 4);
            break;
        case 0x31:
            if (speedKind_ == 0xFF) {
                speedKind_ = 1;
            }
            if ((speedKind_ == 1 || speedKind_ == 3 || speedKind_ == 6) && page.size() > 2) {
                defaultSpeed = page[2];
            }
            break;
        case 0x2A:
            if (page[1] >= 5) {
                if (speedKind_ == 0xFF) {
                    speedKind_ = 0;
                }
                if (page.size() >= 16) {
                    std::uint32_t kbs = Swap16(page.subspan<14, 2>());
                    defaultSpeed = static_cast<std::uint8_t>(
                        std::min<std::uint32_t>(kbs * 10 / kTenthKbsPerFactor, 0xFF));
                }
            }
            break;
        default:
            break;
    }
}

void AspiDevice::endPageWalk() {
    if (profile->SpeedCode == 0xFF && speedKind_ != 0xFF) {
        profile->SpeedCode = speedKind_;
    }
}

std::optional<CommandBlock> AspiDevice::trackInfoCommand(std::uint16_t track) const {
    if (profile->TrkInfo == opcode::kVendorTrackInfo) {
        return vendorTrackInfoAllCommand();
    }
    return CommandDevice::trackInfoCommand(track);
}

bool AspiDevice::SetSpeed(int factor) {
    if (factor == -1) {
        factor = defaultSpeed;
    }
    if (factor < 0) {
        return false;
    }
    auto low = static_cast<std::uint8_t>(factor);
    switch (profile->SpeedCode) {
        case 0xFF:
            // Nothing is known of setting this drive's speed: it keeps its own.
            return true;
        case 0: {
            std::uint32_t kbs =
                factor == 0
                    ? 0xFFFF
                    : std::min<std::uint32_t>(
                          static_cast<std::uint32_t>(factor) * kTenthKbsPerFactor / 10, 0xFFFF);
            DeviceCommand command{setCdSpeedCommand(static_cast<std::uint16_t>(kbs), 0xFFFF),
                                  scsi::Direction::None,
                                  {},
                                  {}};
            return ExecuteCommand(command, true);
        }
        case 5:
            return setSpeedByPage({0x23, 0x06, 0x00, 0x00, low, 0x00, 0x00, 0x00});
        default:
            return setSpeedByPage(speedPage31(profile->SpeedCode, low));
    }
}

}  // namespace kel::diag
