#include "diag/device/device_access.h"

#include <atomic>
#include <mutex>

#include "diag/device/aspi_access.h"
#include "diag/device/registry_key.h"
#include "diag/device/spti_device.h"
#include "platform/drives/system_info.h"

namespace kel::diag {

namespace {

struct AccessState {
    std::mutex mutex;
    AccessInterface selected = AccessInterface::None;
    std::shared_ptr<const DriveAccess> drives;
    std::optional<AspiBackend> aspi;
};

AccessState& state() {
    static AccessState s;
    return s;
}

std::atomic<CdDevice*> current{nullptr};

}  // namespace

bool InitDeviceAccess(StringSource strings, MessageCallback messages, DeviceAccessSetup setup) {
    RegistryKey key;
    std::uint32_t aspiOnly = key.Open() ? key.ReadDword("UseASPIOnly", 0) : 0;
    AccessState& s = state();
    std::lock_guard lock(s.mutex);
    s.selected = AccessInterface::None;
    s.aspi = setup.aspi ? std::move(setup.aspi) : MakeAspiBackend(strings);
    if (aspiOnly == 0 && drives::platformFamily() == drives::PlatformFamily::Nt) {
        s.drives = setup.drives ? std::move(setup.drives) : systemDriveAccess(std::move(strings));
        s.selected = AccessInterface::PassThrough;
        return true;
    }
    if (!s.aspi->load(messages)) {
        return false;
    }
    s.selected = AccessInterface::Aspi;
    return true;
}

void ShutdownDeviceAccess() {
    AccessState& s = state();
    std::lock_guard lock(s.mutex);
    if (s.selected == AccessInterface::Aspi && s.aspi && s.aspi->unload) {
        s.aspi->unload();
    }
    s.selected = AccessInterface::None;
}

AccessInterface SelectedAccessInterface() {
    std::lock_guard lock(state().mutex);
    return state().selected;
}

std::unique_ptr<CdDevice> CreateDevice() {
    AccessState& s = state();
    std::lock_guard lock(s.mutex);
    switch (s.selected) {
        case AccessInterface::PassThrough:
            return std::make_unique<SptiDevice>(s.drives);
        case AccessInterface::Aspi:
            return s.aspi->create();
        case AccessInterface::None:
            break;
    }
    return nullptr;
}

std::unique_ptr<CdDevice> CloneDevice(const CdDevice& device) {
    return device.Clone();
}

CdDevice* CurrentDevice() {
    return current.load();
}

void SetCurrentDevice(CdDevice* device) {
    current.store(device);
}

}  // namespace kel::diag
