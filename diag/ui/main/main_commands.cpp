// What each command of the main window does.
#include <algorithm>
#include <string>

#include "diag/device/device_access.h"
#include "diag/disc/analysis/analysis_dialog.h"
#include "diag/disc/scan/scan_disc.h"
#include "diag/disc/scan/toc_dialog.h"
#include "diag/disc/track_info.h"
#include "diag/fs/treefile/directory_tree_file.h"
#include "diag/fs/volinfo/show_volume_info.h"
#include "diag/fs/volinfo/volume_info_dialog.h"
#include "diag/state/program_flags.h"
#include "diag/tools/cdg/cdg_player.h"
#include "diag/tools/errscan/error_summary.h"
#include "diag/tools/exports/directory_listing.h"
#include "diag/tools/exports/subchannel_q.h"
#include "diag/tools/hardware/hardware_info_dialog.h"
#include "diag/tools/sector/sector_display.h"
#include "diag/ui/copy/copy_command.h"
#include "diag/ui/help_contexts.h"
#include "diag/ui/help_file.h"
#include "diag/ui/main/about_dialog.h"
#include "diag/ui/main/main_window.h"
#include "diag/ui/main/shell_address.h"
#include "diag/ui/messages.h"
#include "diag/ui/options/preferences_sheet.h"
#include "diag/ui/options/select_drive_dialog.h"

