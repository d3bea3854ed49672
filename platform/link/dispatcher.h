// The inboxes of one thread's link windows, and the rules for serving them:
// a thread that waits in a send still handles messages sent to its windows
// (the reply to its own request arrives so), while posted messages wait in a
// queue for the thread's loop.
#pragma once

#include <sys/epoll.h>

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/link/frame.h"
#include "platform/link/lane.h"
#include "platform/link/message.h"
#include "platform/link/shared_region.h"
#include "platform/link/spin_policy.h"

namespace kel::link {

class Dispatcher {
public:
    // The calling thread's dispatcher, made on first use.
    static Dispatcher& current();

    Dispatcher();
    ~Dispatcher();
    Dispatcher(const Dispatcher&) = delete;
    Dispatcher& operator=(const Dispatcher&) = delete;

    // Readable whenever something waits to be handled: an incoming connection,
    // a frame, queued posted messages, or a send in a lane while the thread
    // does not watch its lanes.
    int fd() const { return epoll_; }

    void attach(Handle window, int listenFd, std::shared_ptr<const Handler> handler);
    void detach(Handle window);
    bool owns(Handle window) const { return windows_.contains(window); }

    // Calls the window's handler (0 when the window is gone); an exception
    // that escapes a handler is logged so that it cannot unwind the loop.
    std::int64_t call(Handle window, const Message& message);

    // For a loop: handles everything waiting now, posted messages included.
    // Returns whether there was anything.
    bool dispatchReady();
    // For a loop of its own: waits for the next event, then does as above.
    void waitAndDispatch();
    // For a thread waiting in a send: handles one waiting event; sent
    // messages are handled, posts are queued.
    void serveWhileWaiting();
    // For a thread waiting in a send on connection `fd`: serves the thread's
    // windows until the result numbered `seq` is in `lane`, or, without a
    // lane, until `fd` is readable. Returns early when `fd` becomes readable
    // (a ring, or the receiver's end).
    void awaitSend(int fd, Lane* lane, std::uint32_t seq);

    // A thread that polls instead of sleeping (a Qt loop while sends are under
    // way) watches its lanes: peers then publish without ringing. It must stop
    // before it may sleep; stopping wakes the thread's loop if a send came in
    // unrung meanwhile.
    void watchLanes();
    void unwatchLanes();

    // Calls `gone` on this thread once connection `fd` to another window's
    // inbox ends (it never carries a message); takes the descriptor over.
    void watchPeer(int fd, std::function<void()> gone);

    // A loop's own wake-up descriptor: it ends a waitAndDispatch.
    void watchWakeup(int fd);
    void unwatchWakeup(int fd);

    // Marks the thread as waiting in a send for its lifetime.
    class WaitScope {
    public:
        explicit WaitScope(Dispatcher& dispatcher);
        ~WaitScope();
        WaitScope(const WaitScope&) = delete;
        WaitScope& operator=(const WaitScope&) = delete;

    private:
        Dispatcher& dispatcher_;
    };

private:
    struct Inbox {
        int listenFd;
        std::shared_ptr<const Handler> handler;
    };
    struct Connection {
        int fd;
        Handle window;
        FrameReader reader;
        std::deque<Frame> ready;
        bool closed = false;
        // The sender's shared memory, once it has passed it.
        std::unique_ptr<SharedView> shared;
        // The number of the last send taken from the lane.
        std::uint32_t lastSeq = 0;
        // Set while the handler of its lane's send runs: a sender that
        // publishes again before its result must wait, not nest us deeper.
        bool busy = false;
    };
    struct Awaited {
        int fd;
        Lane* lane;
        std::uint32_t seq;
        bool ready = false;
    };
    struct Posted {
        Handle window;
        FrameHeader header;
    };

    bool handleNext(int timeoutMs);
    bool sleepForNext();
    int waitSockets(epoll_event& event, int timeoutMs);
    void handleEvent(int fd);
    void peerReadable(int fd);
    bool awaitedAnswered() const;
    bool serveLanes();
    bool laneWorkWaits();
    std::shared_ptr<Connection> pendingSend();
    void serveLaneSend(const std::shared_ptr<Connection>& connection);
    bool stopWatching();
    void armAwaited();
    void acceptConnections(int listenFd, Handle window);
    void readConnection(const std::shared_ptr<Connection>& connection);
    bool takeSharedRegion(const std::shared_ptr<Connection>& connection, int fd);
    void handleFrame(Connection& connection, const Frame& frame);
    void ring(Connection& connection);
    void drop(Connection& connection, std::string_view why);
    void drainPosted();
    void signalPosted();

    int epoll_;
    int wake_;
    int waitDepth_ = 0;
    bool watching_ = false;
    SpinPolicy spin_;
    std::vector<int> wakeups_;
    // Sends waiting for their results, innermost last.
    std::vector<Awaited*> awaited_;
    std::unordered_map<Handle, Inbox> windows_;
    std::unordered_map<int, Handle> listeners_;
    std::unordered_map<int, std::shared_ptr<Connection>> connections_;
    std::unordered_map<int, std::function<void()>> peers_;
    // The connections whose senders have passed their lanes, and where the
    // next search for a waiting send starts (so that no sender starves).
    std::vector<std::shared_ptr<Connection>> lanes_;
    std::size_t nextLane_ = 0;
    std::deque<Posted> posted_;
    std::vector<std::byte> readBuffer_;
};

}  // namespace kel::link
