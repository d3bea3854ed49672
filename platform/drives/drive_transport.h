// The SCSI transport for a CD letter or a server device number: SG_IO for a
// real drive, the emulated drive for a disc image.
#pragma once

#include <memory>
#include <string>

#include "platform/drives/drive_table.h"
#include "platform/scsi/transport.h"

namespace kel::drives {

// On failure returns nullptr and sets `error` to a text naming the drive.
std::unique_ptr<scsi::Transport> openDriveTransport(const CdDrive& drive, std::string& error);
std::unique_ptr<scsi::Transport> openLetterTransport(char letter, std::string& error,
                                                     const DriveTable& table = drives());
std::unique_ptr<scsi::Transport> openDeviceTransport(int device, std::string& error,
                                                     const DriveTable& table = drives());

}  // namespace kel::drives
