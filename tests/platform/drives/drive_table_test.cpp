#include "platform/drives/drive_table.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/drives/cd_devices.h"

namespace kel::drives {
namespace {

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
            ::setenv("KEL_DRIVES", "D:=rel/disc.iso;C:=x.iso;E:=/dev/sr0;F:", 1);
            const DriveTable& table = drives();
            bool ok =
                table.cdDrives().size() == 2 && table.type('E') == DriveType::CdRom &&
                table.cdDrive('D')->source == std::filesystem::current_path() / "rel/disc.iso" &&
                table.type('C') == DriveType::Fixed && table.type('F') == DriveType::NoRootDir;
            std::exit(ok ? 0 : 1);
        },
        testing::ExitedWithCode(0), "drive entry \"C:=x.iso\" skipped(.|\n)*\"F:\" skipped");
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
