#include "diag/state/pane_hooks.h"

#include <mutex>
#include <utility>

#include "diag/tools/debug_log.h"
#include "diag/ui/messages.h"

namespace kel::diag {
namespace {

// Status texts come from worker threads too; the hooks are replaced only on
// the main thread, but a copy is taken under the lock for each call.
std::mutex& hooksLock() {
    static std::mutex lock;
    return lock;
}

PaneHooks& installed() {
    static PaneHooks hooks;
    return hooks;
}

PaneHooks current() {
    std::lock_guard guard(hooksLock());
    return installed();
}

// Status-bar texts are single lines of the same bound as a message.
constexpr std::size_t kMaxStatusText = 499;

}  // namespace

void SetPaneHooks(PaneHooks hooks) {
    std::lock_guard guard(hooksLock());
    installed() = std::move(hooks);
}

void StatusTextArgs(std::uint32_t id, std::span<const FormatArg> args) {
    const std::string text = FormatText(LoadResString(static_cast<int>(id)), args, kMaxStatusText);
    // Logged here, on the thread that reports, not where the status bar
    // shows it later: a worker's lines keep their place among its others.
    if (logSwitches().debugMode && !text.empty()) {
        DebugLog("%s", text);
    }
    PaneHooks hooks = current();
    if (hooks.statusText) {
        hooks.statusText(text);
    }
}

void InsertTreeNode(FileNode& node) {
    PaneHooks hooks = current();
    if (hooks.insertTreeNode) {
        hooks.insertTreeNode(node);
    }
}

}  // namespace kel::diag
