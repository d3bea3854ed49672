#include <cstdio>
#include <cstring>

#include "diag/device/aspi_device.h"
#include "diag/device/registry_key.h"

namespace kel::diag {

namespace {

// Open's MODE SENSE reads 2048 bytes; INQUIRY results are dumped as far as
// the identification goes; a read that finds the drive not ready after the
// readiness polls is tried again.
constexpr CommandDialect kAspi{2048, 128, true};
constexpr char kBypassValue[] = "AdapterBypass";
constexpr std::size_t kInquiryBytes = 256;

bool bypassed(std::uint32_t bypass, std::int32_t adapter) {
    return adapter < 32 && (bypass >> adapter & 1) != 0;
}

std::uint32_t withAdapter(std::uint32_t bypass, std::int32_t adapter) {
    return adapter < 32 ? bypass | std::uint32_t{1} << adapter : bypass;
}

}  // namespace

AspiDevice::AspiDevice(std::shared_ptr<const AspiAccess> access)
    : CommandDevice(kAspi), access_(std::move(access)) {}

AspiDevice::AspiDevice(const AspiDevice& source, CloneTag tag)
    : CommandDevice(source, tag),
      adapter(source.adapter),
      target(source.target),
      access_(source.access_) {}

std::unique_ptr<CdDevice> AspiDevice::Clone() const {
    return std::unique_ptr<CdDevice>(new AspiDevice(*this, CloneTag{}));
}

std::string AspiDevice::AddressName() const {
    char text[32];
    std::snprintf(text, sizeof text, "%d:%d", adapter, target);
    return text;
}

std::string AspiDevice::InterfaceName() const {
    if (!access_->version) {
        return "*** Unknown ***";
    }
    const std::array<std::uint16_t, 4>& v = *access_->version;
    char numbers[32];
    std::snprintf(numbers, sizeof numbers, "%u.%u.%u.%u", v[0], v[1], v[2], v[3]);
    return access_->modulePath.filename().string() + " - " + numbers;
}

bool AspiDevice::FindFirst() {
    adapter = -1;
    target = -1;
    return FindNext();
}

bool AspiDevice::advance(std::uint32_t bypass) {
    if (adapter == -1) {
        adapter = 0;
        target = 0;
    } else if (++target >= MaxTargets()) {
        target = 0;
        ++adapter;
    }
    while (adapter < access_->adapterCount && bypassed(bypass, adapter)) {
        ++adapter;
    }
    return adapter < access_->adapterCount;
}

bool AspiDevice::probe(std::uint32_t bypass) {
    RegistryKey key;
    key.Open();
    // Marked while the probe runs: a probe that never returns leaves the
    // adapter marked, and later scans skip it.
    key.WriteDword(kBypassValue, withAdapter(bypass, adapter));
    if (debugLevel > 0) {
        log("Checking device at %d:%d", adapter, target);
    }
    auto srb = aspi::makeRequest<aspi::SrbGetDevType>(aspi::SC_GET_DEV_TYPE,
                                                      static_cast<std::uint8_t>(adapter));
    srb.SRB_Target = static_cast<std::uint8_t>(target);
    srb.SRB_Lun = 0;
    access_->manager.SendASPI32Command(&srb);
    key.WriteDword(kBypassValue, bypass);
    if (srb.head.SRB_Status != aspi::SS_COMP) {
        return false;
    }
    if (debugLevel > 0) {
        log("Found device at %d:%d type %x", adapter, target, srb.SRB_DeviceType);
    }
    if (srb.SRB_DeviceType == aspi::kDirectAccessDevice && registryName.empty()) {
        std::array<std::uint8_t, kInquiryBytes> inquiry{};
        if (Inquiry(inquiry)) {
            const char* names = reinterpret_cast<const char*>(inquiry.data() + 8);
            registryName.assign(names, strnlen(names, kMaxRegistryName));
        }
    }
    return srb.SRB_DeviceType == aspi::kCdRomDevice || srb.SRB_DeviceType == aspi::kWriteOnceDevice;
}

bool AspiDevice::FindNext() {
    RegistryKey key;
    std::uint32_t bypass = key.Open() ? key.ReadDword(kBypassValue, 0) : 0;
    while (advance(bypass)) {
        if (probe(bypass)) {
            return true;
        }
    }
    return false;
}

}  // namespace kel::diag
