#include "diag/disc/info_reads.h"

#include <algorithm>

#include "diag/device/cd_device.h"
#include "diag/disc/disc_debug.h"

namespace kel::diag {

ReplyBytes ClearedInfoReply(ReplyBuffer buffer) {
    std::fill_n(buffer.begin(), kInfoReplyBytes, 0);
    return ReplyBytes(buffer.data(), kInfoReplyBytes);
}

bool CommandUnknownToDrive(const CdDevice& drive) {
    constexpr std::uint8_t kIllegalRequest = 0x05;
    constexpr std::uint8_t kInvalidOpcode = 0x20;
    return drive.senseKeyCode() == kIllegalRequest && drive.senseAsc == kInvalidOpcode;
}

std::optional<DiscInformation> ReadDiscInformation(CdDevice& drive, ReplyBuffer buffer) {
    const ReplyBytes reply = ClearedInfoReply(buffer);
    if (!drive.ReadDiscInfo(buffer, 0)) {
        DebugLine("Read Disc Info failed for %s (%s).", drive.AddressName(),
                  drive.DeviceDescription());
        return std::nullopt;
    }
    return ReadDiscInformationReply(reply);
}

}  // namespace kel::diag
