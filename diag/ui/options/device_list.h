// The drives the program found at start, the choice of the one it works on,
// and what the main window does when a drive has been chosen.
#pragma once

#include <functional>
#include <memory>
#include <vector>

#include "diag/device/cd_device.h"

namespace kel::diag {

// What the main window does once a device is chosen; each may be empty (then
// that step is skipped, as in tests without a main window).
struct DeviceSelectionHooks {
    // Shows the device (or none) in the status bar.
    std::function<void(CdDevice* device)> showDevice;
    // Enables the menu items and toolbar buttons that need a device.
    std::function<void()> enableDeviceCommands;
    // Prepares the device's read-error recovery for the error scan.
    std::function<void(CdDevice& device)> prepareRecovery;
    // Repaints the panes after the preferences changed what they show.
    std::function<void()> repaintPanes;
};
void SetDeviceSelectionHooks(DeviceSelectionHooks hooks);
const DeviceSelectionHooks& SelectionHooks();

// Every device that opened during enumeration, in drive order. Main thread.
std::vector<std::unique_ptr<CdDevice>>& Devices();

// Fills the device list and picks the last used device when "AutoStart" is
// on; true when that device is ready (the caller then scans the disc).
bool InitDevices();
// Logs the choice, hands the device the quiet-reads option and remembers it
// as "LastDevice".
void UseSelectedDevice();
// Makes `device` the current one and does what a choice brings with it.
void ChooseDevice(CdDevice& device);
// Deletes every device at exit.
void FreeDevices();

}  // namespace kel::diag
