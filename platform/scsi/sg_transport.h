// The Linux SG_IO backend: commands to a real drive through /dev/sr* or /dev/sg*.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "platform/scsi/transport.h"

struct sg_io_hdr;  // <scsi/sg.h>

namespace kel::scsi {

// The kernel's side of one SG_IO call on an open device: takes the request,
// fills in its reply fields and returns what ioctl returns (-1 with errno
// set when the call itself failed).
using SgIoCall = std::function<int(sg_io_hdr& request)>;

// One command through `call`: the request built for the kernel, and the
// kernel's status, host and driver bytes and sense mapped to a Result.
// `device` names the drive in error texts.
Result executeSgIo(const SgIoCall& call, std::string_view device, std::span<const std::uint8_t> cdb,
                   Direction direction, std::span<std::uint8_t> buffer,
                   std::chrono::milliseconds timeout);

// Opens the device without waiting for a medium. Null with `error` set when
// the path cannot be opened or does not take SG_IO.
std::unique_ptr<Transport> openSgTransport(const std::string& devicePath, TransportError& error);

}  // namespace kel::scsi
