#include "wiring/drive_transport.h"

#include "emu/drive/emulated_drive.h"
#include "platform/base/log.h"
#include "platform/scsi/sg_transport.h"

namespace kel::wiring {
namespace {

std::optional<drives::Volume> emulatedDriveVolume(const std::filesystem::path& source) {
    std::string error;
    std::optional<emu::MediumView> medium = emu::emulatedMedium(source, error);
    if (!medium || medium->trayOpen || !medium->discPresent) {
        return std::nullopt;
    }
    return drives::Volume{medium->mountedFolder, medium->volumeLabel, medium->totalBytes};
}

}  // namespace

void wireDrives() {
    drives::setImageVolumeReader(emulatedDriveVolume);
}

std::unique_ptr<scsi::Transport> openDriveTransport(const drives::CdDrive& drive,
                                                    std::string& error) {
    wireDrives();
    std::string why;
    std::unique_ptr<scsi::Transport> transport;
    if (drive.kind == drives::SourceKind::Device) {
        scsi::TransportError failure;
        transport = scsi::openSgTransport(drive.source.string(), failure);
        why = failure.text;
    } else {
        transport = emu::openEmulatedDrive(drive.source, why);
    }
    if (!transport) {
        error = std::string("drive ") + drive.letter + ": " + why;
    }
    return transport;
}

std::unique_ptr<scsi::Transport> openDriveOrEmpty(const drives::CdDrive& drive,
                                                  std::string& error) {
    std::unique_ptr<scsi::Transport> transport = openDriveTransport(drive, error);
    if (transport) {
        return transport;
    }
    // An image that is gone or unreadable, or a device that this user may not
    // open or that takes no pass-through, is a drive with nothing in it, as a
    // real drive without a disc: one bad drive must not cost every drive.
    log::warning("drives", error + "; the drive stands empty");
    return emu::openEmptyDrive();
}

std::unique_ptr<scsi::Transport> openLetterTransport(char letter, std::string& error,
                                                     const drives::DriveTable& table) {
    const drives::CdDrive* drive = table.cdDrive(letter);
    if (!drive) {
        error = std::string("drive ") + letter + ": is not a CD drive";
        return nullptr;
    }
    return openDriveTransport(*drive, error);
}

std::unique_ptr<scsi::Transport> openDeviceTransport(int device, std::string& error,
                                                     const drives::DriveTable& table) {
    const drives::CdDrive* drive = table.cdDriveOfDevice(device);
    if (!drive) {
        error = "no CD drive has device number " + std::to_string(device);
        return nullptr;
    }
    return openDriveTransport(*drive, error);
}

}  // namespace kel::wiring
