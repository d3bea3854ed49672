// The program's choice of access interface, made once at start, and the
// drive object that every command works on.
#pragma once

#include <functional>
#include <memory>
#include <optional>

#include "diag/device/cd_device.h"
#include "diag/device/drive_access.h"

namespace kel::diag {

enum class AccessInterface { None, PassThrough, Aspi };

// What the ASPI back end offers the selection: loading and releasing its
// manager (load shows its own messages) and new device objects.
struct AspiBackend {
    std::function<bool(const MessageCallback& messages)> load;
    std::function<void()> unload;
    std::function<std::unique_ptr<CdDevice>()> create;
};

struct DeviceAccessSetup {
    // The drives the pass-through reaches; null: the system's.
    std::shared_ptr<const DriveAccess> drives;
    std::optional<AspiBackend> aspi;
};

// Reads UseASPIOnly from the program's settings key: 0 selects the
// pass-through, which this system always has; otherwise the ASPI back end
// is loaded. `strings` gives the sense texts; `messages` goes to the ASPI
// loader. False when no access is possible.
bool InitDeviceAccess(StringSource strings, MessageCallback messages, DeviceAccessSetup setup = {});
// Releases the ASPI manager when it is in use.
void ShutdownDeviceAccess();
AccessInterface SelectedAccessInterface();

// A new unopened device of the selected interface; null before
// InitDeviceAccess.
std::unique_ptr<CdDevice> CreateDevice();
// A new device at the same enumeration position, keeping quiet, the debug
// level, the callbacks, the medium class and a copy of the profile.
std::unique_ptr<CdDevice> CloneDevice(const CdDevice& device);

// The device every command of the main window uses; null when none.
CdDevice* CurrentDevice();
void SetCurrentDevice(CdDevice* device);

}  // namespace kel::diag
