#include "diag/tools/cdg/cdg_playback.h"

#include <QMetaObject>

#include "diag/tools/cdg/cdg_player_window.h"

namespace kel::diag {

void CdgPlayback::PostToWindow(std::function<void(CdgPlayerWindow&)> call) {
    std::lock_guard lock(windowLock_);
    if (window_ == nullptr) {
        return;
    }
    // Queued on the window itself: a call still waiting when the window is
    // deleted is dropped with it.
    CdgPlayerWindow* window = window_;
    QMetaObject::invokeMethod(
        window, [window, call = std::move(call)] { call(*window); }, Qt::QueuedConnection);
}

void CdgPlayback::AttachWindow(CdgPlayerWindow* shown) {
    std::lock_guard lock(windowLock_);
    window_ = shown;
}

void CdgPlayback::DetachWindow() {
    std::lock_guard lock(windowLock_);
    window_ = nullptr;
}

void CdgPlayback::Resume() {
    if (paused.exchange(false)) {
        pause.Release();
    }
}

}  // namespace kel::diag
