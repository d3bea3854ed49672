// How an SG_IO call that did not bring back a SCSI status becomes a
// TransportError: the ioctl's own errno, or the host adapter's and the
// driver's status words of the completed request.
#pragma once

#include <cstdint>
#include <string_view>

#include "platform/scsi/transport.h"

namespace kel::scsi {

// The ioctl failed with errno `error` for the command with `opcode`.
TransportError sgIoctlError(int error, std::uint8_t opcode, std::string_view device);

// The ioctl returned; code 0 when the host and the driver both delivered the
// command and its status (a driver status that only says "sense follows" is
// not a failure).
TransportError sgCompletionError(std::uint16_t hostStatus, std::uint16_t driverStatus,
                                 std::uint8_t opcode, std::string_view device);

}  // namespace kel::scsi
