// The wire format of one link frame: a fixed 32-byte header, written field by
// field in little-endian order, then the payload of a copy-data send.
//
//   0  u32 magic "KLNK"     8  u32 message id       16 u64 wParam
//   4  u8  kind, 3 zeros   12  u32 payload length   24 i64 lParam
//
// A sent copy-data record carries the sender's window in wParam and dwData in
// lParam; a result frame carries the handler's result in lParam. Those two
// travel on the socket only when no shared memory could be had; otherwise a
// send and its result go through the connection's lane (lane.h), and a ring
// frame, header only, wakes the end that is not watching its lanes.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace kel::link {

inline constexpr std::size_t kFrameHeaderSize = 32;
inline constexpr std::uint32_t kMaxFramePayload = 1u << 20;

enum class FrameKind : std::uint8_t { Post = 1, Broadcast = 2, Send = 3, Result = 4, Ring = 5 };

struct FrameHeader {
    FrameKind kind = FrameKind::Post;
    std::uint32_t msg = 0;
    std::uint32_t length = 0;
    std::uint64_t wParam = 0;
    std::int64_t lParam = 0;
};

struct Frame {
    FrameHeader header;
    std::vector<std::byte> payload;
};

std::array<std::byte, kFrameHeaderSize> encodeHeader(const FrameHeader& header);
// A ring: the header alone, every field but the kind zero.
std::array<std::byte, kFrameHeaderSize> encodeRing();

// Checks every field before anything trusts it: the magic, a known kind, zero
// padding, and a payload only on sends and never above kMaxFramePayload.
// Returns false with `error` set when the header is malformed.
bool decodeHeader(std::span<const std::byte, kFrameHeaderSize> bytes, FrameHeader& header,
                  std::string& error);

// Reassembles frames from a byte stream that arrives in arbitrary pieces.
// A malformed header poisons the reader: a stream whose framing is lost cannot
// be resynchronised, so its connection is dropped.
class FrameReader {
public:
    enum class Status { NeedMore, Ready, Bad };

    // Consumes bytes from the front of `input` up to the end of one frame.
    Status feed(std::span<const std::byte>& input);
    // The frame completed by the last feed that returned Ready.
    Frame take();
    // True while a frame has been started but not finished.
    bool midFrame() const { return headerFill_ > 0; }
    const std::string& error() const { return error_; }

private:
    std::array<std::byte, kFrameHeaderSize> headerBytes_{};
    std::size_t headerFill_ = 0;
    bool headerDone_ = false;
    Frame frame_;
    std::size_t payloadFill_ = 0;
    std::string error_;
};

}  // namespace kel::link
