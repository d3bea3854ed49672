#include <algorithm>

#include "diag/device/spti_device.h"

namespace kel::diag {

namespace {

constexpr std::uint16_t kKbsPerFactor = 176;

}  // namespace

bool SptiDevice::SetSpeed(int factor) {
    if (factor == -1) {
        factor = defaultSpeed;
    }
    if (factor < 0) {
        return false;
    }
    if (profile->SpeedCode == 0) {
        std::uint32_t kbs =
            factor == 0 ? 0xFFFF : std::min<std::uint32_t>(factor * kKbsPerFactor, 0xFFFF);
        DeviceCommand request{
            setCdSpeedCommand(static_cast<std::uint16_t>(kbs), 0), scsi::Direction::None, {}, {}};
        return ExecuteCommand(request, true);
    }
    return setSpeedByPage(speedPage31(profile->SpeedCode, static_cast<std::uint8_t>(factor)));
}

}  // namespace kel::diag
