// Sense bytes as a drive or the kernel hands them over, in either format,
// turned into the fixed format that Result::sense promises.
#pragma once

#include <cstdint>
#include <span>

#include "platform/scsi/transport.h"

namespace kel::scsi {

// Fixed sense (0x70/0x71) is copied (cut to 18 bytes); descriptor sense
// (0x72/0x73) is rebuilt in fixed form with its key, ASC, ASCQ, and the
// information, command-specific and sense-key-specific descriptors that fit.
// Anything else (no bytes, an unknown response code) gives all-zero sense.
Sense toFixedSense(std::span<const std::uint8_t> raw);

}  // namespace kel::scsi
