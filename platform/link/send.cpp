#include "send.h"

#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <bit>
#include <cerrno>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "platform/base/log.h"
#include "platform/link/dispatcher.h"
#include "platform/link/frame.h"
#include "platform/link/link_dir.h"
#include "platform/link/outbox.h"
#include "platform/link/send_activity.h"
#include "platform/link/unix_socket.h"

namespace kel::link {
namespace {

static_assert(kMaxPayload == kMaxFramePayload);

// A post is small; if an inbox cannot take one within this time its reader
// has stopped, and the message is dropped as a full desktop queue drops it.
constexpr int kPostTimeoutMs = 1000;

std::string windowName(Handle window) {
    return "window " + std::to_string(window);
}

bool peerGone(ssize_t error) {
    return error == -EPIPE || error == -ECONNRESET || error == -ENOTCONN;
}

// Writes a whole frame while serving the thread's inbox, so that two windows
// sending large records to each other at once cannot both stall. Returns 0, or
// the error and whether any byte had already gone out.
struct WriteOutcome {
    ssize_t error = 0;
    bool started = false;
};

WriteOutcome writeFrame(Outgoing& connection, std::span<const std::byte> head,
                        std::span<const std::byte> payload, int passFd, Dispatcher& dispatcher) {
    WriteOutcome outcome;
    connection.writing = true;
    while (!head.empty() || !payload.empty()) {
        ssize_t n = sendSome(connection.fd, head, payload, outcome.started ? -1 : passFd);
        if (n == -EAGAIN || n == -EINTR) {
            Readiness ready = waitFor(connection.fd, POLLOUT, dispatcher.fd());
            if (ready.second) {
                dispatcher.serveWhileWaiting();
            }
            continue;
        }
        if (n < 0) {
            outcome.error = n;
            break;
        }
        outcome.started = true;
        auto sent = static_cast<std::size_t>(n);
        std::size_t fromHead = std::min(sent, head.size());
        head = head.subspan(fromHead);
        payload = payload.subspan(sent - fromHead);
    }
    connection.writing = false;
    return outcome;
}

// A receiver rings when it sees the sender asleep; a sender that found its
// result in the lane just before it slept leaves that ring unread. Such rings
// are taken off here, or they would fill the socket until the receiver could
// ring no more. Rings are whole frames, so whole reads keep the stream in step.
void dropStaleRings(const Outgoing& connection) {
    std::array<std::byte, kFrameHeaderSize * 16> rings;
    while (receiveSome(connection.fd, rings) == static_cast<ssize_t>(rings.size())) {
    }
}

// Waits for the result of send number `seq`: in the lane, or without one
// as a result frame on the socket, serving the thread's inbox meanwhile. On a
// laned connection the socket carries only rings, or the receiver's end.
SendResult awaitResult(Handle window, Outgoing& connection, Lane* lane, std::uint32_t seq,
                       Dispatcher& dispatcher) {
    auto laneResult = [&]() -> std::optional<SendResult> {
        if (lane != nullptr && lane->answered(seq)) {
            // Only a sender that went to sleep can have been rung.
            if (lane->senderRing.load(std::memory_order_relaxed) != 0) {
                dropStaleRings(connection);
            }
            return SendResult{SendStatus::Delivered, lane->result.load(std::memory_order_relaxed)};
        }
        return std::nullopt;
    };
    std::array<std::byte, kFrameHeaderSize> buffer;
    for (;;) {
        if (auto result = laneResult()) {
            return *result;
        }
        dispatcher.awaitSend(connection.fd, lane, seq);
        if (auto result = laneResult()) {
            return *result;
        }
        ssize_t n = receiveSome(connection.fd, buffer);
        if (n == -EAGAIN || n == -EINTR) {
            continue;
        }
        if (n <= 0) {
            // A receiver that answered and then ended still answered.
            return laneResult().value_or(SendResult{SendStatus::ReceiverDied, 0});
        }
        std::span<const std::byte> input(buffer.data(), static_cast<std::size_t>(n));
        FrameReader::Status status = connection.results.feed(input);
        if (status == FrameReader::Status::NeedMore) {
            continue;
        }
        Frame frame = connection.results.take();
        const FrameKind expected = lane != nullptr ? FrameKind::Ring : FrameKind::Result;
        if (status == FrameReader::Status::Bad || frame.header.kind != expected || !input.empty()) {
            log::warning("link", windowName(window) + ": answered a send with a malformed frame");
            return {SendStatus::ReceiverDied, 0};
        }
        if (lane == nullptr) {
            return {SendStatus::Delivered, frame.header.lParam};
        }
    }
}

// The connection's shared memory, made on first use. Null when there is none
// to be had; the send then goes inline on the socket.
Lane* laneOf(Outgoing& connection) {
    if (!connection.shared) {
        std::string error;
        connection.shared = SharedRegion::create(kMaxFramePayload, error);
        if (!connection.shared) {
            log::warning("link", error);
            return nullptr;
        }
    }
    return &connection.shared->lane();
}

// Puts the send into the lane; returns its number.
std::uint32_t publish(Outgoing& connection, const FrameHeader& header,
                      std::span<const std::byte> data) {
    Lane& lane = connection.shared->lane();
    if (!data.empty()) {
        std::memcpy(connection.shared->payload().data(), data.data(), data.size());
    }
    lane.length.store(header.length, std::memory_order_relaxed);
    lane.wParam.store(header.wParam, std::memory_order_relaxed);
    lane.dwData.store(std::bit_cast<std::uint64_t>(header.lParam), std::memory_order_relaxed);
    lane.senderRing.store(0, std::memory_order_relaxed);
    const std::uint32_t seq = ++connection.sendSeq;
    lane.sendSeq.store(seq, std::memory_order_release);
    std::atomic_thread_fence(std::memory_order_seq_cst);
    return seq;
}

void deliverPost(Handle window, const FrameHeader& header) {
    auto bytes = encodeHeader(header);
    std::span<const std::byte> frame(bytes);
    Outbox& outbox = Outbox::current();
    // A cached connection may lead to a window that has since closed; one
    // fresh connection tells whether another listens there now.
    for (int attempt = 0; attempt < 2; ++attempt) {
        std::shared_ptr<Outgoing> connection = outbox.connect(window, false);
        if (!connection) {
            return;
        }
        ssize_t n = sendSome(connection->fd, frame);
        if (n == static_cast<ssize_t>(frame.size())) {
            return;
        }
        if (n == 0 || peerGone(n)) {
            outbox.forget(window, connection);
            continue;
        }
        bool started = n > 0;
        if ((n > 0 || n == -EAGAIN) &&
            sendAllWithin(connection->fd, frame.subspan(started ? n : 0), kPostTimeoutMs)) {
            return;
        }
        // A half-written frame leaves the stream unusable.
        outbox.forget(window, connection);
        log::warning("link", windowName(window) + ": inbox is not reading; message dropped");
        return;
    }
}

}  // namespace

void post(Handle window, std::uint32_t msg, std::uint64_t wParam, std::int64_t lParam) {
    if (window == 0) {
        return;
    }
    deliverPost(window, FrameHeader{FrameKind::Post, msg, 0, wParam, lParam});
}

void broadcast(std::uint32_t msg, std::uint64_t wParam, std::int64_t lParam) {
    auto self = static_cast<unsigned>(::getpid());
    for (Handle window : listWindows(linkDir())) {
        if (processOf(window) != self) {
            deliverPost(window, FrameHeader{FrameKind::Broadcast, msg, 0, wParam, lParam});
        }
    }
}

SendResult sendCopyData(Handle window, Handle from, std::uint64_t dwData,
                        std::span<const std::byte> data) {
    if (window == 0) {
        return {SendStatus::NoWindow, 0};
    }
    if (data.size() > kMaxPayload) {
        log::warning("link", "copy data of " + std::to_string(data.size()) +
                                 " bytes exceeds the link's limit");
        return {SendStatus::TooLarge, 0};
    }
    Dispatcher& dispatcher = Dispatcher::current();
    if (dispatcher.owns(window)) {
        // A send to one of the thread's own windows is a plain call.
        Message message;
        message.msg = kCopyData;
        message.wParam = from;
        message.origin = Origin::Sent;
        message.dwData = dwData;
        message.data = data;
        return {SendStatus::Delivered, dispatcher.call(window, message)};
    }

    FrameHeader header{FrameKind::Send, kCopyData, static_cast<std::uint32_t>(data.size()), from,
                       std::bit_cast<std::int64_t>(dwData)};

    Dispatcher::WaitScope waiting(dispatcher);
    SendActivity activity;
    Outbox& outbox = Outbox::current();
    for (int attempt = 0; attempt < 2; ++attempt) {
        std::shared_ptr<Outgoing> connection = outbox.connect(window, true);
        if (!connection) {
            return {SendStatus::NoWindow, 0};
        }
        Lane* lane = laneOf(*connection);
        std::uint32_t seq = 0;
        auto head = lane != nullptr ? encodeRing() : encodeHeader(header);
        std::span<const std::byte> payload = data;
        int passFd = -1;
        bool mustWrite = true;
        if (lane != nullptr) {
            seq = publish(*connection, header, data);
            // The first send hands the memory over; later ones ring only a
            // receiver that does not watch its lanes.
            passFd = connection->sharedPassed ? -1 : connection->shared->fd();
            mustWrite = passFd >= 0 || lane->receiverRing.load(std::memory_order_relaxed) != 0;
            payload = {};
        }
        connection->awaiting = true;
        if (mustWrite) {
            WriteOutcome written = writeFrame(*connection, head, payload, passFd, dispatcher);
            if (written.started && passFd >= 0) {
                connection->sharedPassed = true;
            }
            if (written.error != 0) {
                connection->awaiting = false;
                outbox.forget(window, connection);
                if (!written.started && peerGone(written.error)) {
                    continue;  // a stale connection; retry on a fresh one
                }
                return {SendStatus::ReceiverDied, 0};
            }
        }
        SendResult result = awaitResult(window, *connection, lane, seq, dispatcher);
        connection->awaiting = false;
        if (!result.delivered()) {
            outbox.forget(window, connection);
            if (lane != nullptr && lane->takenSeq.load(std::memory_order_acquire) != seq) {
                continue;  // the receiver never saw it: a stale connection
            }
        }
        return result;
    }
    return {SendStatus::NoWindow, 0};
}

}  // namespace kel::link
