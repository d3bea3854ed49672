#include "server_test_rig.h"

namespace kel::server::testing {

ServerRig::ServerRig(int devices) {
    std::vector<std::unique_ptr<scsi::Transport>> transports;
    for (int i = 0; i < devices; ++i) {
        auto drive = std::make_unique<scsi::RecordingTransport>();
        drives_.push_back(drive.get());
        transports.push_back(std::move(drive));
    }
    library = std::make_unique<tolscsi::Library>(std::move(transports));
    form = std::make_unique<TForm1>(*library, kMessages, kServerWindow, outbox);
    form->ServerWndProc(kMessages.Handshake, kClientWindow);
}

std::vector<std::string> ServerRig::request(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) {
        text += line + "\r\n";
    }
    std::vector<std::uint8_t> bytes(text.begin(), text.end());
    bytes.push_back(0);
    std::size_t before = outbox.sent.size();
    form->ServerFormCopyData(kMessages.SendData, bytes);
    if (outbox.sent.size() == before) {
        return {};
    }
    return SplitReply(outbox.sent.back().bytes);
}

std::vector<std::string> SplitReply(const std::vector<std::uint8_t>& bytes) {
    std::string text(bytes.begin(), bytes.end());
    if (!text.empty() && text.back() == '\0') {
        text.pop_back();
    }
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find("\r\n", start);
        if (end == std::string::npos) {
            lines.push_back(text.substr(start));
            break;
        }
        lines.push_back(text.substr(start, end - start));
        start = end + 2;
    }
    return lines;
}

}  // namespace kel::server::testing
