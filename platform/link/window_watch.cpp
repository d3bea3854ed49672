#include "window_watch.h"

#include "platform/link/dispatcher.h"
#include "platform/link/link_dir.h"
#include "platform/link/unix_socket.h"

namespace kel::link {

bool watchWindow(Handle window, std::function<void()> gone) {
    // A connection that never carries a message: the window's end closes it.
    int fd = connectTo(socketPath(linkDir(), window));
    if (fd < 0) {
        return false;
    }
    Dispatcher::current().watchPeer(fd, std::move(gone));
    return true;
}

}  // namespace kel::link
