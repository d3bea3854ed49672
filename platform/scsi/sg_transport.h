// The Linux SG_IO backend: commands to a real drive through /dev/sr* or /dev/sg*.
#pragma once

#include <memory>
#include <string>

#include "platform/scsi/transport.h"

namespace kel::scsi {

// Opens the device without waiting for a medium. Null with `error` set when
// the path cannot be opened or does not take SG_IO.
std::unique_ptr<Transport> openSgTransport(const std::string& devicePath, TransportError& error);

}  // namespace kel::scsi
