// What the main window shows of a finished scan.
#include "diag/disc/scan/scan_hooks.h"
#include "diag/disc/scan/scan_steps.h"
#include "diag/disc/scan/volume_names.h"
#include "diag/disc/track_list.h"
#include "diag/state/pane_hooks.h"
#include "diag/state/volume_label.h"
#include "diag/ui/main_thread.h"
#include "diag/ui/message_context.h"

namespace kel::diag {
namespace {

void setWindowTitle(const std::string& title) {
    const ScanHooks& hooks = CurrentScanHooks();
    if (hooks.setWindowTitle) {
        RunOnMainThread([&] {
            hooks.setWindowTitle(title);
            return 0;
        });
    }
}

void selectTreeNode(FileNode& node) {
    const ScanHooks& hooks = CurrentScanHooks();
    if (hooks.selectTreeNode) {
        RunOnMainThread([&] {
            hooks.selectTreeNode(node);
            return 0;
        });
    }
}

// The program title is the caption every message of the program carries.
std::string programTitle() {
    return CurrentMessageContext().caption;
}

}  // namespace

void ShowProgramTitle() {
    setWindowTitle(programTitle());
}

void ShowScanResult() {
    TrackInfo* first = Tracks().first;
    first->selected = 1;
    if (first->root != nullptr) {
        selectTreeNode(*first->root);
    }
    // A disc without a volume the readers could name is named by its first
    // track's node.
    std::string label = CurrentVolumeLabel();
    if (label.empty() && first->root != nullptr) {
        label = TitleLabel(*first->root);
    }
    setWindowTitle(label + " - " + programTitle());
    StatusText(124, CountTracks(), Tracks().last->session);
}

}  // namespace kel::diag
