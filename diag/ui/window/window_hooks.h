// Hands the panes and the status bar to the disc model and the readers:
// their status texts and tree insertions, which may come from the disc scan
// thread, are carried to the main thread.
#pragma once

namespace kel::diag {

class MainStatusBar;
class Panes;

// Installs the handlers; either may be null. Texts for a status bar that is
// gone are dropped.
void InstallPaneHooks(Panes* panes, MainStatusBar* statusBar);

}  // namespace kel::diag
