#include "diag/device/spti_device.h"

namespace kel::diag {

namespace {

// Open's MODE SENSE reads 1024 bytes; INQUIRY results are dumped whole.
constexpr CommandDialect kPassThrough{1024, 256, false};

}  // namespace

SptiDevice::SptiDevice(std::shared_ptr<const DriveAccess> access)
    : CommandDevice(kPassThrough), access_(std::move(access)) {}

SptiDevice::SptiDevice(const SptiDevice& source, CloneTag tag)
    : CommandDevice(source, tag), driveLetter(source.driveLetter), access_(source.access_) {}

std::unique_ptr<CdDevice> SptiDevice::Clone() const {
    return std::unique_ptr<CdDevice>(new SptiDevice(*this, CloneTag{}));
}

bool SptiDevice::ScanRegistryName() {
    std::string name = access_->firstDiskName ? access_->firstDiskName() : std::string();
    registryName = name.substr(0, kMaxRegistryName);
    return !registryName.empty();
}

bool SptiDevice::FindFirst() {
    if (registryName.empty()) {
        ScanRegistryName();
    }
    driveLetter = 0;
    return FindNext();
}

bool SptiDevice::FindNext() {
    while (driveLetter <= 'Z') {
        driveLetter = driveLetter == 0 ? 'A' : static_cast<std::uint8_t>(driveLetter + 1);
        if (driveLetter <= 'Z' && access_->isCdLetter(static_cast<char>(driveLetter))) {
            return true;
        }
    }
    return false;
}

std::string SptiDevice::AddressName() const {
    return driveLetter == 0 ? std::string() : std::string{static_cast<char>(driveLetter), ':'};
}

}  // namespace kel::diag
