// A client of the drive server in miniature: starts KELCD32 by file name,
// finds it by the handshake and sends requests, as a front end does. Used by
// kelcd-client and by the server's process tests.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/link/loop.h"
#include "platform/link/message.h"
#include "platform/link/window.h"

namespace kel::server {

class LinkClient {
public:
    LinkClient();

    // Starts the server beside this program and waits for its handshake,
    // broadcasting ours until it answers. Sets `error` on failure.
    bool connect(std::chrono::milliseconds timeout, std::string& error);

    // Sends one request (decimal lines); the reply bytes, or none when no
    // reply came.
    std::optional<std::vector<std::uint8_t>> request(const std::vector<std::string>& lines);

    link::Handle server() const { return server_; }

    // The text lines of a reply (up to its NUL, split at CR LF).
    static std::vector<std::string> lines(const std::vector<std::uint8_t>& reply);

private:
    std::int64_t handle(const link::Message& m);

    std::uint32_t handshake_, sendData_, returnData_;
    link::Loop loop_;
    link::Window window_;
    link::Handle server_ = 0;
    std::optional<std::vector<std::uint8_t>> reply_;
};

}  // namespace kel::server
