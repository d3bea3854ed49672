// morvale-scan X: runs MORVALE's disc scan on drive X: of the drive
// configuration, with no window and with messages on standard error, and
// lists the file trees it read (tree_lines.h). For tests and bug reports.
#include <QApplication>
#include <cctype>
#include <cstdlib>
#include <iostream>
#include <memory>
#include <string>

#include "diag/device/device_access.h"
#include "diag/device/program_callbacks.h"
#include "diag/disc/disc_info.h"
#include "diag/disc/scan/scan_disc.h"
#include "diag/disc/scan/scan_hooks.h"
#include "diag/scan_tool/tree_lines.h"
#include "diag/state/program_flags.h"
#include "diag/ui/guides.h"
#include "diag/ui/messages.h"
#include "diag/ui/options/options_store.h"

namespace kel::diag {
namespace {

int Fail(const std::string& text) {
    std::cerr << "morvale-scan: " << text << '\n';
    return 1;
}

// Questions get the answer that lets the scan go on.
int AnswerOnStandardError(int id, std::uint16_t styleWord, const std::string& text) {
    std::cerr << "message " << id << ": " << text << '\n';
    const std::uint16_t buttons = styleWord & 0x000F;
    return buttons == style::kYesNo || buttons == style::kYesNoCancel ? answer::kYes : answer::kOk;
}

// The device on `letter`, opened and ready; null after a message.
std::unique_ptr<CdDevice> OpenDrive(char letter, std::string& problem) {
    std::unique_ptr<CdDevice> device = CreateDevice();
    const std::string wanted{letter, ':'};
    bool found = device != nullptr && device->FindFirst();
    while (found && device->AddressName() != wanted) {
        found = device->FindNext();
    }
    if (!found) {
        problem = "no CD drive " + wanted + " in the drive configuration";
        return nullptr;
    }
    attachProgramCallbacks(*device);
    if (!device->Open()) {
        problem = "drive " + wanted + " could not be opened";
        return nullptr;
    }
    // A drive's first answer after a medium change is the change itself.
    if (!device->TestUnitReady() && !device->TestUnitReady()) {
        problem = "drive " + wanted + " is not ready";
        return nullptr;
    }
    return device;
}

int Run(QApplication& app, char letter) {
    SetMessageResponder(AnswerOnStandardError);
    if (!InitDeviceAccess(programStrings(), programMessageCallback())) {
        return Fail("no drive access");
    }
    LoadOptions();
    SetGuideFlags(0);
    ScanHooks hooks;
    hooks.reportFault = [](const std::string& what) { Fail("the scan stopped: " + what); };
    SetScanHooks(std::move(hooks));
    std::string problem;
    std::unique_ptr<CdDevice> device = OpenDrive(letter, problem);
    if (device == nullptr) {
        ShutdownDeviceAccess();
        return Fail(problem);
    }
    SetCurrentDevice(device.get());
    if (!StartScanDisc()) {
        SetCurrentDevice(nullptr);
        ShutdownDeviceAccess();
        return Fail("the scan could not start");
    }
    while (BusyFlag()) {
        app.processEvents(QEventLoop::AllEvents, 5);
    }
    app.processEvents();
    for (const TrackInfo* track = Tracks().first; track != nullptr; track = track->next) {
        // Tracks without a file system hang a single placeholder node; the
        // blank disc's is marked as a directory, though nothing is below it.
        if (track->root != nullptr && IsDirectory(*track->root) &&
            (track->flags & track_flags::kBlank) == 0) {
            WriteTreeLines(std::cout, *track->root);
        }
    }
    std::cout.flush();
    ReleaseDiscInfo();
    SetCurrentDevice(nullptr);
    device.reset();
    ShutdownDeviceAccess();
    return 0;
}

}  // namespace
}  // namespace kel::diag

int main(int argc, char** argv) {
    const std::string drive = argc == 2 ? argv[1] : "";
    if (drive.size() != 2 || drive[1] != ':' || std::toupper(drive[0]) < 'A' ||
        std::toupper(drive[0]) > 'Z') {
        std::cerr << "usage: morvale-scan X:\n";
        return 1;
    }
    // No window is shown: the scan's dialogs need a platform, not a display.
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    return kel::diag::Run(app, static_cast<char>(std::toupper(drive[0])));
}
