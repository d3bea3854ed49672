// Copy-data sends travel through memory that the two processes share instead
// of through the socket: the lane (lane.h) at the region's start, then the
// payload. A 28 KB sector reply pushed through a Unix socket would cost the
// kernel a buffer allocation and two copies, several times the cost of the
// whole message exchange around it.
//
// The sender owns one region per connection and passes its descriptor once,
// with the first frame that uses it. A send is synchronous and a connection
// carries one send at a time (a nested send takes another connection), so
// the receiver reads the payload while the sender waits for the result and
// the region is never written under a reader's feet by a well-behaved
// sender. A misbehaving one can still change the bytes, so handlers treat
// them as untrusted as always; it cannot shrink the region (the memfd is
// sealed), so a reader never faults on a mapping that lost its pages.
#pragma once

#include <cstddef>
#include <memory>
#include <span>
#include <string>

#include "platform/link/lane.h"

namespace kel::link {

// The sender's side: a sealed, writable region with room for a payload of a
// fixed size behind its lane.
class SharedRegion {
public:
    // Null with `error` set when the memory cannot be made.
    static std::unique_ptr<SharedRegion> create(std::size_t payloadSize, std::string& error);
    ~SharedRegion();
    SharedRegion(const SharedRegion&) = delete;
    SharedRegion& operator=(const SharedRegion&) = delete;

    int fd() const { return fd_; }
    Lane& lane() { return *reinterpret_cast<Lane*>(base_); }
    std::span<std::byte> payload() { return {base_ + kLaneBytes, size_ - kLaneBytes}; }

private:
    SharedRegion(int fd, std::byte* base, std::size_t size) : fd_(fd), base_(base), size_(size) {}
    int fd_;
    std::byte* base_;
    std::size_t size_;
};

// The receiver's side: the peer's lane, writable, and its payload, read-only.
class SharedView {
public:
    // Takes ownership of `fd` (closed in every case). Refuses a descriptor
    // that is not a sealed region with room for `payloadSize` bytes.
    static std::unique_ptr<SharedView> adopt(int fd, std::size_t payloadSize, std::string& error);
    ~SharedView();
    SharedView(const SharedView&) = delete;
    SharedView& operator=(const SharedView&) = delete;

    Lane& lane() const { return *lane_; }
    std::span<const std::byte> payload() const { return {payload_, payloadSize_}; }

private:
    SharedView(Lane* lane, const std::byte* payload, std::size_t payloadSize)
        : lane_(lane), payload_(payload), payloadSize_(payloadSize) {}
    Lane* lane_;
    const std::byte* payload_;
    std::size_t payloadSize_;
};

}  // namespace kel::link
