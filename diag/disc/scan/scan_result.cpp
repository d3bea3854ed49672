// What the main window shows of a finished scan.
#include "diag/disc/scan/scan_hooks.h"
#include "diag/disc/scan/scan_steps.h"
#include "diag/disc/scan/volume_names.h"
#include "diag/disc/track_list.h"
#include "diag/state/pane_hooks.h"
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

// A hybrid track's HFS twin is not a track of its own.
int countTracks() {
    int count = 0;
    for (const TrackInfo* r = Tracks().first; r != nullptr; r = r->next) {
        if (!IsLeadOut(*r) && (r->flags & track_flags::kHfsTwin) == 0) {
            ++count;
        }
    }
    return count;
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
    const std::string label = first->root != nullptr ? TitleLabel(*first->root) : std::string();
    setWindowTitle(label + " - " + programTitle());
    StatusText(124, countTracks(), Tracks().last->session);
}

}  // namespace kel::diag
