// Disc and track information as the track-list builders ask the drive for
// them, in the first 256 bytes of the caller's reply buffer.
#pragma once

#include <optional>

#include "diag/disc/disc_info.h"
#include "diag/disc/track_replies.h"

namespace kel::diag {

class CdDevice;

inline constexpr std::size_t kInfoReplyBytes = 256;

// Those bytes cleared for a reply, so that a drive answering short leaves
// zeros behind rather than an earlier answer.
ReplyBytes ClearedInfoReply(ReplyBuffer buffer);

// The drive refused its last failed command as one it does not know
// (ILLEGAL REQUEST, invalid command operation code), as against a medium,
// not-ready or other error of a command it has.
bool CommandUnknownToDrive(const CdDevice& drive);

// The disc information; nothing when the drive refuses it, which goes to the
// debug log.
std::optional<DiscInformation> ReadDiscInformation(CdDevice& drive, ReplyBuffer buffer);

}  // namespace kel::diag
