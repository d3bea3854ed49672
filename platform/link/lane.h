// The control block at the start of a connection's shared memory, through
// which a copy-data send and its result travel without a system call while
// both ends are awake.
//
// A request/reply exchange of the drive server is four messages (request,
// reply, the reply's result, the request's result). Through a Unix socket
// each message costs a write, a read and the waits around them, about 2.5 µs
// on a virtual machine: more than the drive's read of a 28 KB block. Through
// memory that two spinning threads share it costs a cache-line transfer.
//
// The sender publishes a send by writing its fields and then raising
// `sendSeq`; the receiver answers by writing `result` and raising `resultSeq`
// to the same number. A thread that is not watching its lanes (it sleeps in
// epoll, or its event loop does) says so in its ring flag, and the other end
// then writes a ring frame to the connection's socket after publishing. Both
// ends store their flag or sequence first and read the other's after a full
// fence, so that at least one of them sees the other: a doorbell may ring for
// nothing, but is never missed.
//
// The sender's process owns the memory; the receiver maps this block
// writable and the payload behind it read-only. Neither end trusts what the
// other wrote: lengths are checked, results are plain numbers.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>

namespace kel::link {

struct Lane {
    // Written by the sender.
    alignas(64) std::atomic<std::uint32_t> sendSeq;
    std::atomic<std::uint32_t> length;
    std::atomic<std::uint64_t> wParam;
    std::atomic<std::uint64_t> dwData;
    // Set while the sender sleeps instead of watching for its result.
    std::atomic<std::uint32_t> senderRing;

    // Written by the receiver. `takenSeq` is raised when a send is taken, so
    // that a sender whose receiver ended can tell a send that was never seen
    // (the connection was stale; it may try a fresh one) from one that was.
    alignas(64) std::atomic<std::uint32_t> takenSeq;
    std::atomic<std::uint32_t> resultSeq;
    std::atomic<std::int64_t> result;
    // Set while the receiver does not watch for sends.
    std::atomic<std::uint32_t> receiverRing;

    // Whether the result of send number `seq` is in.
    bool answered(std::uint32_t seq) const {
        return resultSeq.load(std::memory_order_acquire) == seq;
    }
};

static_assert(std::atomic<std::uint32_t>::is_always_lock_free &&
              std::atomic<std::uint64_t>::is_always_lock_free);

// The lane takes the region's first page; the payload starts on the next.
inline constexpr std::size_t kLaneBytes = 4096;
static_assert(sizeof(Lane) <= kLaneBytes);

}  // namespace kel::link
