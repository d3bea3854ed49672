// Delivering messages to link windows of any process.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "platform/link/message.h"

namespace kel::link {

// Queues the message for the window's loop and returns at once. A message to
// window 0, to a window that no longer exists, or to an inbox that has stopped
// reading is lost (the last with a log line).
void post(Handle window, std::uint32_t msg, std::uint64_t wParam, std::int64_t lParam);

// Posts to every live link window of every other process; the receivers see
// Origin::Broadcast.
void broadcast(std::uint32_t msg, std::uint64_t wParam, std::int64_t lParam);

enum class SendStatus {
    Delivered,     // the handler ran; `result` is what it returned
    NoWindow,      // window 0 or no such window: failed at once
    ReceiverDied,  // the receiver went away before its handler returned
    TooLarge,      // more than kMaxPayload bytes
};

struct SendResult {
    SendStatus status = SendStatus::NoWindow;
    std::int64_t result = 0;
    bool delivered() const { return status == SendStatus::Delivered; }
};

inline constexpr std::size_t kMaxPayload = 1u << 20;

// Sends a copy-data record and returns after the receiver's handler returned.
// While it waits, messages sent to the calling thread's windows are handled
// (so a reply sent back from inside the receiver's handler is handled before
// this returns); messages posted to them wait for the thread's loop. Windows
// of other threads keep being served by their own threads. `from` reaches the
// handler as wParam.
SendResult sendCopyData(Handle window, Handle from, std::uint64_t dwData,
                        std::span<const std::byte> data);

}  // namespace kel::link
