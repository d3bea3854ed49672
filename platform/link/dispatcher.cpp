#include "dispatcher.h"

#include <poll.h>
#include <sys/epoll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <bit>
#include <cerrno>
#include <chrono>
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
// How long a thread with nothing to do watches its lanes before it sleeps.
// In the link's request/reply exchanges the next message comes within
// microseconds; putting the thread to sleep and waking it again costs more
// than the whole exchange on a busy or virtual machine. Whether a spin pays
// at all is the spin policy's to judge.
constexpr std::chrono::microseconds kSpin{100};
// While spinning, the sockets (posts, new connections, rings, a loop's quit)
// are asked once per so many looks at the lanes: an epoll call costs as much
// as a hundred looks.
constexpr unsigned kLaneLooksPerSocketLook = 64;

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
    for (auto& [fd, gone] : peers_) {
        closeFd(fd);
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

bool Dispatcher::dispatchReady() {
    int handled = 0;
    while (handled < kEventsPerPass && handleNext(0)) {
        ++handled;
    }
    if (waitDepth_ == 0 && !posted_.empty()) {
        drainPosted();
        ++handled;
    }
    return handled > 0;
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

void Dispatcher::awaitSend(int fd, Lane* lane, std::uint32_t seq) {
    Awaited self{fd, lane, seq};
    awaited_.push_back(&self);
    if (lane == nullptr) {
        armAwaited();
    }
    while (!self.ready) {
        handleNext(-1);
    }
    awaited_.pop_back();
    // The caller may go back to an event loop that sleeps.
    unwatchLanes();
}

void Dispatcher::watchLanes() {
    if (watching_) {
        return;
    }
    watching_ = true;
    for (const auto& connection : lanes_) {
        connection->shared->lane().receiverRing.store(0, std::memory_order_relaxed);
    }
}

void Dispatcher::unwatchLanes() {
    if (stopWatching()) {
        signalPosted();
    }
}

bool Dispatcher::stopWatching() {
    if (!watching_) {
        return false;
    }
    watching_ = false;
    for (const auto& connection : lanes_) {
        connection->shared->lane().receiverRing.store(1, std::memory_order_relaxed);
    }
    // A sender that published before it could see the flag did not ring.
    std::atomic_thread_fence(std::memory_order_seq_cst);
    return pendingSend() != nullptr;
}

void Dispatcher::watchPeer(int fd, std::function<void()> gone) {
    try {
        watch(epoll_, fd);
    } catch (...) {
        closeFd(fd);
        throw;
    }
    peers_[fd] = std::move(gone);
}

void Dispatcher::peerReadable(int fd) {
    std::byte probe[64];
    ssize_t n = receiveSome(fd, probe);
    if (n > 0 || n == -EAGAIN || n == -EINTR) {
        return;  // not the end: the peer never writes, but nothing is lost by looking again
    }
    auto peer = peers_.find(fd);
    std::function<void()> gone = std::move(peer->second);
    peers_.erase(peer);
    ::epoll_ctl(epoll_, EPOLL_CTL_DEL, fd, nullptr);
    closeFd(fd);
    gone();
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
    // One piece of work at a time: a handler may close descriptors and drop
    // connections that a longer batch would still name.
    epoll_event event{};
    if (serveLanes()) {
        return true;
    }
    // A sleep takes whatever the sockets hold at once, so a thread that
    // will not spin goes to it without a look of its own first.
    if (timeoutMs != 0 && !spin_.shouldSpin()) {
        return sleepForNext();
    }
    if (waitSockets(event, 0) > 0) {
        handleEvent(event.data.fd);
        return true;
    }
    if (timeoutMs == 0) {
        return false;
    }
    // The watch goes on after work is found: the caller comes back for more,
    // and a thread that leaves for a loop of its own unwatches first.
    watchLanes();
    const auto start = std::chrono::steady_clock::now();
    const auto end = start + kSpin;
    spin_.started(start);
    for (unsigned look = 1;; ++look) {
        if (laneWorkWaits()) {
            spin_.found(std::chrono::steady_clock::now());
            return serveLanes();
        }
        if (look % kLaneLooksPerSocketLook == 0) {
            if (waitSockets(event, 0) > 0) {
                spin_.found(std::chrono::steady_clock::now());
                handleEvent(event.data.fd);
                return true;
            }
            const auto now = std::chrono::steady_clock::now();
            if (!spin_.keptProcessor(now)) {
                return sleepForNext();
            }
            if (now >= end) {
                spin_.ranOut();
                return sleepForNext();
            }
        }
    }
}

bool Dispatcher::sleepForNext() {
    stopWatching();
    Awaited* awaited = awaited_.empty() ? nullptr : awaited_.back();
    if (awaited != nullptr && awaited->lane != nullptr) {
        awaited->lane->senderRing.store(1, std::memory_order_relaxed);
        std::atomic_thread_fence(std::memory_order_seq_cst);
    }
    if (laneWorkWaits()) {
        return serveLanes();
    }
    if (awaited != nullptr) {
        armAwaited();
        if (awaited->ready) {
            return true;
        }
    }
    epoll_event event{};
    if (waitSockets(event, -1) <= 0) {
        return false;
    }
    handleEvent(event.data.fd);
    return true;
}

int Dispatcher::waitSockets(epoll_event& event, int timeoutMs) {
    int n;
    do {
        n = ::epoll_wait(epoll_, &event, 1, timeoutMs);
    } while (n < 0 && errno == EINTR && timeoutMs <= 0);
    return n;
}

void Dispatcher::armAwaited() {
    // The awaited connection joins the inbox's own epoll set for the sleep,
    // so that one epoll_wait covers both. One-shot, because a send nested
    // inside this wait must not be woken over and over by this connection.
    // It stays in the set between waits, disarmed, so that each sleep costs
    // one call to re-arm it; closing the connection takes it out.
    Awaited& awaited = *awaited_.back();
    epoll_event event{};
    event.events = EPOLLIN | EPOLLONESHOT;
    event.data.fd = awaited.fd;
    if (::epoll_ctl(epoll_, EPOLL_CTL_MOD, awaited.fd, &event) != 0 &&
        (errno != ENOENT || ::epoll_ctl(epoll_, EPOLL_CTL_ADD, awaited.fd, &event) != 0)) {
        // Out of epoll watches: wait side by side after all.
        Readiness ready = waitFor(awaited.fd, POLLIN, epoll_);
        awaited.ready = ready.first;
    }
}

bool Dispatcher::awaitedAnswered() const {
    if (awaited_.empty()) {
        return false;
    }
    const Awaited& awaited = *awaited_.back();
    return awaited.lane != nullptr && awaited.lane->answered(awaited.seq);
}

bool Dispatcher::serveLanes() {
    if (awaitedAnswered()) {
        awaited_.back()->ready = true;
        return true;
    }
    if (std::shared_ptr<Connection> connection = pendingSend()) {
        serveLaneSend(connection);
        return true;
    }
    return false;
}

bool Dispatcher::laneWorkWaits() {
    return awaitedAnswered() || pendingSend() != nullptr;
}

std::shared_ptr<Dispatcher::Connection> Dispatcher::pendingSend() {
    const std::size_t count = lanes_.size();
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t at = (nextLane_ + i) % count;
        const std::shared_ptr<Connection>& connection = lanes_[at];
        if (!connection->busy && connection->shared->lane().sendSeq.load(
                                     std::memory_order_acquire) != connection->lastSeq) {
            nextLane_ = (at + 1) % count;
            return connection;
        }
    }
    return nullptr;
}

void Dispatcher::serveLaneSend(const std::shared_ptr<Connection>& connection) {
    Lane& lane = connection->shared->lane();
    const std::uint32_t seq = lane.sendSeq.load(std::memory_order_acquire);
    connection->lastSeq = seq;
    lane.takenSeq.store(seq, std::memory_order_release);
    const std::uint32_t length = lane.length.load(std::memory_order_relaxed);
    std::span<const std::byte> payload = connection->shared->payload();
    if (length > payload.size()) {
        drop(*connection,
             "a shared send of " + std::to_string(length) + " bytes exceeds its memory");
        return;
    }
    Message message;
    message.msg = kCopyData;
    message.wParam = lane.wParam.load(std::memory_order_relaxed);
    message.origin = Origin::Sent;
    message.dwData = lane.dwData.load(std::memory_order_relaxed);
    message.data = payload.first(length);
    connection->busy = true;
    const std::int64_t result = call(connection->window, message);
    connection->busy = false;
    if (connection->closed) {
        return;
    }
    lane.result.store(result, std::memory_order_relaxed);
    lane.resultSeq.store(seq, std::memory_order_release);
    std::atomic_thread_fence(std::memory_order_seq_cst);
    if (lane.senderRing.load(std::memory_order_relaxed) != 0) {
        ring(*connection);
    }
}

void Dispatcher::ring(Connection& connection) {
    if (!sendAllWithin(connection.fd, encodeRing(), kResultTimeoutMs)) {
        drop(connection, "the sender does not take its result");
    }
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
        return;
    }
    if (peers_.contains(fd)) {
        peerReadable(fd);
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
    if (passedFd >= 0 && !takeSharedRegion(connection, passedFd)) {
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

bool Dispatcher::takeSharedRegion(const std::shared_ptr<Connection>& connection, int fd) {
    if (connection->shared) {
        closeFd(fd);
        drop(*connection, "a second shared payload memory");
        return false;
    }
    std::string error;
    connection->shared = SharedView::adopt(fd, kMaxFramePayload, error);
    if (!connection->shared) {
        drop(*connection, error);
        return false;
    }
    connection->shared->lane().receiverRing.store(watching_ ? 0 : 1, std::memory_order_relaxed);
    lanes_.push_back(connection);
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
        case FrameKind::Ring:
            // The lane is looked at before the next wait.
            return;
        case FrameKind::Send: {
            Message message;
            message.msg = kCopyData;
            message.wParam = header.wParam;
            message.origin = Origin::Sent;
            message.dwData = std::bit_cast<std::uint64_t>(header.lParam);
            message.data = frame.payload;
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
    if (connection.shared) {
        // A sender that still publishes here must write, and so learn at
        // once that the connection is gone.
        connection.shared->lane().receiverRing.store(1, std::memory_order_relaxed);
    }
    std::erase_if(lanes_, [&](const auto& laned) { return laned.get() == &connection; });
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
