#include "drive_server_client.h"

#include <algorithm>
#include <optional>
#include <string_view>

#include "frontend/common/kel_cd_data.h"
#include "frontend/common/reply_lines.h"
#include "frontend/common/reply_parse.h"
#include "frontend/common/request_lines.h"
#include "platform/base/log.h"
#include "platform/drives/drive_table.h"
#include "server/request_codes.h"

namespace kel::frontend {
namespace {

constexpr std::size_t kMaxCodeLineLength = 5;

// Copies as much of `record` as the lent buffer and the sector capacity hold.
void copyToReplyBuffer(std::span<const std::byte> record) {
    std::span<std::uint8_t> buffer = KelCdData.ServerReplyBuffer;
    if (buffer.empty()) {
        return;
    }
    std::size_t size = std::min({record.size(), buffer.size(), kSectorBufferCapacity});
    if (size < record.size()) {
        log::warning("kel", "reply of " + std::to_string(record.size()) + " bytes cut to " +
                                std::to_string(size) + " (the reply buffer's size)");
    }
    std::copy_n(reinterpret_cast<const std::uint8_t*>(record.data()), size, buffer.begin());
}

bool isSectorReply(std::uint32_t requestCode, std::size_t size) {
    std::uint32_t sectorSize = SectorSizeOfRequest(requestCode);
    return sectorSize != 0 && size >= sectorSize && size % sectorSize == 0;
}

}  // namespace

void DriveServerClient::_Send(std::uint32_t a, std::uint32_t b, std::uint32_t c) {
    std::uint32_t code = a + b + c;
    KelCdData.CurrentRequestCode = code;
    Kel_Pass = RequestLines(code, KelCdData);
    replyArrived_.store(false, std::memory_order_relaxed);
    Senddata();
    if (!replyArrived_.load(std::memory_order_acquire)) {
        KelCdData.ReplyError = 1;
        KelCdData.ReplyErrorCode = kNoServerReply;
    }
}

bool DriveServerClient::Recievedata(std::uint16_t code) {
    return frontend::Recievedata(Kel_Return, code, KelCdData, drives::drives());
}

std::vector<std::byte> DriveServerClient::RequestRecord() const {
    std::vector<std::byte> record;
    for (const std::string& line : Kel_Pass) {
        for (char c : line) {
            record.push_back(static_cast<std::byte>(c));
        }
        record.push_back(std::byte{'\r'});
        record.push_back(std::byte{'\n'});
    }
    record.push_back(std::byte{0});
    return record;
}

void DriveServerClient::AcceptReply(std::span<const std::byte> record) {
    KelCdData.LastReplySize = static_cast<std::uint32_t>(record.size());
    if (isSectorReply(KelCdData.CurrentRequestCode, record.size())) {
        // A sector carries no status: its arrival is the success.
        KelCdData.ReplyError = 0;
        copyToReplyBuffer(record);
    } else {
        // The record's length bounds the text, whether or not it ends in NUL.
        std::string_view text(reinterpret_cast<const char*>(record.data()), record.size());
        Kel_Return = SplitLines(text.substr(0, text.find('\0')));
        std::optional<std::int32_t> code;
        if (!Kel_Return.empty() && !Kel_Return[0].empty() &&
            Kel_Return[0].size() <= kMaxCodeLineLength) {
            code = DecimalValue(Kel_Return[0]);
        }
        if (!code || !Recievedata(static_cast<std::uint16_t>(*code))) {
            Kel_Return.clear();
            copyToReplyBuffer(record);
        }
    }
    replyArrived_.store(true, std::memory_order_release);
}

}  // namespace kel::frontend
