// Reading one sector's user data through the drive server.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "frontend/common/drive_server_client.h"

namespace kel::frontend {

inline constexpr std::size_t kUserDataSize = 2048;
// Arguments below this are track numbers, from it on block addresses.
inline constexpr std::int32_t kFirstBlockArgument = 100;

// Reads from the device in DriveNumber: a track number 1..99 reads that
// track's sector 16 (where an ISO 9660 volume descriptor sits) and makes it
// SelectedTrack; 100 and above is a block address. Returns the sector's mode
// byte and copies the 2048 user bytes of a mode 1 or mode 2 sector into
// `buffer`. When the read fails (ReplyError is then 1) or the track number is
// out of range, returns 0 and leaves `buffer` untouched.
std::uint8_t ReadSectorViaServer(DriveServerClient& client, std::int32_t trackOrLba,
                                 std::span<std::uint8_t, kUserDataSize> buffer);

}  // namespace kel::frontend
