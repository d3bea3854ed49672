// The shape every backend demands of a command before it goes anywhere, so a
// malformed CDB from a program fails the same way on a real and a test drive.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "platform/scsi/transport.h"

namespace kel::scsi {

// EINVAL with a reason for a CDB that is not 6, 10, 12 or 16 bytes or a
// transfer larger than one command can carry; code 0 otherwise.
TransportError checkRequest(std::span<const std::uint8_t> cdb, std::size_t bufferSize);

}  // namespace kel::scsi
