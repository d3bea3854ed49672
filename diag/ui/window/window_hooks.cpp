#include "diag/ui/window/window_hooks.h"

#include <QPointer>
#include <string>

#include "diag/state/pane_hooks.h"
#include "diag/ui/main_thread.h"
#include "diag/ui/window/panes.h"
#include "diag/ui/window/status_bar.h"

namespace kel::diag {

void InstallPaneHooks(Panes* panes, MainStatusBar* statusBar) {
    PaneHooks hooks;
    if (statusBar != nullptr) {
        QPointer<MainStatusBar> bar(statusBar);
        // A worker does not wait for its status text: it is queued with a
        // copy of the text.
        hooks.statusText = [bar](std::string_view text) {
            if (OnMainThread()) {
                if (bar) {
                    bar->setStatusText(text);
                }
                return;
            }
            PostToMainThread([bar, copy = std::string(text)] {
                if (bar) {
                    bar->setStatusText(copy);
                }
            });
        };
    }
    if (panes != nullptr) {
        QPointer<Panes> target(panes);
        // The reader goes on to the node's subdirectories, which need its
        // item: the insertion is done before the call returns.
        hooks.insertTreeNode = [target](FileNode& node) {
            RunOnMainThread([&] {
                if (target) {
                    target->AddTreeNode(node);
                }
                return 0;
            });
        };
    }
    SetPaneHooks(std::move(hooks));
}

}  // namespace kel::diag
