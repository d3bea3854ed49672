#include "diag/ui/main/win_main.h"

#include <QApplication>
#include <QPointer>
#include <chrono>
#include <thread>

#include "diag/device/device_access.h"
#include "diag/device/program_callbacks.h"
#include "diag/device/registry_key.h"
#include "diag/disc/disc_info.h"
#include "diag/disc/scan/scan_disc.h"
#include "diag/state/options.h"
#include "diag/state/program_flags.h"
#include "diag/tools/cdg/cdg_record_file.h"
#include "diag/tools/report/fault_handler.h"
#include "diag/ui/main/about_dialog.h"
#include "diag/ui/main/command_line.h"
#include "diag/ui/main/main_window.h"
#include "diag/ui/main/program_hooks.h"
#include "diag/ui/main/program_version.h"
#include "diag/ui/main/window_placement.h"
#include "diag/ui/messages.h"
#include "diag/ui/options/device_list.h"
#include "diag/ui/options/options_store.h"
#include "diag/ui/window/temp_directory.h"

namespace kel::diag {
namespace {

// Serves the events of the program until `done` holds.
template <typename Done>
void pumpUntil(Done done) {
    while (!done()) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
        QApplication::processEvents(QEventLoop::AllEvents);
    }
}

void waitForSplash(const QPointer<AboutDialog>& splash) {
    pumpUntil([&splash] { return splash.isNull() || !splash->isVisible(); });
    delete splash.data();
}

// The disc scan's thread ends by itself; meanwhile its status texts, tree
// insertions and messages need the main thread, so it is served, never
// joined. A close held during the scan has told the readers to stop early.
void waitForOperation() {
    pumpUntil([] { return !BusyFlag(); });
}

void cleanUp(MainWindow& window) {
    waitForOperation();
    CleanTempDirectory();
    delete window.panes();
    ShutdownDeviceAccess();
    FreeDevices();
    ReleaseDiscInfo();
    RemoveProgramHooks();
}

}  // namespace

int WinMain(QApplication& app, std::string_view commandLine) {
    // The loop ends when the main window goes, not when the splash does.
    app.setQuitOnLastWindowClosed(false);
    SetMessageContext(nullptr, kWindowTitle);

    QPointer<AboutDialog> splash = new AboutDialog(nullptr, true);
    splash->show();

    if (!ParseCommandLine(commandLine)) {
        waitForSplash(splash);
        return 0;
    }

    // The first open of the settings store fixes its product for the run.
    RegistryKey settings;
    OpenProgramKey(settings);
    SetBusyCursor(true);
    waitForSplash(splash);

    MainWindow window;
    // The window ends the message loop, not whoever else runs one.
    QObject::connect(&window, &MainWindow::windowEnded, &window, [] { QCoreApplication::exit(0); });
    InstallProgramHooks(window);
    if (!InitDeviceAccess(programStrings(), programMessageCallback())) {
        SetBusyCursor(false);
        cleanUp(window);
        return 0;
    }
    LoadOptions();
    // The record files that crashed players left in the temporary folder.
    CdgRecordFile::RemoveAbandoned(Options().tempPath);
    // After the options (the report goes to their temporary folder) and
    // before the scan's thread starts.
    ProblemReportSettings report;
    report.programVersion = GetVersionText();
    InstallProblemReportHandler(report);
    if (Options().savePosition != 0) {
        RestoreWindowPlacement(window);
    }
    window.show();
    if (InitDevices()) {
        StartScanDisc();
    }
    SetBusyCursor(false);

    int result = 0;
    if (!window.windowDestroyed()) {
        result = QApplication::exec();
    }
    cleanUp(window);
    return result;
}

}  // namespace kel::diag
