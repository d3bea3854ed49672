// A server form wired to scripted drives and a recording outbox.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/scsi/recording_transport.h"
#include "server/server_form.h"

namespace kel::server::testing {

struct SentRecord {
    std::uint32_t window;
    std::uint32_t dwData;
    std::vector<std::uint8_t> bytes;
};

struct PostedMessage {
    std::uint32_t window, msg, wParam, lParam;
};

class RecordingOutbox : public Outbox {
public:
    void post(std::uint32_t window, std::uint32_t msg, std::uint32_t wParam,
              std::uint32_t lParam) override {
        posted.push_back({window, msg, wParam, lParam});
    }
    void sendCopyData(std::uint32_t window, std::uint32_t dwData,
                      std::span<const std::uint8_t> bytes) override {
        sent.push_back({window, dwData, {bytes.begin(), bytes.end()}});
    }
    void closeForm() override { closed = true; }
    void watchClient(std::uint32_t window) override { watched.push_back(window); }

    std::vector<SentRecord> sent;
    std::vector<PostedMessage> posted;
    bool closed = false;
    std::vector<std::uint32_t> watched;
};

inline constexpr LinkMessages kMessages{0xC001, 0xC002, 0xC003, 0xC004};
inline constexpr std::uint32_t kServerWindow = 0x51;
inline constexpr std::uint32_t kClientWindow = 0x77;

class ServerRig {
public:
    explicit ServerRig(int devices = 1);

    scsi::RecordingTransport& drive(int device) { return *drives_[device]; }

    // Sends the request lines (each followed by CR LF, then a NUL) and
    // returns the reply's text lines; empty when no reply was sent.
    std::vector<std::string> request(const std::vector<std::string>& lines);
    // The bytes of the last reply.
    const std::vector<std::uint8_t>& lastReply() const { return outbox.sent.back().bytes; }

    RecordingOutbox outbox;
    std::unique_ptr<tolscsi::Library> library;
    std::unique_ptr<TForm1> form;

private:
    std::vector<scsi::RecordingTransport*> drives_;
};

std::vector<std::string> SplitReply(const std::vector<std::uint8_t>& bytes);

}  // namespace kel::server::testing
