// Test helpers: a link peer as a child process, a fresh link folder per test,
// and a loop run with a time limit.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/link/loop.h"
#include "platform/link/message.h"

namespace kel::link::test {

class PeerProcess {
public:
    // Starts build/bin/link_peer with `args`; its standard output and error
    // are pipes that the test reads.
    explicit PeerProcess(const std::vector<std::string>& args);
    ~PeerProcess();
    PeerProcess(const PeerProcess&) = delete;
    PeerProcess& operator=(const PeerProcess&) = delete;

    // The next line of its output, or "" after 10 s or at its end.
    std::string readLine();
    // For a serving peer: the window handle it printed.
    Handle window();
    // Everything it wrote to standard error; waits for it to exit first.
    std::string errorText();
    // Waits for it to exit; its exit status, or -1 when a signal ended it.
    int wait();
    void kill();
    pid_t pid() const { return pid_; }

private:
    pid_t pid_ = -1;
    int out_ = -1;
    int err_ = -1;
    std::string pending_;
    int status_ = 0;
    bool reaped_ = false;
};

// Points KEL_LINK_DIR at a new empty folder for the life of the object.
class ScopedLinkDir {
public:
    ScopedLinkDir();
    ~ScopedLinkDir();
    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};

// Runs the loop; quits it with -1 if it is still running after `limit`.
int runWithin(Loop& loop, std::chrono::milliseconds limit = std::chrono::seconds(10));

}  // namespace kel::link::test
