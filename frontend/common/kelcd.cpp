#include "kelcd.h"

#include <stdexcept>

#include "frontend/common/kel_cd_data.h"
#include "frontend/common/launchers.h"
#include "platform/base/log.h"
#include "platform/link/send.h"
#include "server/server_start.h"

namespace kel::frontend {
namespace {

std::string durationText(std::chrono::milliseconds duration) {
    if (duration.count() % 1000 == 0) {
        return std::to_string(duration.count() / 1000) + " seconds";
    }
    return std::to_string(duration.count()) + " ms";
}

}  // namespace

Tkelcd::Tkelcd(TkelcdOptions options, QObject* parent)
    : QObject(parent), options_(std::move(options)), ids_(RegisterLinkMessages()) {
    if (!ids_.complete()) {
        throw std::runtime_error("cannot register the drive-server link messages");
    }
    window_ = std::make_unique<link::Window>(
        [this](const link::Message& message) { return WndProc(message); });
    Timer1.setInterval(options_.HandshakeInterval);
    connect(&Timer1, &QTimer::timeout, this, &Tkelcd::Timer1Timer);
}

Tkelcd::~Tkelcd() = default;

void Tkelcd::Formcreate() {
    KelCdData.ServerWindow = 0;
    handshakeFailed_ = false;
    ExecProgram(options_.ServerProgram, ServerStartExtras(Handle()));
    handshakeClock_.start();
    Timer1.start();
}

void Tkelcd::Timer1Timer() {
    if (KelCdData.ServerConnected) {
        Timer1.stop();
        return;
    }
    if (handshakeClock_.isValid() &&
        std::chrono::milliseconds(handshakeClock_.elapsed()) >= options_.HandshakeLimit) {
        Timer1.stop();
        handshakeFailed_ = true;
        std::string text = "No answer from the drive server KELCD32 (started as \"" +
                           options_.ServerProgram + "\") within " +
                           durationText(options_.HandshakeLimit) + ".";
        log::warning("kel", text);
        emit ServerNotFound(QString::fromStdString(text));
        return;
    }
    link::broadcast(ids_.Handshake, Handle(), 0);
}

std::int64_t Tkelcd::WndProc(const link::Message& message) {
    if (message.msg == ids_.Handshake) {
        // Only the server posts its handshake directly; a broadcast one comes
        // from another front end looking for its own server.
        if (message.origin == link::Origin::Posted && KelCdData.ServerConnected == 0 &&
            message.wParam != 0 && message.wParam <= UINT32_MAX) {
            KelCdData.ServerWindow = static_cast<std::uint32_t>(message.wParam);
            KelCdData.ServerConnected = 1;
            Timer1.stop();
        }
        return 0;
    }
    if (message.msg == ids_.Close) {
        Timer1.stop();
        emit FormClosed();
        return 0;
    }
    if (message.msg == link::kCopyData) {
        return FormCopyData(message);
    }
    return 0;
}

std::int64_t Tkelcd::FormCopyData(const link::Message& message) {
    if (message.dwData != ids_.ReturnData) {
        KelCdData.LastReplySize = static_cast<std::uint32_t>(message.data.size());
        return 0;
    }
    AcceptReply(message.data);
    return 1;
}

void Tkelcd::Senddata() {
    std::vector<std::byte> record = RequestRecord();
    link::SendResult result =
        link::sendCopyData(KelCdData.ServerWindow, Handle(), ids_.SendData, record);
    if (!result.delivered()) {
        log::warning("kel", "request " + std::to_string(KelCdData.CurrentRequestCode) +
                                " not delivered to the drive server (window " +
                                std::to_string(KelCdData.ServerWindow) + ")");
    }
}

}  // namespace kel::frontend
