// The link between real processes: this test process and link_peer.
#include <gtest/gtest.h>
#include <sys/mman.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "platform/link/frame.h"
#include "platform/link/link_dir.h"
#include "platform/link/loop.h"
#include "platform/link/registered_message.h"
#include "platform/link/send.h"
#include "platform/link/shared_region.h"
#include "platform/link/unix_socket.h"
#include "platform/link/window.h"
#include "tests/platform/link/peer_process.h"
#include "tests/platform/link/peer_protocol.h"

namespace kel::link {
namespace {

using namespace std::chrono_literals;
using test::PeerProcess;

std::vector<std::byte> pattern(std::size_t size) {
    std::vector<std::byte> bytes(size);
    for (std::size_t i = 0; i < size; ++i) {
        bytes[i] = static_cast<std::byte>((i * 7 + i / 251) & 0xFF);
    }
    return bytes;
}

struct Received {
    std::uint32_t msg;
    std::uint64_t wParam;
    std::int64_t lParam;
    Origin origin;
};

class LinkProcessTest : public ::testing::Test {
protected:
    test::ScopedLinkDir dir;
    Loop loop;
};

TEST_F(LinkProcessTest, BroadcastReachesOtherProcessesOnly) {
    const std::uint32_t handshake = registerMessage(peer::kHandshake);
    const std::uint32_t sentinel = registerMessage(peer::kSentinel);
    PeerProcess server({"serve"});
    Handle peerWindow = server.window();

    std::vector<Received> first;
    std::vector<Received> second;
    Window a([&](const Message& m) {
        first.push_back({m.msg, m.wParam, m.lParam, m.origin});
        loop.quit(0);
        return std::int64_t{0};
    });
    Window b([&](const Message& m) {
        second.push_back({m.msg, m.wParam, m.lParam, m.origin});
        loop.quit(0);
        return std::int64_t{0};
    });

    // Ours out: the peer answers the way the server answers a client's
    // handshake, directly, saying it saw a broadcast.
    broadcast(handshake, a.handle(), 0);
    ASSERT_EQ(test::runWithin(loop), 0);
    ASSERT_EQ(first.size(), 1u);
    EXPECT_EQ(first[0].msg, handshake);
    EXPECT_EQ(first[0].wParam, peerWindow);
    EXPECT_EQ(first[0].lParam, peer::kSawBroadcast);
    EXPECT_EQ(first[0].origin, Origin::Posted);
    // A post to b after the broadcast rides the same connection that a
    // broadcast to b would have used, so it arrives after anything of it.
    post(b.handle(), sentinel, 0, 0);
    ASSERT_EQ(test::runWithin(loop), 0);
    ASSERT_EQ(second.size(), 1u);
    EXPECT_EQ(second[0].msg, sentinel);

    // Theirs in: both our windows see it as a broadcast; the peer's own
    // window does not (it reports the handshakes it saw: only ours).
    first.clear();
    second.clear();
    auto none = std::span<const std::byte>();
    ASSERT_TRUE(sendCopyData(peerWindow, a.handle(), peer::Broadcast, none).delivered());
    while (first.size() < 2 || second.empty()) {
        ASSERT_EQ(test::runWithin(loop), 0);
    }
    ASSERT_EQ(second.size(), 1u);
    EXPECT_EQ(second[0].msg, handshake);
    EXPECT_EQ(second[0].origin, Origin::Broadcast);
    EXPECT_EQ(second[0].wParam, peerWindow);
    ASSERT_EQ(first.size(), 2u);
    EXPECT_EQ(first[0].msg, handshake);
    EXPECT_EQ(first[0].origin, Origin::Broadcast);
    EXPECT_EQ(first[1].msg, sentinel);
    EXPECT_EQ(first[1].lParam, 1) << "the peer received its own broadcast";
}

TEST_F(LinkProcessTest, ReplyIsHandledInsideTheSendThatAskedForIt) {
    const std::uint32_t close = registerMessage(peer::kClose);
    PeerProcess server({"serve"});
    Handle peerWindow = server.window();
    bool sending = false;
    std::vector<std::string> events;
    std::vector<std::byte> reply;
    Window client([&](const Message& m) -> std::int64_t {
        if (m.origin == Origin::Sent) {
            events.push_back(sending ? "sent, inside the send" : "sent, outside");
            reply.assign(m.data.begin(), m.data.end());
            return 4242;
        }
        events.push_back(m.msg == close ? "posted close" : "posted other");
        loop.quit(0);
        return 0;
    });

    auto request = pattern(300);
    sending = true;
    SendResult r = sendCopyData(peerWindow, client.handle(), peer::Reply, request);
    sending = false;
    ASSERT_TRUE(r.delivered());
    EXPECT_EQ(r.result, 4242);
    EXPECT_EQ(reply, request);

    // A message posted while the client waits is kept for its loop.
    events.clear();
    sending = true;
    r = sendCopyData(peerWindow, client.handle(), peer::PostThenReply, request);
    sending = false;
    ASSERT_TRUE(r.delivered());
    EXPECT_EQ(events, std::vector<std::string>{"sent, inside the send"});
    ASSERT_EQ(test::runWithin(loop), 0);
    EXPECT_EQ(events, (std::vector<std::string>{"sent, inside the send", "posted close"}));
}

TEST_F(LinkProcessTest, ASendNestedInAnotherWaitGetsItsOwnResult) {
    // The main thread waits on a slow request to the peer; meanwhile a worker
    // thread sends to the main thread's window, whose handler sends its own
    // request to the same peer. The peer answers the slow one first.
    PeerProcess server({"serve"});
    Handle peerWindow = server.window();
    auto bytes = pattern(40);
    SendResult inner;
    Window window([&](const Message&) {
        inner = sendCopyData(peerWindow, 0, peer::Checksum, bytes);
        return std::int64_t{5};
    });
    std::thread worker([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(peer::kSlowMs / 4));
        EXPECT_EQ(sendCopyData(window.handle(), 0, 0, {}).result, 5);
    });
    SendResult outer = sendCopyData(peerWindow, 0, peer::Slow, {});
    worker.join();
    ASSERT_TRUE(outer.delivered());
    EXPECT_EQ(outer.result, peer::kSlowResult);
    ASSERT_TRUE(inner.delivered());
    EXPECT_EQ(inner.result, peer::checksum(bytes));
}

TEST_F(LinkProcessTest, SendToNoWindowOrADeadOneFailsAtOnce) {
    auto bytes = pattern(16);
    EXPECT_EQ(sendCopyData(0, 0, peer::Checksum, bytes).status, SendStatus::NoWindow);
    post(0, 0xC000, 1, 2);  // lost silently

    PeerProcess server({"serve"});
    Handle peerWindow = server.window();
    ASSERT_TRUE(sendCopyData(peerWindow, 0, peer::Checksum, bytes).delivered());
    server.kill();

    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(sendCopyData(peerWindow, 0, peer::Checksum, bytes).status, SendStatus::NoWindow);
    EXPECT_LT(std::chrono::steady_clock::now() - start, 500ms);
    post(peerWindow, 0xC000, 1, 2);
    // The dead process's socket went with the failed send.
    EXPECT_FALSE(std::filesystem::exists(socketPath(dir.path(), peerWindow)));
}

TEST_F(LinkProcessTest, DeadProcessesSocketsAreClearedWhenAWindowOpens) {
    PeerProcess server({"serve"});
    Handle peerWindow = server.window();
    server.kill();
    ASSERT_TRUE(std::filesystem::exists(socketPath(dir.path(), peerWindow)));
    Window window([](const Message&) { return std::int64_t{0}; });
    EXPECT_FALSE(std::filesystem::exists(socketPath(dir.path(), peerWindow)));
    EXPECT_TRUE(std::filesystem::exists(socketPath(dir.path(), window.handle())));
}

TEST_F(LinkProcessTest, ReceiverDyingInsideItsHandlerFailsTheSend) {
    PeerProcess server({"serve"});
    Handle peerWindow = server.window();
    auto none = std::span<const std::byte>();
    EXPECT_EQ(sendCopyData(peerWindow, 0, peer::Die, none).status, SendStatus::ReceiverDied);
    EXPECT_EQ(server.wait(), 3);
}

TEST_F(LinkProcessTest, TenThousandSequentialSends) {
    PeerProcess server({"serve"});
    Handle peerWindow = server.window();
    auto bytes = pattern(200);
    for (int i = 0; i < 10000; ++i) {
        std::span<const std::byte> part(bytes.data() + i % 100, 100);
        SendResult r = sendCopyData(peerWindow, 0, peer::Checksum, part);
        ASSERT_TRUE(r.delivered()) << "send " << i;
        ASSERT_EQ(r.result, peer::checksum(part)) << "send " << i;
    }
}

TEST_F(LinkProcessTest, LargePayloadsArriveWhole) {
    PeerProcess server({"serve"});
    Handle peerWindow = server.window();
    for (std::size_t size : {std::size_t{64} << 10, kMaxPayload}) {
        auto bytes = pattern(size);
        SendResult r = sendCopyData(peerWindow, 0, peer::Checksum, bytes);
        ASSERT_TRUE(r.delivered()) << size;
        EXPECT_EQ(r.result, peer::checksum(bytes)) << size;
    }
    // 1 MiB both ways, the second inside the first.
    std::vector<std::byte> echoed;
    Window client([&](const Message& m) {
        echoed.assign(m.data.begin(), m.data.end());
        return std::int64_t{1};
    });
    auto bytes = pattern(kMaxPayload);
    EXPECT_TRUE(sendCopyData(peerWindow, client.handle(), peer::Reply, bytes).delivered());
    EXPECT_TRUE(echoed == bytes);

    bytes.push_back(std::byte{0});
    EXPECT_EQ(sendCopyData(peerWindow, 0, peer::Checksum, bytes).status, SendStatus::TooLarge);
}

TEST_F(LinkProcessTest, SuccessiveLargeSendsEachArriveWithTheirOwnBytes) {
    // Large payloads share one memory per connection: each send must find
    // its own bytes there, never the previous send's.
    PeerProcess server({"serve"});
    Handle peerWindow = server.window();
    auto bytes = pattern(40000);
    for (std::size_t i = 0; i < 200; ++i) {
        std::span<const std::byte> part(bytes.data() + i * 37, 28224 - i);
        SendResult r = sendCopyData(peerWindow, 0, peer::Checksum, part);
        ASSERT_TRUE(r.delivered()) << "send " << i;
        ASSERT_EQ(r.result, peer::checksum(part)) << "send " << i;
    }
}

TEST_F(LinkProcessTest, TwoClientsAtOnceGetTheirOwnReplies) {
    PeerProcess server({"serve"});
    std::string peerWindow = std::to_string(server.window());
    PeerProcess one({"client", peerWindow, "2000"});
    PeerProcess two({"client", peerWindow, "2000"});
    EXPECT_EQ(one.wait(), 0) << one.errorText();
    EXPECT_EQ(two.wait(), 0) << two.errorText();
}

// Writes raw bytes into a window's inbox, as a broken or hostile program
// would, with a descriptor passed along when `passFd` is 0 or more, and
// returns once the window has dropped the connection: sends through lanes are
// served before sockets are read, so the test's own sends could overtake it.
int connectRaw(const std::filesystem::path& socket) {
    int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, socket.c_str(), sizeof address.sun_path - 1);
    if (fd >= 0 && ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

void writeRaw(const std::filesystem::path& socket, const std::vector<std::byte>& bytes,
              int passFd = -1) {
    int fd = connectRaw(socket);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(sendSome(fd, bytes, {}, passFd), static_cast<ssize_t>(bytes.size()));
    ::shutdown(fd, SHUT_WR);
    char byte;
    while (::read(fd, &byte, 1) > 0) {
    }
    ::close(fd);
}

// Checks that a peer that met bad input still serves, ends it, and returns
// what it logged.
std::string servesOnThenQuits(PeerProcess& server, Handle window) {
    auto bytes = pattern(64);
    SendResult r = sendCopyData(window, 0, peer::Checksum, bytes);
    EXPECT_TRUE(r.delivered());
    EXPECT_EQ(r.result, peer::checksum(bytes));
    EXPECT_TRUE(sendCopyData(window, 0, peer::Quit, {}).delivered());
    EXPECT_EQ(server.wait(), 0);
    return server.errorText();
}

std::vector<std::byte> ringFrame() {
    auto head = encodeRing();
    return {head.begin(), head.end()};
}

TEST_F(LinkProcessTest, GarbageOnAnInboxIsDroppedAndLogged) {
    PeerProcess server({"serve"});
    Handle peerWindow = server.window();
    std::filesystem::path socket = socketPath(dir.path(), peerWindow);

    writeRaw(socket, pattern(100));  // no frame at all
    FrameHeader huge{FrameKind::Send, kCopyData, kMaxFramePayload + 1, 0, peer::Checksum};
    auto head = encodeHeader(huge);
    writeRaw(socket, {head.begin(), head.end()});
    FrameHeader cut{FrameKind::Send, kCopyData, 1000, 0, peer::Checksum};
    head = encodeHeader(cut);
    std::vector<std::byte> truncated(head.begin(), head.end());
    truncated.resize(truncated.size() + 10);
    writeRaw(socket, truncated);

    // A ring with no memory behind it rings for nothing; memory that could
    // shrink under the reader (an unsealed file) is refused.
    writeRaw(socket, ringFrame());
    int unsealed = ::memfd_create("unsealed", MFD_CLOEXEC);
    ASSERT_GE(unsealed, 0);
    ASSERT_EQ(::ftruncate(unsealed, kLaneBytes + kMaxFramePayload), 0);
    writeRaw(socket, ringFrame(), unsealed);
    ::close(unsealed);

    std::string log = servesOnThenQuits(server, peerWindow);
    EXPECT_NE(log.find("bad magic"), std::string::npos) << log;
    EXPECT_NE(log.find("exceeds the limit"), std::string::npos) << log;
    EXPECT_NE(log.find("inside a frame"), std::string::npos) << log;
    EXPECT_NE(log.find("not a sealed region"), std::string::npos) << log;
}

TEST_F(LinkProcessTest, ALaneClaimingMoreThanItsMemoryIsDropped) {
    PeerProcess server({"serve"});
    Handle peerWindow = server.window();
    std::string error;
    auto region = SharedRegion::create(kMaxFramePayload, error);
    ASSERT_TRUE(region) << error;
    region->lane().length.store(kMaxFramePayload + 1);
    region->lane().dwData.store(peer::Checksum);
    region->lane().sendSeq.store(1);
    int fd = connectRaw(socketPath(dir.path(), peerWindow));
    ASSERT_GE(fd, 0);
    auto ring = ringFrame();
    ASSERT_EQ(sendSome(fd, ring, {}, region->fd()), static_cast<ssize_t>(ring.size()));

    // The connection ends unanswered; the window goes on serving others.
    char byte;
    EXPECT_EQ(::read(fd, &byte, 1), 0);
    EXPECT_NE(region->lane().resultSeq.load(), 1u);
    ::close(fd);
    std::string log = servesOnThenQuits(server, peerWindow);
    EXPECT_NE(log.find("a shared send of 1048577 bytes exceeds its memory"), std::string::npos)
        << log;
}

}  // namespace
}  // namespace kel::link
