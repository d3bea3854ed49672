#include "diag/device/drive_access.h"

#include "diag/device/disk_name.h"
#include "platform/drives/drive_table.h"
#include "platform/scsi/sg_transport.h"
#include "wiring/drive_transport.h"

namespace kel::diag {

namespace {

std::unique_ptr<scsi::Transport> openSystemLetter(char letter, OpenFailure& failure) {
    const drives::CdDrive* drive = drives::drives().cdDrive(letter);
    if (!drive) {
        failure.devicePath = std::string(1, letter) + ":";
        failure.text = "not a CD drive";
        return nullptr;
    }
    failure.devicePath = drive->source.string();
    if (drive->kind == drives::SourceKind::Device) {
        // Opened here rather than by letter so that the errno survives: an
        // access denial has its own message.
        scsi::TransportError error;
        std::unique_ptr<scsi::Transport> transport =
            scsi::openSgTransport(drive->source.string(), error);
        failure.code = error.code;
        failure.text = error.text;
        return transport;
    }
    return wiring::openDriveTransport(*drive, failure.text);
}

}  // namespace

std::shared_ptr<const DriveAccess> systemDriveAccess(StringSource strings) {
    wiring::wireDrives();
    auto access = std::make_shared<DriveAccess>();
    access->isCdLetter = [](char letter) {
        return drives::drives().type(letter) == drives::DriveType::CdRom;
    };
    access->openLetter = openSystemLetter;
    access->firstDiskName = [] { return firstDiskName(); };
    access->clock = systemWaitClock();
    access->strings = std::move(strings);
    return access;
}

}  // namespace kel::diag
