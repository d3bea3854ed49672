#include "diag/ui/options/device_list.h"

#include "diag/device/device_access.h"
#include "diag/device/device_database.h"
#include "diag/device/program_callbacks.h"
#include "diag/device/registry_key.h"
#include "diag/state/options.h"
#include "diag/tools/debug_log.h"
#include "diag/ui/options/options_store.h"
#include "platform/base/paths.h"

namespace kel::diag {
namespace {

DeviceSelectionHooks& hooks() {
    static DeviceSelectionHooks installed;
    return installed;
}

}  // namespace

void SetDeviceSelectionHooks(DeviceSelectionHooks selectionHooks) {
    hooks() = std::move(selectionHooks);
}

const DeviceSelectionHooks& SelectionHooks() {
    return hooks();
}

std::vector<std::unique_ptr<CdDevice>>& Devices() {
    static std::vector<std::unique_ptr<CdDevice>> devices;
    return devices;
}

bool InitDevices() {
    std::unique_ptr<CdDevice> probe = CreateDevice();
    if (!probe) {
        return false;
    }
    attachProgramCallbacks(*probe);
    probe->SetDebugLevel(DeviceDebugLevel(Options()));
    // Tests give their own database before enumerating.
    if (DatabaseFileName().empty()) {
        // A program folder the user cannot write keeps the installed
        // database; the user's own copy is then kept elsewhere.
        SetDatabaseFileName(paths::besideProgram(kDeviceDatabaseName),
                            paths::programDir() / kDeviceDatabaseName);
    }
    if (!probe->FindFirst()) {
        return false;
    }
    SetCurrentDevice(nullptr);
    std::vector<std::unique_ptr<CdDevice>>& devices = Devices();
    for (;;) {
        const bool opened = probe->Open();
        // The clone keeps the enumeration position; a drive that did not
        // open is dropped with its object.
        std::unique_ptr<CdDevice> next = CloneDevice(*probe);
        if (opened) {
            devices.push_back(std::move(probe));
        }
        if (!next->FindNext()) {
            break;
        }
        probe = std::move(next);
    }

    if (Options().autoStart == 0) {
        return false;
    }
    RegistryKey key;
    OpenProgramKey(key);
    const std::string last = key.ReadString("LastDevice", "");
    if (!last.empty()) {
        for (const std::unique_ptr<CdDevice>& device : devices) {
            if (device->AddressName() == last) {
                SetCurrentDevice(device.get());
                break;
            }
        }
    }
    CdDevice* current = CurrentDevice();
    if (current == nullptr || !current->TestUnitReady()) {
        return false;
    }
    ChooseDevice(*current);
    return true;
}

void ChooseDevice(CdDevice& device) {
    SetCurrentDevice(&device);
    const DeviceSelectionHooks& selection = hooks();
    if (selection.showDevice) {
        selection.showDevice(&device);
    }
    if (selection.enableDeviceCommands) {
        selection.enableDeviceCommands();
    }
    if (selection.prepareRecovery) {
        selection.prepareRecovery(device);
    }
    UseSelectedDevice();
}

void UseSelectedDevice() {
    CdDevice* device = CurrentDevice();
    if (device == nullptr) {
        return;
    }
    if (logSwitches().debugMode) {
        DebugLog("Selecting %s for use at %s, sector size set to %d", device->DeviceDescription(),
                 device->AddressName(), device->blockLength);
    }
    device->noReadErrorMessage = Options().quietReads;
    RegistryKey key;
    if (OpenProgramKey(key)) {
        key.WriteString("LastDevice", device->AddressName());
    }
}

void FreeDevices() {
    SetCurrentDevice(nullptr);
    Devices().clear();
}

}  // namespace kel::diag
