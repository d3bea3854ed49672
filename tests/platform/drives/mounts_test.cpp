#include "platform/drives/mounts.h"

#include <gtest/gtest.h>

#include "platform/drives/cd_devices.h"
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

}  // namespace
}  // namespace kel::drives
