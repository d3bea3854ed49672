// The inboxes of one thread's link windows, and the rules for serving them:
// a thread that waits in a send still handles messages sent to its windows
// (the reply to its own request arrives so), while posted messages wait in a
// queue for the thread's loop.
#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/link/frame.h"
#include "platform/link/message.h"
#include "platform/link/shared_region.h"

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
    // a frame, or queued posted messages.
    int fd() const { return epoll_; }

    void attach(Handle window, int listenFd, std::shared_ptr<const Handler> handler);
    void detach(Handle window);
    bool owns(Handle window) const { return windows_.contains(window); }

    // Calls the window's handler (0 when the window is gone); an exception
    // that escapes a handler is logged so that it cannot unwind the loop.
    std::int64_t call(Handle window, const Message& message);

    // For a loop: handles everything waiting now, posted messages included.
    void dispatchReady();
    // For a loop of its own: waits for the next event, then does as above.
    void waitAndDispatch();
    // For a thread waiting in a send: handles one waiting event; sent
    // messages are handled, posts are queued.
    void serveWhileWaiting();
    // The same, until `fd` (a connection this thread sends on) is readable.
    void awaitReadable(int fd);

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
        // The sender's payload memory, once it has passed it.
        std::unique_ptr<SharedView> shared;
    };
    struct Awaited {
        int fd;
        bool ready = false;
    };
    struct Posted {
        Handle window;
        FrameHeader header;
    };

    bool handleNext(int timeoutMs);
    void handleEvent(int fd);
    void acceptConnections(int listenFd, Handle window);
    void readConnection(const std::shared_ptr<Connection>& connection);
    bool takeSharedRegion(Connection& connection, int fd);
    void handleFrame(Connection& connection, const Frame& frame);
    void drop(Connection& connection, std::string_view why);
    void drainPosted();
    void signalPosted();

    int epoll_;
    int wake_;
    int waitDepth_ = 0;
    std::vector<int> wakeups_;
    // Sends waiting for their results, innermost last.
    std::vector<Awaited*> awaited_;
    std::unordered_map<Handle, Inbox> windows_;
    std::unordered_map<int, Handle> listeners_;
    std::unordered_map<int, std::shared_ptr<Connection>> connections_;
    std::deque<Posted> posted_;
    std::vector<std::byte> readBuffer_;
};

}  // namespace kel::link
