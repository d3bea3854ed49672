// Large copy-data payloads travel through memory that the two processes
// share instead of through the socket: a 28 KB sector reply pushed through a
// Unix socket costs the kernel a buffer allocation and two copies, several
// times the cost of the whole message exchange around it.
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

namespace kel::link {

// The sender's side: a sealed, writable region of a fixed size.
class SharedRegion {
public:
    // Null with `error` set when the memory cannot be made.
    static std::unique_ptr<SharedRegion> create(std::size_t size, std::string& error);
    ~SharedRegion();
    SharedRegion(const SharedRegion&) = delete;
    SharedRegion& operator=(const SharedRegion&) = delete;

    int fd() const { return fd_; }
    std::span<std::byte> bytes() { return {base_, size_}; }

private:
    SharedRegion(int fd, std::byte* base, std::size_t size) : fd_(fd), base_(base), size_(size) {}
    int fd_;
    std::byte* base_;
    std::size_t size_;
};

// The receiver's side: a read-only view of a peer's region.
class SharedView {
public:
    // Takes ownership of `fd` (closed in every case). Refuses a descriptor
    // that is not a sealed region of at least `minimum` bytes.
    static std::unique_ptr<SharedView> adopt(int fd, std::size_t minimum, std::string& error);
    ~SharedView();
    SharedView(const SharedView&) = delete;
    SharedView& operator=(const SharedView&) = delete;

    std::span<const std::byte> bytes() const { return {base_, size_}; }

private:
    SharedView(const std::byte* base, std::size_t size) : base_(base), size_(size) {}
    const std::byte* base_;
    std::size_t size_;
};

}  // namespace kel::link
