// The calling thread's connections to other windows' inboxes, kept open
// between messages: a request and its reply cost no connect and accept.
#pragma once

#include <cstdint>
#include <memory>
#include <unordered_map>
#include <vector>

#include "platform/link/frame.h"
#include "platform/link/message.h"
#include "platform/link/shared_region.h"

namespace kel::link {

struct Outgoing {
    int fd = -1;
    // Set while a frame is half written: nothing else may go out on it.
    bool writing = false;
    // Set while a send waits for its result. A send made meanwhile by a
    // handler running inside that wait takes another connection, or the first
    // result to come back could be taken for the wrong send.
    bool awaiting = false;
    FrameReader results;
    // The lane and payload memory, made on the first send; `sharedPassed`
    // once the receiver has been given its descriptor.
    std::unique_ptr<SharedRegion> shared;
    bool sharedPassed = false;
    // The number of the last send published in the lane.
    std::uint32_t sendSeq = 0;
    ~Outgoing();
};

class Outbox {
public:
    static Outbox& current();

    // An open connection to the window that is free for a post (not being
    // written) or for a send (neither written nor awaited), or null when no
    // such window listens (its socket is removed if its process is gone).
    std::shared_ptr<Outgoing> connect(Handle window, bool forSend);
    // Drops a connection that failed, so that the next message reconnects.
    void forget(Handle window, const std::shared_ptr<Outgoing>& connection);

private:
    // The first connection of a window carries everything unless it is busy,
    // which keeps posts in order; more open only while sends nest.
    std::unordered_map<Handle, std::vector<std::shared_ptr<Outgoing>>> open_;
};

}  // namespace kel::link
