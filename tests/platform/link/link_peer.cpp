// A second process for the link tests.
//   link_peer serve              prints its window handle, answers until told to quit
//   link_peer client HANDLE N    makes N request/reply round trips with a server peer
//   link_peer ids                prints the ids of the link's four message names
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "platform/link/loop.h"
#include "platform/link/registered_message.h"
#include "platform/link/send.h"
#include "platform/link/window.h"
#include "tests/platform/link/peer_protocol.h"

namespace kel::link {
namespace {

int serve() {
    const std::uint32_t handshake = registerMessage(peer::kHandshake);
    const std::uint32_t close = registerMessage(peer::kClose);
    const std::uint32_t sentinel = registerMessage(peer::kSentinel);
    Loop loop;
    Handle self = 0;
    std::int64_t handshakesSeen = 0;
    Window window([&](const Message& m) -> std::int64_t {
        auto from = static_cast<Handle>(m.wParam);
        if (m.msg == handshake) {
            ++handshakesSeen;
            post(from, handshake, self,
                 m.origin == Origin::Broadcast ? peer::kSawBroadcast : peer::kSawPost);
            return 0;
        }
        if (m.msg == sentinel) {
            post(from, sentinel, self, handshakesSeen);
            return 0;
        }
        if (m.msg != kCopyData) {
            return 0;
        }
        switch (m.dwData) {
            case peer::Checksum:
                return peer::checksum(m.data);
            case peer::PostThenReply:
                post(from, close, self, 0);
                [[fallthrough]];
            case peer::Reply: {
                SendResult reply = sendCopyData(from, self, peer::Reply, m.data);
                return reply.delivered() ? reply.result : -1;
            }
            case peer::Die:
                ::_exit(3);
            case peer::Quit:
                loop.quit(0);
                return 0;
            case peer::Slow:
                std::this_thread::sleep_for(std::chrono::milliseconds(peer::kSlowMs));
                return peer::kSlowResult;
            case peer::Broadcast:
                broadcast(handshake, self, 0);
                post(self, sentinel, from, 0);
                return 0;
        }
        return -1;
    });
    self = window.handle();
    std::printf("%u\n", self);
    std::fflush(stdout);
    return loop.run();
}

int client(Handle server, int count) {
    std::vector<std::byte> lastReply;
    Window window([&](const Message& m) -> std::int64_t {
        lastReply.assign(m.data.begin(), m.data.end());
        return static_cast<std::int64_t>(m.data.size());
    });
    for (int i = 0; i < count; ++i) {
        std::string request = std::to_string(window.handle()) + " request " + std::to_string(i);
        auto bytes = std::as_bytes(std::span(request));
        lastReply.clear();
        SendResult r = sendCopyData(server, window.handle(), peer::Reply, bytes);
        if (!r.delivered() || r.result != static_cast<std::int64_t>(request.size()) ||
            !std::equal(lastReply.begin(), lastReply.end(), bytes.begin(), bytes.end())) {
            std::fprintf(stderr, "link_peer client: round trip %d went wrong\n", i);
            return 1;
        }
    }
    return 0;
}

}  // namespace
}  // namespace kel::link

int main(int argc, char** argv) {
    std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "serve") {
        return kel::link::serve();
    }
    if (mode == "client" && argc == 4) {
        return kel::link::client(static_cast<kel::link::Handle>(std::strtoul(argv[2], nullptr, 10)),
                                 std::atoi(argv[3]));
    }
    if (mode == "ids") {
        for (const char* name :
             {"KEL.CD.Handshake", "KEL.CD.sendData", "KEL.CD.returnData", "KEL.CD.close"}) {
            std::printf("%u\n", kel::link::registerMessage(name));
        }
        return 0;
    }
    std::fprintf(stderr, "usage: link_peer serve | client HANDLE COUNT | ids\n");
    return 2;
}
