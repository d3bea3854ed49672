// Whether some thread of this process is, or just was, waiting in a send to
// another process. The answer to such a send is often a message to a window
// of another thread of this process (a worker asks, the main thread's window
// receives the reply): a thread that serves windows from a sleeping event
// loop then costs every request a wake-up, which on a busy or virtual
// machine takes longer than the whole exchange. Such a thread polls instead
// while sends are under way and their replies keep coming.
#pragma once

namespace kel::link {

// Marks one send to another process for its lifetime.
class SendActivity {
public:
    SendActivity();
    ~SendActivity();
    SendActivity(const SendActivity&) = delete;
    SendActivity& operator=(const SendActivity&) = delete;
};

// True while a send is under way, and for a short while after the last one
// ended (a worker's next request usually follows within microseconds).
bool SendsActive();

}  // namespace kel::link
