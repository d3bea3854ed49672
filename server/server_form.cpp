#include "server_form.h"

#include <cstdlib>
#include <new>

#include "platform/base/log.h"
#include "server/request_codes.h"
#include "server/request_words.h"

namespace kel::server {
namespace {

// The reply size travels in 16 bits.
constexpr std::size_t kMaxTextReply = 0xFFFF;

}  // namespace

void OutOfMemory() {
    log::warning("KEL", "Not enough memory to allocate buffer");
    std::exit(1);
}

TForm1::TForm1(tolscsi::Library& scsi, LinkMessages messages, std::uint32_t ownWindow,
               Outbox& outbox)
    : Scsi(scsi), messages_(messages), ownWindow_(ownWindow), outbox_(outbox) {}

void TForm1::AllocateSectorBuffer(std::uint16_t size) {
    try {
        SectorBuffer.assign(size, 0);
    } catch (const std::bad_alloc&) {
        OutOfMemory();
    }
}

CapacityRecord& TForm1::CapacityRecordOf(std::int32_t device) {
    int slot = DeviceSlot(device);
    if (slot < 0) {
        unlistedCapacity_.fill(0);
        return unlistedCapacity_;
    }
    return CapacityRecords[static_cast<std::size_t>(slot)];
}

void TForm1::BindTo(std::uint32_t starter) {
    starter_ = starter;
    // A starter that dies before its handshake must not leave us behind.
    outbox_.watchClient(starter);
}

void TForm1::ServerWndProc(std::uint32_t msg, std::uint32_t wParam) {
    if (clientWindow_ == 0 && msg == messages_.Handshake && wParam != 0 &&
        (starter_ == 0 || wParam == starter_)) {
        clientWindow_ = wParam;
        outbox_.post(clientWindow_, messages_.Handshake, ownWindow_, 0);
        Memo1.Add("Hand Shake sent");
        log::warning("KELCD32", "bound to client window " + std::to_string(clientWindow_));
        if (starter_ == 0) {
            outbox_.watchClient(clientWindow_);
        }
    }
}

void TForm1::ServerFormCopyData(std::uint32_t dwData, std::span<const std::uint8_t> data) {
    SectorReplySize = 0;
    RequestCode = 0;
    if (dwData != messages_.SendData) {
        return;
    }
    // The record's length bounds the text, whether or not the sender put a NUL.
    std::string_view text(reinterpret_cast<const char*>(data.data()), data.size());
    text = text.substr(0, text.find('\0'));
    Memo1.SetText(text);
    CodeText = std::string(Memo1.Line(0));
    try {
        RequestCode = LineValue(Memo1, 0);
        if (RequestCode == 0) {
            log::warning("KELCD32", "request 0: closing");
            outbox_.post(clientWindow_, messages_.Close, ownWindow_, 0);
            outbox_.closeForm();
        }
        DispatchRequest(*this, RequestCode);
    } catch (const ConversionError& error) {
        // An error box inside a sent message would hold the client until
        // somebody dismissed a box nobody can see: log it and answer nothing.
        log::warning("KELCD32", std::string("request not served: ") + error.what());
        SectorReplySize = 0;
        SectorBuffer.clear();
    }
}

void DispatchRequest(TForm1& form, std::int32_t code) {
    switch (code & 0xF000) {
        case kGroupExit:
            form.Edit1 = "_exit";
            form.Memo1.Clear();
            form.Memo1.Add(form.CodeText);
            form.Memo1.Add("2");
            break;
        case kGroupAudio:
            form.Edit1 = "_audio";
            DoAudioRequest(form, code);
            break;
        case kGroupDisc:
            form.Edit1 = "_disc";
            DoDiscRequest(form, code);
            break;
        case kGroupDrive:
            form.Edit1 = "_drive";
            DoDriveRequest(form, code);
            break;
        case kGroupSystem:
            form.Edit1 = "_system";
            DoSystemRequest(form, code);
            break;
        default:
            break;
    }
    SendReply(form);
}

void SendReply(TForm1& form) {
    if (form.SectorReplySize != 0) {
        form.outbox_.sendCopyData(
            form.clientWindow_, form.messages_.ReturnData,
            std::span<const std::uint8_t>(form.SectorBuffer).first(form.SectorReplySize));
        form.SectorBuffer.clear();
        return;
    }
    std::string text = form.Memo1.Text();
    if (text.size() + 1 > kMaxTextReply) {
        // Only an echoed request can be this long; its size would wrap.
        log::warning("KELCD32", "reply of " + std::to_string(text.size() + 1) +
                                    " bytes exceeds the 65535-byte limit; not sent");
        return;
    }
    std::vector<std::uint8_t> buffer;
    try {
        buffer.assign(text.begin(), text.end());
        buffer.push_back(0);
    } catch (const std::bad_alloc&) {
        OutOfMemory();
    }
    form.outbox_.sendCopyData(form.clientWindow_, form.messages_.ReturnData, buffer);
}

}  // namespace kel::server
