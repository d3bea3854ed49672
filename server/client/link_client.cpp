#include "link_client.h"

#include <cstring>
#include <thread>

#include "platform/link/registered_message.h"
#include "platform/link/send.h"
#include "platform/process/launch.h"
#include "platform/process/launch_codes.h"
#include "server/server_start.h"

namespace kel::server {
namespace {

constexpr std::chrono::milliseconds kBroadcastInterval{100};

}  // namespace

LinkClient::LinkClient()
    : handshake_(link::registerMessage("KEL.CD.Handshake")),
      sendData_(link::registerMessage("KEL.CD.sendData")),
      returnData_(link::registerMessage("KEL.CD.returnData")),
      window_([this](const link::Message& m) { return handle(m); }) {}

bool LinkClient::connect(std::chrono::milliseconds timeout, std::string& error) {
    int started = process::startProgram("Kelcd32.Exe", ServerStartExtras(window_.handle()));
    if (started < process::code::kStarted) {
        error = "cannot start KELCD32 (code " + std::to_string(started) + ")";
        return false;
    }
    auto deadline = std::chrono::steady_clock::now() + timeout;
    while (server_ == 0 && std::chrono::steady_clock::now() < deadline) {
        link::broadcast(handshake_, window_.handle(), 0);
        std::thread timer([this] {
            std::this_thread::sleep_for(kBroadcastInterval);
            loop_.quit();
        });
        loop_.run();
        timer.join();
    }
    if (server_ == 0) {
        error = "KELCD32 did not answer the handshake";
    }
    return server_ != 0;
}

std::optional<std::vector<std::uint8_t>> LinkClient::request(
    const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) {
        text += line + "\r\n";
    }
    std::vector<std::byte> bytes(text.size() + 1);
    std::memcpy(bytes.data(), text.data(), text.size());
    reply_.reset();
    link::sendCopyData(server_, window_.handle(), sendData_, bytes);
    return std::move(reply_);
}

std::int64_t LinkClient::handle(const link::Message& m) {
    // Only the server's own answer counts: another program's broadcast
    // handshake must not bind this client to it.
    if (m.msg == handshake_ && m.origin == link::Origin::Posted && server_ == 0) {
        server_ = static_cast<link::Handle>(m.wParam);
        loop_.quit();
    } else if (m.msg == link::kCopyData && m.dwData == returnData_) {
        auto* data = reinterpret_cast<const std::uint8_t*>(m.data.data());
        reply_.emplace(data, data + m.data.size());
    }
    return 0;
}

std::vector<std::string> LinkClient::lines(const std::vector<std::uint8_t>& reply) {
    std::string text(reply.begin(), reply.end());
    text = text.substr(0, text.find('\0'));
    std::vector<std::string> result;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find("\r\n", start);
        if (end == std::string::npos) {
            result.push_back(text.substr(start));
            break;
        }
        result.push_back(text.substr(start, end - start));
        start = end + 2;
    }
    return result;
}

}  // namespace kel::server
