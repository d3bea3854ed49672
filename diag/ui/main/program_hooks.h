// What the other parts of the program reach the main window through: the
// panes and status bar for the readers, the scan's selection and title, the
// choice of a drive, the release of the track list, the progress dialog's
// Cancel and the help of the error summary.
#pragma once

namespace kel::diag {

class MainWindow;

void InstallProgramHooks(MainWindow& window);
// At exit: every hook back to none, so nothing reaches a window that is gone.
void RemoveProgramHooks();

}  // namespace kel::diag
