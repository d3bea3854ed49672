// KELCD32: the drive command server. It shows no window: one link window
// receives the front end's handshake and requests, and the layer's own loop
// serves it until a request with code 0 closes it.
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/base/log.h"
#include "platform/drives/drive_table.h"
#include "platform/link/loop.h"
#include "platform/link/registered_message.h"
#include "platform/link/send.h"
#include "platform/link/window.h"
#include "platform/link/window_watch.h"
#include "server/server_form.h"
#include "server/server_start.h"
#include "wiring/drive_transport.h"

namespace kel::server {
namespace {

LinkMessages RegisterServerMessages() {
    return {link::registerMessage("KEL.CD.Handshake"), link::registerMessage("KEL.CD.sendData"),
            link::registerMessage("KEL.CD.returnData"), link::registerMessage("KEL.CD.close")};
}

// The library's devices: the configured CD drives in order. A drive that
// cannot be opened is an empty one that keeps its device number, so the
// numbers of the drives after it do not shift and the device list carries
// no failure that would cost the front end every drive.
std::vector<std::unique_ptr<scsi::Transport>> OpenCdDrives() {
    std::vector<std::unique_ptr<scsi::Transport>> devices;
    for (const drives::CdDrive& drive : drives::drives().cdDrives()) {
        std::string error;
        devices.push_back(wiring::openDriveOrEmpty(drive, error));
    }
    return devices;
}

// The window of the client that started this server, when one did.
std::optional<std::uint32_t> StarterWindow() {
    const char* text = std::getenv(kServerStarterVariable);
    if (text == nullptr) {
        return std::nullopt;
    }
    std::string_view digits(text);
    std::uint32_t window = 0;
    auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), window);
    if (error != std::errc() || end != digits.data() + digits.size() || window == 0) {
        log::warning("KELCD32", std::string(kServerStarterVariable) + " is not a window: " + text);
        return std::nullopt;
    }
    return window;
}

class LinkOutbox : public Outbox {
public:
    LinkOutbox(link::Loop& loop) : loop_(loop) {}
    void setOwnWindow(link::Handle window) { own_ = window; }

    void post(std::uint32_t window, std::uint32_t msg, std::uint32_t wParam,
              std::uint32_t lParam) override {
        link::post(window, msg, wParam, lParam);
    }
    void sendCopyData(std::uint32_t window, std::uint32_t dwData,
                      std::span<const std::uint8_t> bytes) override {
        // A reply to a client that is gone is lost, as a desktop send to a
        // closed window would be.
        link::sendCopyData(window, own_, dwData, std::as_bytes(bytes));
    }
    void closeForm() override { loop_.quit(0); }
    void watchClient(std::uint32_t window) override {
        const std::string client = "client window " + std::to_string(window);
        auto gone = [this, client] {
            log::warning("KELCD32", client + " has closed: closing as on request 0");
            closeForm();
        };
        if (!link::watchWindow(window, gone)) {
            gone();
        }
    }

private:
    link::Loop& loop_;
    link::Handle own_ = 0;
};

int Run() {
    LinkMessages messages = RegisterServerMessages();
    tolscsi::Library library(OpenCdDrives());
    link::Loop loop;
    LinkOutbox outbox(loop);
    std::unique_ptr<TForm1> form;
    link::Window window([&](const link::Message& m) -> std::int64_t {
        if (m.msg == link::kCopyData) {
            auto bytes =
                std::span(reinterpret_cast<const std::uint8_t*>(m.data.data()), m.data.size());
            form->ServerFormCopyData(static_cast<std::uint32_t>(m.dwData), bytes);
            return 1;
        }
        form->ServerWndProc(m.msg, static_cast<std::uint32_t>(m.wParam));
        return 0;
    });
    outbox.setOwnWindow(window.handle());
    form = std::make_unique<TForm1>(library, messages, window.handle(), outbox);
    if (std::optional<std::uint32_t> starter = StarterWindow()) {
        form->BindTo(*starter);
    }
    return loop.run();
}

}  // namespace
}  // namespace kel::server

int main() {
    try {
        return kel::server::Run();
    } catch (const std::exception& error) {
        kel::log::warning("KELCD32", error.what());
        return 0;
    }
}
