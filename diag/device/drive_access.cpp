#include "diag/device/drive_access.h"

#include <cerrno>
#include <cstdio>

#include "diag/device/disk_name.h"
#include "platform/drives/drive_table.h"
#include "platform/scsi/sg_transport.h"
#include "wiring/drive_transport.h"

namespace kel::diag {

namespace {

// The error number of an image drive that did not open: why its image cannot
// be read, or 0 when the image could be read and is itself at fault.
int imageErrorCode(const std::filesystem::path& image) {
    errno = 0;
    if (std::FILE* file = std::fopen(image.c_str(), "rb")) {
        std::fclose(file);
        return 0;
    }
    return errno;
}

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
    std::unique_ptr<scsi::Transport> transport = wiring::openDriveTransport(*drive, failure.text);
    if (!transport) {
        failure.code = imageErrorCode(drive->source);
    }
    return transport;
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
