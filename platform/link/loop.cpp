#include "loop.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <system_error>

#include "platform/link/dispatcher.h"
#include "platform/link/unix_socket.h"

namespace kel::link {

Loop::Loop() : wake_(::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)) {
    if (wake_ < 0) {
        throw std::system_error(errno, std::generic_category(), "link loop");
    }
}

Loop::~Loop() {
    closeFd(wake_);
}

int Loop::run() {
    Dispatcher& dispatcher = Dispatcher::current();
    dispatcher.watchWakeup(wake_);
    while (!quitting_.load()) {
        dispatcher.waitAndDispatch();
    }
    // Until the thread serves again, senders must ring it.
    dispatcher.unwatchLanes();
    dispatcher.unwatchWakeup(wake_);
    quitting_ = false;
    return code_.load();
}

void Loop::quit(int code) {
    code_ = code;
    quitting_ = true;
    std::uint64_t one = 1;
    [[maybe_unused]] ssize_t n = ::write(wake_, &one, sizeof one);
}

}  // namespace kel::link
