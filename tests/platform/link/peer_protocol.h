// What the link peer program does for each dwData a test sends it.
#pragma once

#include <cstdint>

namespace kel::link::peer {

enum Command : std::uint64_t {
    Checksum = 1,       // returns checksum(data)
    Reply = 2,          // sends data back to the sender's window, returns that send's result
    Die = 3,            // ends the peer inside its handler
    Quit = 4,           // ends the peer's loop after answering 0
    Broadcast = 5,      // broadcasts the handshake, then posts the sentinel to itself
    PostThenReply = 6,  // posts "KEL.CD.close" to the sender, then does Reply
    Slow = 7,           // returns kSlowResult after kSlowMs
};

inline constexpr const char* kHandshake = "KEL.CD.Handshake";
inline constexpr const char* kClose = "KEL.CD.close";
// Posted by the peer to itself after a broadcast; when it arrives every
// message the broadcast could have put in the peer's own inbox has arrived
// too, and the peer posts it on to the test with the handshakes it has seen.
inline constexpr const char* kSentinel = "KEL.TEST.Sentinel";

inline constexpr int kSlowMs = 300;
inline constexpr std::int64_t kSlowResult = 777;

// Origins the peer reports in lParam of its handshake answer.
inline constexpr std::int64_t kSawBroadcast = 1;
inline constexpr std::int64_t kSawPost = 2;

template <typename Bytes>
std::int64_t checksum(const Bytes& data) {
    std::uint64_t hash = 1469598103934665603ull;
    for (auto b : data) {
        hash = (hash ^ static_cast<std::uint8_t>(b)) * 1099511628211ull;
    }
    return static_cast<std::int64_t>(hash >> 1);
}

}  // namespace kel::link::peer
