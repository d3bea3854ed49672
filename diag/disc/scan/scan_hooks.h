// What the disc scan needs of the main window: the tree selection and the
// window title at the end of a scan, the problem report, and the program's
// version for the log. The main window installs them at start;
// without a handler the step is left out, as in a program without a window.
#pragma once

#include <functional>
#include <string>

#include "diag/fs/file_node.h"

namespace kel::diag {

struct ScanHooks {
    // Selects the node's item in the tree pane, which shows its entries and
    // enables the commands that need a selected track. Run on the main thread.
    std::function<void(FileNode& node)> selectTreeNode;
    // Sets the main window's title. Run on the main thread.
    std::function<void(const std::string& title)> setWindowTitle;
    // Records a fault that stopped the scan in the problem report; called on
    // the scan thread.
    std::function<void(const std::string& what)> reportFault;
    // The program's version text for the debug log's header; empty when the
    // program has none.
    std::string programVersion;
};

// Replaces the hooks; main thread, while no scan runs.
void SetScanHooks(ScanHooks hooks);
const ScanHooks& CurrentScanHooks();

}  // namespace kel::diag
