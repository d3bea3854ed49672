#include <cerrno>

#include "diag/device/spti_device.h"

namespace kel::diag {

namespace {

constexpr std::size_t kInquiryBytes = 255;

bool accessDenied(int code) {
    return code == EACCES || code == EPERM;
}

}  // namespace

bool SptiDevice::Open() {
    OpenFailure failure;
    transport_ = access_->openLetter(static_cast<char>(driveLetter), failure);
    if (!transport_) {
        if (accessDenied(failure.code)) {
            show(3012, {failure.devicePath});
        } else {
            show(3011, {failure.devicePath, failure.text, std::int64_t{failure.code}});
        }
        return false;
    }
    std::array<std::uint8_t, kInquiryBytes> inquiry{};
    if (!Inquiry(inquiry)) {
        // A device node that opened read-only may still refuse the command.
        if (accessDenied(lastTransportCode_)) {
            show(3012, {failure.devicePath});
        }
        return false;
    }
    return openWithInquiry(inquiry);
}

void SptiDevice::useSpeedPage(std::uint8_t code, std::span<const std::uint8_t> page) {
    // The current speed is read from the one page the profile's way of
    // setting it names.
    std::uint8_t speedCode = profile->SpeedCode;
    bool matches = (code == 0x0F && speedCode == 4) || (code == 0x20 && speedCode == 2) ||
                   (code == 0x23 && speedCode == 5) ||
                   (code == 0x31 && (speedCode == 1 || speedCode == 3 || speedCode == 6));
    std::size_t at = code == 0x23 ? 4 : 2;
    if (matches && at < page.size()) {
        defaultSpeed = page[at];
    }
}

void SptiDevice::applyProfileDefaults() {
    bool vendorDrive = profile->TrkInfo == 0xFF && !profile->mmcCdda;
    CommandDevice::applyProfileDefaults();
    if (vendorDrive) {
        profile->SpeedCode = 1;
    }
}

}  // namespace kel::diag
