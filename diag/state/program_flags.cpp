#include "diag/state/program_flags.h"

#include "diag/ui/main_thread.h"

namespace kel::diag {
namespace {

// Read and written on the main thread only, so it needs no lock.
std::function<void()>& heldCloseHandler() {
    static std::function<void()> handler;
    return handler;
}

}  // namespace

std::atomic<bool>& BusyFlag() {
    static std::atomic<bool> flag{false};
    return flag;
}

std::atomic<bool>& CloseRequested() {
    static std::atomic<bool> flag{false};
    return flag;
}

std::atomic<bool>& StopScan() {
    static std::atomic<bool> flag{false};
    return flag;
}

void EndOperation() {
    BusyFlag() = false;
    if (!CloseRequested()) {
        return;
    }
    // Queued even on the main thread: the command that ran the operation
    // finishes first, and a new operation started meanwhile holds the close
    // again.
    PostToMainThread([] {
        const std::function<void()>& handler = heldCloseHandler();
        if (handler && CloseRequested() && !BusyFlag()) {
            handler();
        }
    });
}

void SetHeldCloseHandler(std::function<void()> handler) {
    heldCloseHandler() = std::move(handler);
}

}  // namespace kel::diag
