#include "platform/drives/drive_table.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/drives/cd_devices.h"
#include "tests/support/temp_folder.h"

namespace kel::drives {
namespace {

namespace fs = std::filesystem;

DriveTable configured(const char* text) {
    return DriveTable::fromConfig(parseDriveConfig(text).entries);
}

TEST(DriveTable, LettersHaveTheDesktopTypeNumbers) {
    DriveTable table = configured("E:=b.cue;d:=/dev/sr0");
    EXPECT_EQ(static_cast<unsigned>(table.type('C')), 3u);
    EXPECT_EQ(static_cast<unsigned>(table.type('d')), 5u);
    EXPECT_EQ(static_cast<unsigned>(table.type('E')), 5u);
    for (char letter : {'A', 'B', 'F', 'Z', 'z', '@', '[', '\0', ':'}) {
        EXPECT_EQ(static_cast<unsigned>(table.type(letter)), 1u) << int(letter);
    }
}

TEST(DriveTable, ServerDevicesFollowConfigurationOrder) {
    DriveTable table = configured("F:=a.iso;D:=/dev/sg2;E:=c.emu");
    ASSERT_EQ(table.cdDrives().size(), 3u);
    const char letters[] = {'F', 'D', 'E'};
    for (int device = 0; device < 3; ++device) {
        const CdDrive* drive = table.cdDriveOfDevice(device);
        ASSERT_NE(drive, nullptr);
        EXPECT_EQ(drive->device, device);
        EXPECT_EQ(drive->letter, letters[device]);
        EXPECT_EQ(table.cdDrive(letters[device]), drive);
    }
    EXPECT_EQ(table.cdDrive('d')->source, "/dev/sg2");
    EXPECT_EQ(table.cdDrive('d')->kind, SourceKind::Device);
    EXPECT_EQ(table.cdDriveOfDevice(3), nullptr);
    EXPECT_EQ(table.cdDriveOfDevice(-1), nullptr);
    EXPECT_EQ(table.cdDrive('C'), nullptr);
}

TEST(DriveTable, MachineDrivesTakeLettersFromDUntilZ) {
    std::vector<std::filesystem::path> devices;
    for (int n = 0; n < 30; ++n) {
        devices.push_back("/dev/sr" + std::to_string(n));
    }
    DriveTable table = DriveTable::fromDevices(devices);
    ASSERT_EQ(table.cdDrives().size(), 23u);
    EXPECT_EQ(table.cdDrive('D')->source, "/dev/sr0");
    EXPECT_EQ(table.cdDrive('Z')->source, "/dev/sr22");
    EXPECT_EQ(table.cdDrive('Z')->device, 22);
    EXPECT_EQ(table.type('C'), DriveType::Fixed);
}

TEST(DriveTable, FixedDiskIsTheRootFileSystem) {
    DriveTable table = configured("");
    EXPECT_EQ(table.root('c'), std::filesystem::path("/"));
    std::optional<Volume> volume = table.volume('C');
    ASSERT_TRUE(volume);
    EXPECT_EQ(volume->folder, "/");
    EXPECT_GT(volume->totalBytes, 0u);
    EXPECT_EQ(table.root('D'), std::nullopt);
    EXPECT_EQ(table.volume('D'), std::nullopt);
}

TEST(DriveTable, FolderLettersHaveTheirTypesAndTheirFolderAsRoot) {
    test::TempFolder folders;
    fs::create_directories(folders / "usb");
    ParsedConfig parsed = parseDriveConfig("A:=floppy:" + (folders / "empty").string() +
                                           ";R:=removable:" + (folders / "usb").string() +
                                           ";N:=network:" + (folders / "usb").string());
    // A folder letter that a CD drive already holds stays the CD drive.
    parsed.folders.push_back({'D', FolderKind::Network, folders.path(), {}});
    DriveTable table = DriveTable::fromConfig({{'D', "d.iso", SourceKind::Image}}, parsed.folders);
    EXPECT_EQ(static_cast<unsigned>(table.type('a')), 2u);
    EXPECT_EQ(static_cast<unsigned>(table.type('R')), 2u);
    EXPECT_EQ(static_cast<unsigned>(table.type('N')), 4u);
    EXPECT_EQ(table.type('D'), DriveType::CdRom);
    EXPECT_EQ(table.cdDrive('R'), nullptr);
    EXPECT_EQ(table.folderDrive('D'), nullptr);

    EXPECT_EQ(table.volume('A'), std::nullopt) << "no disk: the folder is not there";
    std::optional<Volume> usb = table.volume('r');
    ASSERT_TRUE(usb);
    EXPECT_EQ(usb->folder, folders / "usb");
    EXPECT_GT(usb->totalBytes, 0u);
    EXPECT_EQ(table.root('N'), folders / "usb");
}

// A machine floppy that is not mounted has no disk.
TEST(DriveTable, UnmountedMachineFloppyHasNoDisk) {
    DriveTable table = DriveTable::fromDevices({}, {{'A', FolderKind::Floppy, {}, "/dev/fd97"}});
    EXPECT_EQ(table.type('A'), DriveType::Removable);
    EXPECT_EQ(table.volume('A'), std::nullopt);
}

// A real drive that is not there (or holds no mounted disc) has no medium.
TEST(DriveTable, RealDriveWithoutAMountHasNoRoot) {
    DriveTable table = configured("D:=/dev/sr97;E:=/dev/sg97");
    EXPECT_EQ(table.volume('D'), std::nullopt);
    EXPECT_EQ(table.root('E'), std::nullopt);
}

}  // namespace
}  // namespace kel::drives

