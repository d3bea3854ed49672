// The few socket calls the link makes, with errors as negative errno values.
// Every descriptor is non-blocking and close-on-exec; waiting is done with poll
// by the callers, which serve their own inbox meanwhile.
#pragma once

#include <chrono>

#include <sys/types.h>

#include <cstddef>
#include <filesystem>
#include <span>

namespace kel::link {

// A listening stream socket bound at `path` (any old file there is replaced).
// Throws std::system_error when the socket cannot be made.
int listenAt(const std::filesystem::path& path);

// Returns the accepted descriptor, or -errno (-EAGAIN when none is waiting).
int acceptFrom(int listenFd);

// Returns a connected descriptor, or -errno (-ENOENT or -ECONNREFUSED when no
// window listens there).
int connectTo(const std::filesystem::path& path);

// Never blocks and never raises SIGPIPE. Returns bytes moved, 0 at end of
// stream (receive), or -errno.
ssize_t sendSome(int fd, std::span<const std::byte> bytes);
// As sendSome, for bytes in two parts (a frame's header and its payload),
// without first copying them into one buffer. A `passFd` of 0 or more goes
// along with the first byte (the receiver gets its own descriptor for it).
ssize_t sendSome(int fd, std::span<const std::byte> first, std::span<const std::byte> second,
                 int passFd = -1);
ssize_t receiveSome(int fd, std::span<std::byte> bytes);
// As receiveSome; a descriptor that came with the bytes is stored in
// `passedFd` (-1 when none came). Any further descriptors are closed.
ssize_t receiveSome(int fd, std::span<std::byte> bytes, int& passedFd);

// Writes everything, waiting up to `timeoutMs` for room each time the socket
// is full. For the small frames that must not be torn (results, posts).
bool sendAllWithin(int fd, std::span<const std::byte> bytes, int timeoutMs);

struct Readiness {
    bool first = false;
    bool second = false;
};
// Waits until `first` has `firstEvents` (POLLIN/POLLOUT) or `second` is
// readable; `second` may be -1. Error and hang-up count as ready.
Readiness waitFor(int first, short firstEvents, int second, int timeoutMs = -1);

// A wait with no time limit: `wait(0)` is tried until it reports something
// or a short spin is over, and only then `wait(-1)`. In the link's
// request/reply exchanges the answer comes within microseconds; putting the
// thread to sleep and waking it again costs more than the whole exchange on
// a busy machine.
template <typename Wait>
int spinThenBlock(Wait wait) {
    constexpr std::chrono::microseconds kSpin{100};
    const auto end = std::chrono::steady_clock::now() + kSpin;
    int n;
    do {
        n = wait(0);
    } while (n == 0 && std::chrono::steady_clock::now() < end);
    return n != 0 ? n : wait(-1);
}

void closeFd(int fd);

}  // namespace kel::link
