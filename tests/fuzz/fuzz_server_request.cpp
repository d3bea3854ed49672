// Any bytes as a request record: the server answers, refuses or ignores
// them, and never reads past the record or crashes.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "platform/scsi/recording_transport.h"
#include "server/server_form.h"

namespace {

class NullOutbox : public kel::server::Outbox {
public:
    void post(std::uint32_t, std::uint32_t, std::uint32_t, std::uint32_t) override {}
    void sendCopyData(std::uint32_t, std::uint32_t, std::span<const std::uint8_t> bytes) override {
        // Touch every byte so that a reply built from freed or unset memory shows.
        volatile std::uint8_t sum = 0;
        for (std::uint8_t b : bytes) {
            sum = static_cast<std::uint8_t>(sum + b);
        }
    }
    void closeForm() override {}
    void watchClient(std::uint32_t) override {}
};

// A drive that accepts every command and returns as many bytes as asked,
// so that the request handlers run their whole reply paths.
std::unique_ptr<kel::tolscsi::Library> MakeLibrary() {
    std::vector<std::unique_ptr<kel::scsi::Transport>> devices;
    for (int i = 0; i < 2; ++i) {
        auto drive = std::make_unique<kel::scsi::RecordingTransport>();
        drive->setResponder(
            [](const kel::scsi::RecordedCommand& command, std::span<std::uint8_t> buffer) {
                kel::scsi::Result result;
                for (std::size_t i = 0; i < buffer.size(); ++i) {
                    buffer[i] = static_cast<std::uint8_t>(i * 31 + command.cdb[0]);
                }
                result.transferred = buffer.size();
                return result;
            });
        devices.push_back(std::move(drive));
    }
    return std::make_unique<kel::tolscsi::Library>(std::move(devices));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static std::unique_ptr<kel::tolscsi::Library> library = MakeLibrary();
    NullOutbox outbox;
    constexpr kel::server::LinkMessages messages{0xC001, 0xC002, 0xC003, 0xC004};
    kel::server::TForm1 form(*library, messages, 0x10, outbox);
    form.ServerWndProc(messages.Handshake, 0x20);
    // A heap copy of exactly the record's length, so a read past it shows.
    std::vector<std::uint8_t> record(data, data + size);
    form.ServerFormCopyData(messages.SendData, record);
    return 0;
}
