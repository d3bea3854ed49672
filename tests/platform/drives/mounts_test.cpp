#include "platform/drives/mounts.h"

#include <gtest/gtest.h>

#include "platform/drives/cd_devices.h"
#include "platform/drives/folder_drives.h"
#include "tests/support/temp_folder.h"

namespace kel::drives {
namespace fs = std::filesystem;
namespace {

TEST(Mounts, ParsesLinesAndUndoesTheKernelEscapes) {
    std::vector<MountEntry> mounts = parseMounts(
        "/dev/sda1 / ext4 rw 0 0\n"
        "/dev/sr0 /media/user/MY\\040DISC iso9660 ro 0 0\n"
        "garbage\n"
        "\n"
        "proc /proc proc rw 0 0\n"
        "/dev/sr1 /odd\\134name\\04 iso9660 ro 0 0");
    ASSERT_EQ(mounts.size(), 4u);
    EXPECT_EQ(mounts[1].device, "/dev/sr0");
    EXPECT_EQ(mounts[1].mountPoint, "/media/user/MY DISC");
    EXPECT_EQ(mounts[1].type, "iso9660");
    EXPECT_EQ(mounts[2].device, "proc");
    // A backslash escape cut short at the end of the field stays as written.
    EXPECT_EQ(mounts[3].mountPoint, "/odd\\name\\04");
}

TEST(Mounts, FindsTheTopmostMountOfADeviceThroughSymlinks) {
    test::TempFolder dev;
    fs::path sr0 = dev.write("sr0");
    fs::create_symlink(sr0, dev.path() / "cdrom");
    std::vector<MountEntry> mounts = parseMounts(sr0.string() + " /mnt/first iso9660 ro 0 0\n" +
                                                 "/dev/sda1 /mnt/first ext4 rw 0 0\n" +
                                                 sr0.string() + " /mnt/second udf ro 0 0\n");
    EXPECT_EQ(mountPointOf(dev.path() / "cdrom", mounts), fs::path("/mnt/second"));
    EXPECT_EQ(mountPointOf(dev.path() / "sr1", mounts), std::nullopt);
    EXPECT_EQ(deviceMountedAt("/mnt/first/", mounts), "/dev/sda1");
    EXPECT_EQ(deviceMountedAt("/mnt/none", mounts), std::nullopt);
    // A share is no path: found as written.
    mounts = parseMounts("server:/export /mnt/share nfs4 rw 0 0\n");
    EXPECT_EQ(mountPointOf("server:/export", mounts), fs::path("/mnt/share"));
    EXPECT_EQ(mountPointOf("server:/other", mounts), std::nullopt);
}

TEST(Mounts, LabelComesFromTheByLabelLinkWithEscapesUndone) {
    test::TempFolder dev;
    fs::path sr0 = dev.write("sr0");
    fs::path sr1 = dev.write("sr1");
    fs::create_directories(dev.path() / "by-label");
    fs::create_symlink("../sr0", dev.path() / "by-label" / "MY\\x20DISC\\x2f2");
    EXPECT_EQ(labelOfDevice(sr0, dev.path() / "by-label"), "MY DISC/2");
    EXPECT_EQ(labelOfDevice(sr1, dev.path() / "by-label"), "");
    EXPECT_EQ(labelOfDevice(sr0, dev.path() / "missing"), "");
}

TEST(Mounts, TotalSizeOfAMountedFileSystem) {
    EXPECT_GT(totalBytesAt("/"), 0u);
    EXPECT_EQ(totalBytesAt("/no/such/folder"), 0u);
}

TEST(CdDevices, MachineDrivesAreOrderedByNumber) {
    test::TempFolder dev;
    for (const char* name : {"sr10", "sr2", "sg0", "sr0", "srx", "sr", "sda"}) {
        dev.write(name);
    }
    std::vector<fs::path> devices = machineCdDevices(dev.path());
    ASSERT_EQ(devices.size(), 3u);
    EXPECT_EQ(devices[0].filename(), "sr0");
    EXPECT_EQ(devices[1].filename(), "sr2");
    EXPECT_EQ(devices[2].filename(), "sr10");
    EXPECT_TRUE(machineCdDevices(dev.path() / "missing").empty());
}

TEST(CdDevices, GenericNodeMapsToItsBlockDeviceThroughSysfs) {
    test::TempFolder sys;
    fs::create_directories(sys.path() / "class/scsi_generic/sg3/device/block/sr1");
    fs::create_directories(sys.path() / "class/scsi_generic/sg0/device/block/sda");
    EXPECT_EQ(blockDeviceOf("/dev/sg3", sys.path()), fs::path("/dev/sr1"));
    EXPECT_EQ(blockDeviceOf("/dev/sr4", sys.path()), fs::path("/dev/sr4"));
    EXPECT_EQ(blockDeviceOf("/dev/sg0", sys.path()), fs::path());
    EXPECT_EQ(blockDeviceOf("/dev/sg9", sys.path()), fs::path());
}

// A sysfs tree with disk `disk` (removable or not) holding partition `part`.
void addDisk(const test::TempFolder& sys, const std::string& disk, const std::string& part,
             bool removable) {
    const fs::path diskNode = sys.path() / "devices/pci0/block" / disk;
    sys.write(fs::path("devices/pci0/block") / disk / "removable", removable ? "1\n" : "0\n");
    sys.write(fs::path("devices/pci0/block") / disk / part / "partition", "1\n");
    fs::create_directories(sys.path() / "class/block");
    fs::create_symlink(diskNode, sys.path() / "class/block" / disk);
    fs::create_symlink(diskNode / part, sys.path() / "class/block" / part);
}

TEST(FolderDrives, FloppiesTakeAAndBRemovableDisksAndSharesFollowTheCds) {
    test::TempFolder dev;
    for (const char* name : {"fd1", "fd0", "fd2", "sr0", "sdb"}) {
        dev.write(name);
    }
    test::TempFolder sys;
    addDisk(sys, "sda", "sda1", false);
    addDisk(sys, "sdb", "sdb1", true);
    addDisk(sys, "sdc", "sdc1", true);
    sys.write("devices/pci0/block/sr0/removable", "1\n");
    fs::create_symlink(sys.path() / "devices/pci0/block/sr0", sys.path() / "class/block/sr0");

    const std::vector<MountEntry> mounts = parseMounts(
        "/dev/sda1 / ext4 rw 0 0\n"
        "/dev/sdb1 /media/usb vfat rw 0 0\n"
        "server:/export /mnt/nfs nfs4 rw 0 0\n"
        "/dev/sr0 /media/cd iso9660 ro 0 0\n"
        "/dev/sdb1 /media/again vfat rw 0 0\n"
        "//host/share /mnt/smb cifs rw 0 0\n"
        "user@host: /mnt/ssh fuse.sshfs rw 0 0\n"
        "tmpfs /tmp tmpfs rw 0 0\n"
        "/dev/sdc1 /media/card vfat rw 0 0\n");
    const std::vector<FolderDrive> found = machineFolderDrives('F', mounts, dev.path(), sys.path());

    struct Expected {
        char letter;
        FolderKind kind;
        std::string device;
    };
    const std::vector<Expected> expected = {
        {'A', FolderKind::Floppy, (dev.path() / "fd0").string()},
        {'B', FolderKind::Floppy, (dev.path() / "fd1").string()},
        {'F', FolderKind::Removable, "/dev/sdb1"},
        {'G', FolderKind::Network, "server:/export"},
        {'H', FolderKind::Network, "//host/share"},
        {'I', FolderKind::Network, "user@host:"},
        {'J', FolderKind::Removable, "/dev/sdc1"}};
    ASSERT_EQ(found.size(), expected.size());
    for (std::size_t i = 0; i < found.size(); ++i) {
        EXPECT_EQ(found[i].letter, expected[i].letter) << i;
        EXPECT_EQ(found[i].kind, expected[i].kind) << i;
        EXPECT_EQ(found[i].device, expected[i].device) << i;
        EXPECT_TRUE(found[i].folder.empty()) << i;
    }
    EXPECT_EQ(machineFolderDrives('Y', mounts, dev.path(), sys.path()).size(), 4u)
        << "letters end at Z";
    EXPECT_FALSE(isRemovableDisk("/dev/sdx1", sys.path()));
}

}  // namespace
}  // namespace kel::drives
