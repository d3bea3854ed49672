// Which transport serves a configured CD drive: SG_IO for a real drive, the
// emulated drive for a disc image. This is the one place that knows both, so
// that the platform layer needs nothing of ours above it.
#pragma once

#include <memory>
#include <string>

#include "platform/drives/drive_table.h"
#include "platform/scsi/transport.h"

namespace kel::wiring {

// Lets the drive table see the medium in emulated drives (label, mounted
// folder, size). Every program that reads drive letters calls it at start;
// the open functions below call it themselves.
void wireDrives();

// On failure returns nullptr and sets `error` to a text naming the drive.
std::unique_ptr<scsi::Transport> openDriveTransport(const drives::CdDrive& drive,
                                                    std::string& error);
// As openDriveTransport, but a drive that cannot be opened (an image missing,
// unreadable, or whose shared state cannot be kept; a device this user may not
// open, or no pass-through device) gives an empty drive, with its tray
// closed, and a log line naming the file and why: the drive server's view.
std::unique_ptr<scsi::Transport> openDriveOrEmpty(const drives::CdDrive& drive, std::string& error);
std::unique_ptr<scsi::Transport> openLetterTransport(
    char letter, std::string& error, const drives::DriveTable& table = drives::drives());
std::unique_ptr<scsi::Transport> openDeviceTransport(
    int device, std::string& error, const drives::DriveTable& table = drives::drives());

}  // namespace kel::wiring
