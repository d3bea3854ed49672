#include "drive_table.h"

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cstdlib>
#include <list>
#include <mutex>
#include <system_error>

#include "platform/base/log.h"
#include "platform/drives/cd_devices.h"
#include "platform/drives/folder_drives.h"
#include "platform/drives/mounts.h"

namespace kel::drives {
namespace fs = std::filesystem;
namespace {

constexpr char kFixedDisk = 'C';

char upper(char letter) {
    return static_cast<char>(std::toupper(static_cast<unsigned char>(letter)));
}

// The drive of `drives` at `letter`, in either case.
template <typename Drive>
const Drive* withLetter(const std::vector<Drive>& drives, char letter) {
    const char wanted = upper(letter);
    auto found = std::find_if(drives.begin(), drives.end(),
                              [wanted](const Drive& drive) { return drive.letter == wanted; });
    return found == drives.end() ? nullptr : &*found;
}

std::optional<Volume> fixedDiskVolume() {
    Volume volume{"/", {}, totalBytesAt("/")};
    if (std::optional<std::string> device = deviceMountedAt("/", readMounts())) {
        volume.label = labelOfDevice(*device);
    }
    return volume;
}

std::optional<Volume> realDriveVolume(const fs::path& source) {
    fs::path block = blockDeviceOf(source);
    if (block.empty()) {
        return std::nullopt;
    }
    std::optional<fs::path> mountPoint = mountPointOf(block, readMounts());
    if (!mountPoint) {
        return std::nullopt;
    }
    return Volume{*mountPoint, labelOfDevice(block), totalBytesAt(*mountPoint)};
}

std::optional<Volume> folderVolume(const FolderDrive& drive) {
    fs::path folder = drive.folder;
    std::string label;
    if (!drive.device.empty()) {
        std::optional<fs::path> mountPoint = mountPointOf(drive.device, readMounts());
        if (!mountPoint) {
            return std::nullopt;
        }
        folder = *mountPoint;
        label = labelOfDevice(drive.device);
    }
    std::error_code ec;
    if (!fs::is_directory(folder, ec)) {
        return std::nullopt;
    }
    return Volume{folder, label, totalBytesAt(folder)};
}

std::atomic<ImageVolumeReader> imageVolumeReader{nullptr};

// Every table loaded, the last one current: a reload leaves the earlier ones
// in place, as callers keep references to the table they were given.
std::mutex tablesMutex;
std::list<DriveTable>& loadedTables() {
    static std::list<DriveTable> tables;
    return tables;
}
std::atomic<const DriveTable*> currentTable{nullptr};

std::optional<Volume> imageVolume(const fs::path& source) {
    ImageVolumeReader reader = imageVolumeReader.load();
    return reader ? reader(source) : std::nullopt;
}

fs::path absolutePath(const fs::path& path) {
    std::error_code ec;
    fs::path absolute = fs::absolute(path, ec);
    return ec ? path : absolute;
}

DriveTable loadFromEnvironment() {
    const char* config = std::getenv("KEL_DRIVES");
    if (!config) {
        std::vector<fs::path> devices = machineCdDevices();
        const auto afterCds = static_cast<char>('D' + std::min<std::size_t>(devices.size(), 23));
        return DriveTable::fromDevices(devices, machineFolderDrives(afterCds, readMounts()));
    }
    ParsedConfig parsed = parseDriveConfig(config);
    for (const std::string& problem : parsed.problems) {
        log::warning("drives", problem);
    }
    // The front ends pair server devices with CD letters in alphabetical
    // order; numbering the devices in that order too keeps every program
    // showing each drive under its own letter, however KEL_DRIVES lists them.
    std::stable_sort(
        parsed.entries.begin(), parsed.entries.end(),
        [](const ConfigEntry& a, const ConfigEntry& b) { return a.letter < b.letter; });
    for (ConfigEntry& entry : parsed.entries) {
        entry.source = absolutePath(entry.source);
    }
    for (FolderDrive& drive : parsed.folders) {
        drive.folder = absolutePath(drive.folder);
    }
    // A device that is not there is a mistyped entry, not a drive: it would
    // hold a device number that answers nothing.
    std::erase_if(parsed.entries, [](const ConfigEntry& entry) {
        std::error_code ec;
        if (entry.kind != SourceKind::Device || fs::exists(entry.source, ec)) {
            return false;
        }
        log::warning("drives", std::string("skipping ") + entry.letter +
                                   ":=" + entry.source.string() + ": no such device");
        return true;
    });
    return DriveTable::fromConfig(parsed.entries, parsed.folders);
}

}  // namespace

DriveTable DriveTable::fromConfig(const std::vector<ConfigEntry>& entries,
                                  const std::vector<FolderDrive>& folders) {
    DriveTable table;
    for (const ConfigEntry& entry : entries) {
        int device = static_cast<int>(table.cdDrives_.size());
        table.cdDrives_.push_back({upper(entry.letter), entry.source, entry.kind, device});
    }
    for (FolderDrive drive : folders) {
        drive.letter = upper(drive.letter);
        if (drive.letter != kFixedDisk && table.type(drive.letter) == DriveType::NoRootDir) {
            table.folderDrives_.push_back(std::move(drive));
        }
    }
    return table;
}

DriveTable DriveTable::fromDevices(const std::vector<fs::path>& devices,
                                   const std::vector<FolderDrive>& folders) {
    std::vector<ConfigEntry> entries;
    char letter = 'D';
    for (const fs::path& device : devices) {
        if (letter > 'Z') {
            break;
        }
        entries.push_back({letter++, device, SourceKind::Device});
    }
    return fromConfig(entries, folders);
}

DriveType DriveTable::type(char letter) const {
    if (upper(letter) == kFixedDisk) {
        return DriveType::Fixed;
    }
    if (cdDrive(letter)) {
        return DriveType::CdRom;
    }
    const FolderDrive* folder = folderDrive(letter);
    if (!folder) {
        return DriveType::NoRootDir;
    }
    return folder->kind == FolderKind::Network ? DriveType::Remote : DriveType::Removable;
}

const CdDrive* DriveTable::cdDrive(char letter) const {
    return withLetter(cdDrives_, letter);
}

const FolderDrive* DriveTable::folderDrive(char letter) const {
    return withLetter(folderDrives_, letter);
}

const CdDrive* DriveTable::cdDriveOfDevice(int device) const {
    if (device < 0 || device >= static_cast<int>(cdDrives_.size())) {
        return nullptr;
    }
    return &cdDrives_[static_cast<std::size_t>(device)];
}

std::optional<Volume> DriveTable::volume(char letter) const {
    if (upper(letter) == kFixedDisk) {
        return fixedDiskVolume();
    }
    if (const FolderDrive* folder = folderDrive(letter)) {
        return folderVolume(*folder);
    }
    const CdDrive* drive = cdDrive(letter);
    if (!drive) {
        return std::nullopt;
    }
    return drive->kind == SourceKind::Device ? realDriveVolume(drive->source)
                                             : imageVolume(drive->source);
}

std::optional<fs::path> DriveTable::root(char letter) const {
    if (upper(letter) == kFixedDisk) {
        return fs::path("/");
    }
    std::optional<Volume> medium = volume(letter);
    if (!medium || medium->folder.empty()) {
        return std::nullopt;
    }
    return medium->folder;
}

void setImageVolumeReader(ImageVolumeReader reader) {
    imageVolumeReader.store(reader);
}

const DriveTable& drives() {
    if (const DriveTable* table = currentTable.load(std::memory_order_acquire)) {
        return *table;
    }
    std::lock_guard lock(tablesMutex);
    const DriveTable* table = currentTable.load(std::memory_order_relaxed);
    if (!table) {
        table = &loadedTables().emplace_back(loadFromEnvironment());
        currentTable.store(table, std::memory_order_release);
    }
    return *table;
}

void reloadDrives() {
    std::lock_guard lock(tablesMutex);
    currentTable.store(nullptr, std::memory_order_release);
}

}  // namespace kel::drives
