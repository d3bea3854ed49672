#include "diag/ui/main/program_hooks.h"

#include <QPointer>

#include "diag/device/device_access.h"
#include "diag/disc/disc_info.h"
#include "diag/disc/scan/scan_hooks.h"
#include "diag/tools/errscan/error_summary.h"
#include "diag/tools/errscan/recovery_setting.h"
#include "diag/tools/report/fault_handler.h"
#include "diag/ui/help_file.h"
#include "diag/ui/main/main_window.h"
#include "diag/ui/main/program_version.h"
#include "diag/ui/main_thread.h"
#include "diag/ui/messages.h"
#include "diag/ui/options/device_list.h"
#include "diag/ui/progress_dialog.h"
#include "diag/ui/window/window_hooks.h"
#include "platform/base/log.h"

namespace kel::diag {

void InstallProgramHooks(MainWindow& window) {
    QPointer<MainWindow> main(&window);
    QPointer<Panes> panes(window.panes());
    SetMessageContext(&window, kWindowTitle);
    InstallPaneHooks(window.panes(), window.mainStatusBar());

    ScanHooks scan;
    scan.selectTreeNode = [panes](FileNode& node) {
        if (panes) {
            panes->SelectTreeNode(node);
        }
    };
    scan.setWindowTitle = [main](const std::string& title) {
        if (main) {
            main->setWindowTitle(QString::fromStdString(title));
        }
    };
    scan.reportFault = [](const std::string& what) {
        log::warning("MORVALE", "disc scan stopped by an exception: " + what);
        ReportCaughtException();
    };
    scan.programVersion = GetVersionText();
    SetScanHooks(std::move(scan));

    // The scan releases the list on its own thread; the panes' items point
    // into it, so they go first, on the main thread, before it goes on.
    SetTrackListReleaseHook([panes] {
        RunOnMainThread([&panes] {
            if (panes) {
                panes->ClearTree();
            }
            return 0;
        });
    });

    SetDeviceSelectionHooks({
        [main](CdDevice* device) {
            if (main) {
                main->mainStatusBar()->ShowDeviceInStatusBar(device);
            }
        },
        [main] {
            if (main) {
                main->EnableDeviceCommands();
            }
        },
        [](CdDevice&) { PrepareErrorRecovery(); },
        [panes] {
            if (panes) {
                panes->RepaintPanes();
            }
        },
    });

    SetProgressCancelHandler([] {
        if (CdDevice* device = CurrentDevice()) {
            device->SetCancel();
        }
    });
    SetErrorSummaryHelp(&OpenProgramHelp);
}

void RemoveProgramHooks() {
    SetErrorSummaryHelp({});
    SetProgressCancelHandler({});
    SetDeviceSelectionHooks({});
    SetTrackListReleaseHook({});
    SetScanHooks({});
    InstallPaneHooks(nullptr, nullptr);
    SetMessageContext(nullptr, kWindowTitle);
}

}  // namespace kel::diag
