// The message loop of a program that shows no window (the drive server): it
// serves the link windows of the thread that runs it.
#pragma once

#include <atomic>

namespace kel::link {

class Loop {
public:
    Loop();
    ~Loop();
    Loop(const Loop&) = delete;
    Loop& operator=(const Loop&) = delete;

    // Handles the calling thread's messages until quit() and returns its code.
    // A quit that came before run() makes run() return at once.
    int run();
    // Safe from any thread and from inside a handler; the message being
    // handled finishes first.
    void quit(int code = 0);

private:
    int wake_;
    std::atomic<bool> quitting_{false};
    std::atomic<int> code_{0};
};

}  // namespace kel::link
