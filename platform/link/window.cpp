#include "window.h"

#include <unistd.h>

#include <bitset>
#include <cerrno>
#include <mutex>
#include <system_error>

#include "platform/link/dispatcher.h"
#include "platform/link/link_dir.h"
#include "platform/link/unix_socket.h"

namespace kel::link {
namespace {

// Slots number this process's windows inside their handles; slot 0 is never
// used so that no handle is 0.
class Slots {
public:
    unsigned take() {
        std::lock_guard lock(mutex_);
        for (unsigned slot = 1; slot < kSlotsPerProcess; ++slot) {
            if (!used_[slot]) {
                used_[slot] = true;
                return slot;
            }
        }
        throw std::system_error(EMFILE, std::generic_category(), "too many link windows");
    }
    void give(unsigned slot) {
        std::lock_guard lock(mutex_);
        used_[slot] = false;
    }

private:
    std::mutex mutex_;
    std::bitset<kSlotsPerProcess> used_;
};

Slots& slots() {
    static Slots instance;
    return instance;
}

}  // namespace

Window::Window(Handler handler) : owner_(Dispatcher::current()) {
    unsigned slot = slots().take();
    handle_ = makeHandle(static_cast<unsigned>(::getpid()), slot);
    try {
        std::filesystem::path dir = linkDir();
        listWindows(dir);  // clears out sockets that crashed processes left behind
        path_ = socketPath(dir, handle_);
        int fd = listenAt(path_);
        owner_.attach(handle_, fd, std::make_shared<const Handler>(std::move(handler)));
    } catch (...) {
        slots().give(slot);
        throw;
    }
}

Window::~Window() {
    std::error_code ec;
    std::filesystem::remove(path_, ec);
    owner_.detach(handle_);
    slots().give(handle_ % kSlotsPerProcess);
}

}  // namespace kel::link
