#include "diag/state/pane_hooks.h"

#include <mutex>
#include <utility>

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
    PaneHooks hooks = current();
    if (hooks.statusText) {
        hooks.statusText(FormatText(LoadResString(static_cast<int>(id)), args, kMaxStatusText));
    }
}

void InsertTreeNode(FileNode& node) {
    PaneHooks hooks = current();
    if (hooks.insertTreeNode) {
        hooks.insertTreeNode(node);
    }
}

}  // namespace kel::diag
