#include "outbox.h"

#include <algorithm>

#include "platform/link/link_dir.h"
#include "platform/link/unix_socket.h"

namespace kel::link {

Outgoing::~Outgoing() {
    closeFd(fd);
}

Outbox& Outbox::current() {
    thread_local Outbox outbox;
    return outbox;
}

std::shared_ptr<Outgoing> Outbox::connect(Handle window, bool forSend) {
    std::vector<std::shared_ptr<Outgoing>>& connections = open_[window];
    for (const auto& connection : connections) {
        if (!connection->writing && !(forSend && connection->awaiting)) {
            return connection;
        }
    }
    std::filesystem::path dir = linkDir();
    int fd = connectTo(socketPath(dir, window));
    if (fd < 0) {
        if (connections.empty()) {
            open_.erase(window);
        }
        removeIfOwnerDead(dir, window);
        return nullptr;
    }
    auto connection = std::make_shared<Outgoing>();
    connection->fd = fd;
    connections.push_back(connection);
    return connection;
}

void Outbox::forget(Handle window, const std::shared_ptr<Outgoing>& connection) {
    auto it = open_.find(window);
    if (it == open_.end()) {
        return;
    }
    std::erase(it->second, connection);
    if (it->second.empty()) {
        open_.erase(it);
    }
}

}  // namespace kel::link
