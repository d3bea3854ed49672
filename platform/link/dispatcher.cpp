#include "dispatcher.h"

#include <poll.h>
#include <sys/epoll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <bit>
#include <cerrno>
#include <exception>
#include <string>
#include <system_error>

#include "platform/base/log.h"
#include "platform/link/unix_socket.h"

namespace kel::link {
namespace {

// Events handled per pass before control goes back to the loop, so that a
// flood on the link cannot starve the rest of a Qt program.
constexpr int kEventsPerPass = 64;
// How long a result may take to fit into the sender's socket before the
// sender is taken for stuck and its connection dropped.
constexpr int kResultTimeoutMs = 5000;

void watch(int epoll, int fd) {
    epoll_event event{};
    event.events = EPOLLIN;
    event.data.fd = fd;
    if (::epoll_ctl(epoll, EPOLL_CTL_ADD, fd, &event) != 0) {
        throw std::system_error(errno, std::generic_category(), "link epoll");
    }
}

std::string windowName(Handle window) {
    return "window " + std::to_string(window);
}

}  // namespace

Dispatcher& Dispatcher::current() {
    thread_local Dispatcher dispatcher;
    return dispatcher;
}

Dispatcher::Dispatcher()
    : epoll_(::epoll_create1(EPOLL_CLOEXEC)),
      wake_(::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)),
      readBuffer_(64 * 1024) {
    if (epoll_ < 0 || wake_ < 0) {
        throw std::system_error(errno, std::generic_category(), "link dispatcher");
    }
    watch(epoll_, wake_);
}

Dispatcher::~Dispatcher() {
    for (auto& [fd, connection] : connections_) {
        closeFd(fd);
    }
    for (auto& [window, inbox] : windows_) {
        closeFd(inbox.listenFd);
    }
    closeFd(wake_);
    closeFd(epoll_);
}

void Dispatcher::attach(Handle window, int listenFd, std::shared_ptr<const Handler> handler) {
    try {
        watch(epoll_, listenFd);
    } catch (...) {
        closeFd(listenFd);
        throw;
    }
    windows_[window] = Inbox{listenFd, std::move(handler)};
    listeners_[listenFd] = window;
}

void Dispatcher::detach(Handle window) {
    auto it = windows_.find(window);
    if (it == windows_.end()) {
        return;
    }
    std::vector<std::shared_ptr<Connection>> orphans;
    for (auto& [fd, connection] : connections_) {
        if (connection->window == window) {
            orphans.push_back(connection);
        }
    }
    for (auto& connection : orphans) {
        drop(*connection, {});
    }
    ::epoll_ctl(epoll_, EPOLL_CTL_DEL, it->second.listenFd, nullptr);
    closeFd(it->second.listenFd);
    listeners_.erase(it->second.listenFd);
    windows_.erase(it);
}

std::int64_t Dispatcher::call(Handle window, const Message& message) {
    auto it = windows_.find(window);
    if (it == windows_.end()) {
        return 0;
    }
    // The handler may destroy its own window; keep it alive for the call.
    std::shared_ptr<const Handler> handler = it->second.handler;
    try {
        return (*handler)(message);
    } catch (const std::exception& error) {
        log::warning("link", windowName(window) + ": handler failed: " + error.what());
    }
    return 0;
}

void Dispatcher::dispatchReady() {
    for (int i = 0; i < kEventsPerPass && handleNext(0); ++i) {
    }
    if (waitDepth_ == 0) {
        drainPosted();
    }
}

void Dispatcher::waitAndDispatch() {
    handleNext(-1);
    if (waitDepth_ == 0) {
        drainPosted();
    }
}

void Dispatcher::serveWhileWaiting() {
    handleNext(0);
}

void Dispatcher::awaitReadable(int fd) {
    // The connection joins the inbox's own epoll set for the wait, so that one
    // epoll_wait covers both (a round trip of the server's pattern makes four
    // such waits). One-shot, because a send nested inside this wait must not
    // be woken over and over by this connection's result. It stays in the set
    // between waits, disarmed, so that each wait costs one call to re-arm it;
    // closing the connection takes it out.
    epoll_event event{};
    event.events = EPOLLIN | EPOLLONESHOT;
    event.data.fd = fd;
    if (::epoll_ctl(epoll_, EPOLL_CTL_MOD, fd, &event) != 0 &&
        (errno != ENOENT || ::epoll_ctl(epoll_, EPOLL_CTL_ADD, fd, &event) != 0)) {
        // Out of epoll watches: wait side by side after all.
        if (waitFor(fd, POLLIN, epoll_).second) {
            handleNext(0);
        }
        return;
    }
    Awaited self{fd};
    awaited_.push_back(&self);
    while (!self.ready) {
        handleNext(-1);
    }
    awaited_.pop_back();
}

void Dispatcher::watchWakeup(int fd) {
    watch(epoll_, fd);
    wakeups_.push_back(fd);
}

void Dispatcher::unwatchWakeup(int fd) {
    ::epoll_ctl(epoll_, EPOLL_CTL_DEL, fd, nullptr);
    std::erase(wakeups_, fd);
}

bool Dispatcher::handleNext(int timeoutMs) {
    // One event at a time: a handler may close descriptors that a longer
    // batch would still name.
    epoll_event event{};
    auto wait = [&](int ms) {
        int n;
        do {
            n = ::epoll_wait(epoll_, &event, 1, ms);
        } while (n < 0 && errno == EINTR && ms <= 0);
        return n;
    };
    int n = timeoutMs < 0 ? spinThenBlock(wait) : wait(timeoutMs);
    if (n <= 0) {
        return false;
    }
    handleEvent(event.data.fd);
    return true;
}