namespace kel::drives {
namespace {

// drives() loads once per process, so each case runs in a child of its own.
TEST(DriveTableFromEnvironment, BadEntriesAreLoggedAndTheRestWorks) {
    EXPECT_EXIT(
        {
            // A device that is not there is skipped like a malformed entry.
            ::setenv("KEL_DRIVES", "D:=rel/disc.iso;C:=x.iso;E:=/dev/sr97;F:", 1);
            const DriveTable& table = drives();
            bool ok =
                table.cdDrives().size() == 1 && table.type('E') == DriveType::NoRootDir &&
                table.cdDrive('D')->source == std::filesystem::current_path() / "rel/disc.iso" &&
                table.type('C') == DriveType::Fixed && table.type('F') == DriveType::NoRootDir;
            std::exit(ok ? 0 : 1);
        },
        testing::ExitedWithCode(0),
        "drive entry \"C:=x.iso\" skipped(.|\n)*\"F:\" skipped(.|\n)*E:=/dev/sr97: no such device");
}

// The process keeps the table it loaded, whatever KEL_DRIVES says later,
// until it reloads; a table handed out before stays readable.
TEST(DriveTableFromEnvironment, KeptUntilReloaded) {
    ::setenv("KEL_DRIVES", "D:=a.iso", 1);
    reloadDrives();
    const DriveTable& first = drives();
    ::setenv("KEL_DRIVES", "E:=b.iso;F:=c.iso", 1);
    EXPECT_EQ(&drives(), &first);
    reloadDrives();
    const DriveTable& second = drives();
    EXPECT_EQ(second.cdDrives().size(), 2u);
    EXPECT_EQ(second.type('D'), DriveType::NoRootDir);
    ASSERT_EQ(first.cdDrives().size(), 1u);
    EXPECT_EQ(first.cdDrive('D')->source.filename(), "a.iso");
    ::unsetenv("KEL_DRIVES");
    reloadDrives();
}

TEST(DriveTableFromEnvironment, WithoutAConfigurationTheMachineDrivesCount) {
    EXPECT_EXIT(
        {
            ::unsetenv("KEL_DRIVES");
            std::exit(drives().cdDrives().size() == machineCdDevices().size() ? 0 : 1);
        },
        testing::ExitedWithCode(0), "");
}

}  // namespace
}  // namespace kel::drives
