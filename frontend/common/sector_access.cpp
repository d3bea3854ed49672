#include "sector_access.h"

#include <algorithm>
#include <array>

#include "frontend/common/kel_cd_data.h"
#include "platform/base/log.h"
#include "server/request_codes.h"

namespace kel::frontend {
namespace {

constexpr std::int32_t kVolumeDescriptorSector = 16;
constexpr std::size_t kModeOffset = 15;
constexpr std::size_t kMode1UserData = 16;
constexpr std::size_t kMode2UserData = 24;

// Lends a buffer of our own to the client for one request, so that a sector
// reply lands where this read expects it and nowhere else.
class LentReplyBuffer {
public:
    explicit LentReplyBuffer(std::span<std::uint8_t> buffer)
        : previous_(KelCdData.ServerReplyBuffer) {
        KelCdData.ServerReplyBuffer = buffer;
    }
    ~LentReplyBuffer() { KelCdData.ServerReplyBuffer = previous_; }
    LentReplyBuffer(const LentReplyBuffer&) = delete;
    LentReplyBuffer& operator=(const LentReplyBuffer&) = delete;

private:
    std::span<std::uint8_t> previous_;
};

}  // namespace

std::uint8_t ReadSectorViaServer(DriveServerClient& client, std::int32_t trackOrLba,
                                 std::span<std::uint8_t, kUserDataSize> buffer) {
    if (trackOrLba < kFirstBlockArgument) {
        if (trackOrLba < 1) {
            log::warning("kel", "no track " + std::to_string(trackOrLba) + " to read");
            KelCdData.ReplyError = 1;
            KelCdData.ReplyErrorCode = kRequestRefused;
            return 0;
        }
        KelCdData.SelectedTrack = trackOrLba;
        std::int64_t start =
            KelCdData.TrackTable[static_cast<std::size_t>(trackOrLba - 1)].StartLba;
        KelCdData.ParamA =
            static_cast<std::int32_t>(static_cast<std::uint32_t>(start + kVolumeDescriptorSector));
    } else {
        KelCdData.ParamA = trackOrLba;
    }
    KelCdData.ParamB = 1;

    std::array<std::uint8_t, kRawSectorSize> sector{};
    {
        LentReplyBuffer lent(sector);
        client._Send(kGroupDisc, kSubRead, kDiscReadData & 0xFF);
    }
    if (KelCdData.ReplyError || KelCdData.LastReplySize < kRawSectorSize) {
        return 0;
    }
    std::uint8_t mode = sector[kModeOffset];
    if (mode == 1) {
        std::copy_n(sector.begin() + kMode1UserData, kUserDataSize, buffer.begin());
    } else if (mode == 2) {
        std::copy_n(sector.begin() + kMode2UserData, kUserDataSize, buffer.begin());
    }
    return mode;
}

}  // namespace kel::frontend