namespace kel::diag {
namespace {

constexpr std::size_t kMaxAddress = 500;

// Sets the busy flag around a modal operation, so that the window holds a
// close until it has returned.
class BusyOperation {
public:
    BusyOperation() { BusyFlag() = true; }
    ~BusyOperation() { EndOperation(); }
    BusyOperation(const BusyOperation&) = delete;
    BusyOperation& operator=(const BusyOperation&) = delete;
};

}  // namespace

void MainWindow::runCommand(int id) {
    using namespace command;
    switch (id) {
        case kSelectDrive:
        case kToolSelectDrive:
            selectDrive();
            return;
        case kSectorDisplay:
        case kToolSectorDisplay:
            sectorDisplay();
            return;
        case kPreferences:
            preferences();
            return;
        case kExit:
            close();
            return;
        case kLargeIcons:
        case kLargeIcons + 1:
        case kLargeIcons + 2:
        case kLargeIcons + 3:
            panes_->SetListStyle(id - kLargeIcons);
            return;
        case kToolLargeIcons:
        case kToolLargeIcons + 1:
        case kToolLargeIcons + 2:
        case kToolLargeIcons + 3:
            panes_->SetListStyle(id - kToolLargeIcons);
            return;
        case kRefresh:
        case kToolRefresh:
            refresh();
            return;
        case kAnalysis:
        case kToolAnalysis:
            analysis();
            return;
        case kTableOfContents:
        case kToolTableOfContents:
            tableOfContents();
            return;
        case kVolume:
        case kToolVolume:
            volume();
            return;
        case kErrorSummary:
        case kToolErrorSummary:
            errorSummary();
            return;
        case kDiscReport:
            SaveDirectoryListing(false);
            return;
        case kWriteSubQ:
            writeSubQ();
            return;
        case kHardwareInfo:
            hardwareInfo();
            return;
        case kOpenTray:
            tray(true);
            return;
        case kCloseTray:
            tray(false);
            return;
        case kHelpTopics:
            OpenProgramHelp(help_context::kContents);
            return;
        case kCheckUpdate:
            checkForUpdate();
            return;
        case kAbout:
            about();
            return;
        case kCdg:
            cdg();
            return;
        case kSaveDirectory:
            SaveDirectoryTree();
            return;
        case kRestoreDirectory:
            LoadDirectoryTree();
            return;
        case kCopyFile:
            CopyFileCommand(this, *panes_);
            return;
        case kCopyDirectory:
            CopyDirectoryCommand(this, *panes_);
            return;
        case kCopyTrackImage:
            CopyTrackImageCommand(this, *panes_);
            return;
        default:
            return;
    }
}

CdDevice* MainWindow::deviceOrMessage() {
    CdDevice* device = CurrentDevice();
    if (device == nullptr) {
        ShowMessage(102);
    }
    return device;
}

TrackInfo* MainWindow::selectedTrack() const {
    const FileNode* node = panes_ ? panes_->SelectedTreeNode() : nullptr;
    return node != nullptr ? node->track : nullptr;
}

void MainWindow::selectDrive() {
    if (RunSelectDrive(this) == 1) {
        StartScanDisc();
    }
}

void MainWindow::refresh() {
    CdDevice* device = deviceOrMessage();
    if (device == nullptr) {
        return;
    }
    if (!device->TestUnitReady()) {
        ShowMessage(107, device->DeviceDescription());
        return;
    }
    if (Tracks().first != nullptr &&
        ShowMessage(MessageArg(253, style::kOkCancel | style::kSecondDefault)) != answer::kOk) {
        return;
    }
    StartScanDisc();
}

void MainWindow::sectorDisplay() {
    if (deviceOrMessage() != nullptr) {
        OpenSectorDisplay();
    }
}

void MainWindow::preferences() {
    ShowPreferences(this);
    statusBar_->ShowDeviceInStatusBar(CurrentDevice());
}

void MainWindow::analysis() {
    if (deviceOrMessage() == nullptr) {
        return;
    }
    const BusyOperation busy;
    ShowAnalysisDialog(this, [](AnalysisDialog& dialog) {
        connect(&dialog, &AnalysisDialog::helpRequested, &dialog, &OpenProgramHelp);
        connect(&dialog, &AnalysisDialog::popupHelpRequested, &dialog, &ShowPopupHelp);
    });
}

void MainWindow::tableOfContents() {
    if (deviceOrMessage() == nullptr) {
        return;
    }
    TocDialog dialog(this);
    connect(&dialog, &TocDialog::helpRequested, &dialog, &OpenProgramHelp);
    dialog.exec();
}

void MainWindow::volume() {
    if (deviceOrMessage() == nullptr) {
        return;
    }
    const TrackInfo* track = selectedTrack();
    if (track == nullptr) {
        ShowMessage(133);
        return;
    }
    ShowVolumeInfo(track, [](VolumeInfoDialog& dialog) {
        connect(&dialog, &VolumeInfoDialog::helpRequested, &dialog, &OpenProgramHelp);
    });
}

void MainWindow::errorSummary() {
    if (deviceOrMessage() == nullptr) {
        return;
    }
    const BusyOperation busy;
    RunErrorSummary();
}

void MainWindow::writeSubQ() {
    const TrackInfo* track = selectedTrack();
    if (track == nullptr) {
        ShowMessage(234);
        return;
    }
    // Its progress window lets the other commands through while it reads.
    const BusyOperation busy;
    SaveSubchannelQ(*track);
}

void MainWindow::hardwareInfo() {
    CdDevice* device = deviceOrMessage();
    if (device == nullptr) {
        return;
    }
    ShowHardwareInfo(this, *device, [](HardwareInfoDialog& dialog) {
        connect(&dialog, &HardwareInfoDialog::helpRequested, &dialog, &OpenProgramHelp);
    });
}

void MainWindow::tray(bool open) {
    CdDevice* device = deviceOrMessage();
    if (device == nullptr) {
        return;
    }
    if (device->LoadEject(open) && !open) {
        StartScanDisc();
    }
}

// The CD+G player takes the track of the selection, as the Q export does.
// Its window is not modal: the busy flag keeps the other commands off the
// drive while it plays.
void MainWindow::cdg() {
    const TrackInfo* track = selectedTrack();
    if (track == nullptr) {
        ShowMessage(234);
        return;
    }
    const BusyOperation busy;
    PlayCdgTrack(*track);
}

void MainWindow::checkForUpdate() {
    std::string address = LoadResString(9071);
    address.resize(std::min(address.size(), kMaxAddress));
    OpenShellAddress(address, address);
}

void MainWindow::about() {
    AboutDialog dialog(this, false);
    dialog.exec();
}

}  // namespace kel::diag