void Dispatcher::handleEvent(int fd) {
    for (Awaited* awaited : awaited_) {
        if (awaited->fd == fd) {
            awaited->ready = true;
            return;
        }
    }
    if (fd == wake_ || std::find(wakeups_.begin(), wakeups_.end(), fd) != wakeups_.end()) {
        std::uint64_t count;
        [[maybe_unused]] ssize_t n = ::read(wake_, &count, sizeof count);
        return;
    }
    if (auto listener = listeners_.find(fd); listener != listeners_.end()) {
        acceptConnections(fd, listener->second);
        return;
    }
    if (auto connection = connections_.find(fd); connection != connections_.end()) {
        readConnection(std::shared_ptr<Connection>(connection->second));
    }
}

void Dispatcher::acceptConnections(int listenFd, Handle window) {
    for (;;) {
        int fd = acceptFrom(listenFd);
        if (fd < 0) {
            if (fd != -EAGAIN && fd != -EINTR) {
                log::warning("link", windowName(window) +
                                         ": accept: " + std::generic_category().message(-fd));
            }
            return;
        }
        watch(epoll_, fd);
        connections_[fd] = std::make_shared<Connection>(Connection{fd, window, {}, {}, false, {}});
    }
}

void Dispatcher::readConnection(const std::shared_ptr<Connection>& connection) {
    int passedFd = -1;
    ssize_t n = receiveSome(connection->fd, readBuffer_, passedFd);
    if (passedFd >= 0 && !takeSharedRegion(*connection, passedFd)) {
        return;
    }
    if (n == -EAGAIN || n == -EINTR) {
        return;
    }
    if (n <= 0) {
        drop(*connection, connection->reader.midFrame() ? "connection ended inside a frame" : "");
        return;
    }
    std::span<const std::byte> input(readBuffer_.data(), static_cast<std::size_t>(n));
    while (!input.empty()) {
        FrameReader::Status status = connection->reader.feed(input);
        if (status == FrameReader::Status::Bad) {
            drop(*connection, "malformed frame: " + connection->reader.error());
            return;
        }
        if (status == FrameReader::Status::Ready) {
            connection->ready.push_back(connection->reader.take());
        }
    }
    // Handlers may nest and take later frames of this connection themselves.
    while (!connection->closed && !connection->ready.empty()) {
        Frame frame = std::move(connection->ready.front());
        connection->ready.pop_front();
        handleFrame(*connection, frame);
    }
}

bool Dispatcher::takeSharedRegion(Connection& connection, int fd) {
    if (connection.shared) {
        closeFd(fd);
        drop(connection, "a second shared payload memory");
        return false;
    }
    std::string error;
    connection.shared = SharedView::adopt(fd, kMaxFramePayload, error);
    if (!connection.shared) {
        drop(connection, error);
        return false;
    }
    return true;
}

void Dispatcher::handleFrame(Connection& connection, const Frame& frame) {
    const FrameHeader& header = frame.header;
    switch (header.kind) {
        case FrameKind::Post:
        case FrameKind::Broadcast:
            posted_.push_back(Posted{connection.window, header});
            signalPosted();
            return;
        case FrameKind::Send:
        case FrameKind::SharedSend: {
            Message message;
            message.msg = kCopyData;
            message.wParam = header.wParam;
            message.origin = Origin::Sent;
            message.dwData = std::bit_cast<std::uint64_t>(header.lParam);
            if (header.kind == FrameKind::Send) {
                message.data = frame.payload;
            } else if (connection.shared) {
                message.data = connection.shared->bytes().first(header.length);
            } else {
                drop(connection, "shared payload without its memory");
                return;
            }
            std::int64_t result = call(connection.window, message);
            if (connection.closed) {
                return;
            }
            FrameHeader reply;
            reply.kind = FrameKind::Result;
            reply.lParam = result;
            auto bytes = encodeHeader(reply);
            if (!sendAllWithin(connection.fd, bytes, kResultTimeoutMs)) {
                drop(connection, "the sender does not take its result");
            }
            return;
        }
        case FrameKind::Result:
            drop(connection, "result frame sent to a window");
            return;
    }
}

void Dispatcher::drop(Connection& connection, std::string_view why) {
    if (connection.closed) {
        return;
    }
    if (!why.empty()) {
        log::warning(
            "link", windowName(connection.window) + ": dropping a connection: " + std::string(why));
    }
    connection.closed = true;
    ::epoll_ctl(epoll_, EPOLL_CTL_DEL, connection.fd, nullptr);
    closeFd(connection.fd);
    connections_.erase(connection.fd);
}

void Dispatcher::drainPosted() {
    while (!posted_.empty()) {
        Posted posted = posted_.front();
        posted_.pop_front();
        Message message;
        message.msg = posted.header.msg;
        message.wParam = posted.header.wParam;
        message.lParam = posted.header.lParam;
        message.origin =
            posted.header.kind == FrameKind::Broadcast ? Origin::Broadcast : Origin::Posted;
        call(posted.window, message);
    }
}

void Dispatcher::signalPosted() {
    std::uint64_t one = 1;
    [[maybe_unused]] ssize_t n = ::write(wake_, &one, sizeof one);
}

Dispatcher::WaitScope::WaitScope(Dispatcher& dispatcher) : dispatcher_(dispatcher) {
    ++dispatcher_.waitDepth_;
}

Dispatcher::WaitScope::~WaitScope() {
    // Posts that arrived during the wait were taken off the wake-up counter;
    // raise it again so the loop comes back for them.
    if (--dispatcher_.waitDepth_ == 0 && !dispatcher_.posted_.empty()) {
        dispatcher_.signalPosted();
    }
}

}  // namespace kel::link
