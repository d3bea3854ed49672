// The server's one window: handshake, request intake, dispatch by group and
// the reply. It shows nothing; its text controls are a line store (`Memo1`)
// and a trail of words naming the last request (`Edit1`).
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "server/line_store.h"
#include "server/tolscsi/tolscsi.h"

namespace kel::server {

struct LinkMessages {
    std::uint32_t Handshake = 0;
    std::uint32_t SendData = 0;
    std::uint32_t ReturnData = 0;
    std::uint32_t Close = 0;
};

// What the form asks of the message link; the program wires it to
// platform/link, tests to a recorder.
class Outbox {
public:
    virtual ~Outbox() = default;
    virtual void post(std::uint32_t window, std::uint32_t msg, std::uint32_t wParam,
                      std::uint32_t lParam) = 0;
    virtual void sendCopyData(std::uint32_t window, std::uint32_t dwData,
                              std::span<const std::uint8_t> bytes) = 0;
    virtual void closeForm() = 0;
    // From now on, the client window's closing (or its process's end, however
    // it ends) closes the form as request 0 would.
    virtual void watchClient(std::uint32_t window) = 0;
};

inline constexpr int kMaxDevices = 26;

// What the audio requests keep per device between requests: a failed call
// leaves the earlier content, and one device's position never stands in for
// another's.
struct AudioRecords {
    std::array<std::uint8_t, tolscsi::kSubChannelRecordSize> subChannel{};
    std::array<std::uint8_t, tolscsi::kPositionMsfSize> positionMsf{};
    std::array<std::uint8_t, tolscsi::kPositionLbaSize> positionLba{};
};

// Read command templates: each read writes its address and count into them,
// so a template keeps the bytes of the last read that used it.
struct ReadTemplates {
    std::array<std::uint8_t, 12> CdbReadCdRaw{0xBE, 0, 0, 0, 0, 0x10, 0, 0, 0x01, 0xF8, 0, 0};
    std::array<std::uint8_t, 12> CdbReadCdUser{0xBE, 0, 0, 0, 0, 0x10, 0, 0, 0x01, 0x10, 0, 0};
    std::array<std::uint8_t, 12> CdbVendorCdda{0xD8, 0x08, 0, 0, 0, 0, 0, 0, 0, 0x0C, 0, 0};
};

using CapacityRecord = std::array<std::uint8_t, tolscsi::kCapacityRecordSize>;

class TForm1 {
public:
    TForm1(tolscsi::Library& scsi, LinkMessages messages, std::uint32_t ownWindow, Outbox& outbox);

    // Every message the window receives; takes the first client's handshake.
    void ServerWndProc(std::uint32_t msg, std::uint32_t wParam);
    // A copy-data record; `data` is exactly the record's cbData bytes.
    void ServerFormCopyData(std::uint32_t dwData, std::span<const std::uint8_t> data);

    std::uint32_t clientWindow() const { return clientWindow_; }
    // Only this window's handshake binds the server: the client that started
    // it, which is watched from now on. Without it, the first handshake does.
    void BindTo(std::uint32_t starter);

    // State the group handlers share.
    tolscsi::Library& Scsi;
    LineStore Memo1;
    std::string Edit1;
    std::string CodeText;
    std::int32_t RequestCode = 0;
    std::uint16_t SectorReplySize = 0;  // 0: the reply is Memo1's text
    std::vector<std::uint8_t> SectorBuffer;
    std::array<AudioRecords, kMaxDevices> Audio{};
    ReadTemplates Reads;
    std::array<std::int32_t, kMaxDevices> MediaStatusTable{};
    // Per device, like the audio records: a drive that refuses READ CAPACITY
    // must never report the lead-out that another drive gave.
    std::array<CapacityRecord, kMaxDevices> CapacityRecords{};

    // The device's capacity record; a device outside the table gets a blank
    // one for each request.
    CapacityRecord& CapacityRecordOf(std::int32_t device);

    // Allocates the sector buffer for a sector reply of `size` bytes; a
    // failure is fatal, as for a reply buffer.
    void AllocateSectorBuffer(std::uint16_t size);

private:
    friend void SendReply(TForm1& form);

    LinkMessages messages_;
    std::uint32_t ownWindow_;
    Outbox& outbox_;
    std::uint32_t clientWindow_ = 0;
    std::uint32_t starter_ = 0;
    CapacityRecord unlistedCapacity_{};
};

void DispatchRequest(TForm1& form, std::int32_t code);
void DoAudioRequest(TForm1& form, std::int32_t code);
void DoDiscRequest(TForm1& form, std::int32_t code);
void DoDriveRequest(TForm1& form, std::int32_t code);
void DoSystemRequest(TForm1& form, std::int32_t code);
void SendReply(TForm1& form);

// Ends the process after the out-of-memory message (exit code 1).
[[noreturn]] void OutOfMemory();

}  // namespace kel::server
