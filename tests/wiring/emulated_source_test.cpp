// Letters whose source is a disc image: the medium comes from the emulated
// drive's shared state, and the transport is the emulated drive.
#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/drives/drive_table.h"
#include "platform/drives/path_translation.h"
#include "tests/support/temp_folder.h"
#include "wiring/drive_transport.h"

namespace kel::wiring {
using drives::DriveTable;
using drives::Lookup;
using drives::parseDriveConfig;
using drives::Translation;
using drives::Volume;
namespace fs = std::filesystem;
namespace {

constexpr std::size_t kSectors = 32;

class EmulatedSource : public testing::Test {
protected:
    EmulatedSource() {
        wireDrives();
        ::setenv("KEL_RUNTIME_DIR", (folder.path() / "runtime").c_str(), 1);
        folder.write("disc.iso", std::string(kSectors * 2048, '\0'));
        folder.write("Mounted/Docs/ReadMe.TXT", "x");
        folder.write(
            "disc.emu",
            "[disc]\nimage = disc.iso\nmounted-folder = Mounted\nvolume-label = TESTDISC\n");
        std::string config = "D:=" + (folder.path() / "disc.emu").string() +
                             ";E:=" + (folder.path() / "disc.iso").string() +
                             ";F:=" + (folder.path() / "missing.cue").string();
        table = DriveTable::fromConfig(parseDriveConfig(config).entries);
    }
    ~EmulatedSource() override { ::unsetenv("KEL_RUNTIME_DIR"); }

    test::TempFolder folder;
    DriveTable table;
};

TEST_F(EmulatedSource, DescriptorGivesFolderLabelAndSize) {
    std::optional<Volume> volume = table.volume('D');
    ASSERT_TRUE(volume);
    EXPECT_EQ(fs::canonical(volume->folder), fs::canonical(folder.path() / "Mounted"));
    EXPECT_EQ(volume->label, "TESTDISC");
    EXPECT_EQ(volume->totalBytes, kSectors * 2048);

    Translation found = drives::translatePath("d:\\DOCS\\readme.txt", table);
    EXPECT_EQ(found.status, Lookup::Found) << found.error;
}

TEST_F(EmulatedSource, PlainImageHasAMediumButNoFolder) {
    std::optional<Volume> volume = table.volume('E');
    ASSERT_TRUE(volume);
    EXPECT_TRUE(volume->folder.empty());
    EXPECT_EQ(volume->totalBytes, kSectors * 2048);
    EXPECT_EQ(table.root('E'), std::nullopt);
    EXPECT_EQ(drives::translatePath("E:\\x", table).status, Lookup::NoRoot);
}

TEST_F(EmulatedSource, OpenTrayTakesTheMediumAway) {
    std::string error;
    std::unique_ptr<scsi::Transport> drive = openLetterTransport('d', error, table);
    ASSERT_TRUE(drive) << error;
    const std::uint8_t eject[6] = {0x1B, 0, 0, 0, 0x02, 0};
    scsi::Result result;
    // The first command after the disc appears may report the medium change.
    for (int attempt = 0; attempt < 3; ++attempt) {
        result = drive->execute(eject, scsi::Direction::None, {}, std::chrono::seconds(5));
        if (result.ok()) {
            break;
        }
    }
    ASSERT_TRUE(result.ok());
    EXPECT_EQ(table.volume('D'), std::nullopt);
    EXPECT_EQ(table.root('D'), std::nullopt);
}

TEST_F(EmulatedSource, TransportsOpenByLetterAndDeviceNumber) {
    std::string error;
    EXPECT_TRUE(openDeviceTransport(1, error, table)) << error;

    // A missing image fails to open; for the drive server it is an empty
    // drive with its tray closed, and the log says why.
    EXPECT_FALSE(openLetterTransport('F', error, table));
    EXPECT_NE(error.find("drive F:"), std::string::npos) << error;
    ::testing::internal::CaptureStderr();
    std::unique_ptr<scsi::Transport> empty = openDriveOrEmpty(*table.cdDrive('F'), error);
    const std::string log = ::testing::internal::GetCapturedStderr();
    ASSERT_TRUE(empty);
    EXPECT_NE(log.find("drive F:"), std::string::npos) << log;
    EXPECT_NE(log.find("missing.cue"), std::string::npos) << log;
    const std::uint8_t testUnitReady[6] = {};
    scsi::Result result =
        empty->execute(testUnitReady, scsi::Direction::None, {}, std::chrono::seconds(5));
    ASSERT_TRUE(result.checkCondition());
    EXPECT_EQ(result.sense.key(), 2);
    EXPECT_EQ(result.sense.asc(), 0x3A);
    EXPECT_EQ(result.sense.ascq(), 0x01);
    EXPECT_EQ(table.volume('F'), std::nullopt);

    EXPECT_FALSE(openLetterTransport('C', error, table));
    EXPECT_NE(error.find("not a CD drive"), std::string::npos) << error;
    EXPECT_FALSE(openDeviceTransport(3, error, table));
    EXPECT_NE(error.find("3"), std::string::npos) << error;
}

TEST(RealSource, MissingDeviceFailsWithItsName) {
    DriveTable table = DriveTable::fromConfig(parseDriveConfig("G:=/dev/sr97").entries);
    std::string error;
    EXPECT_FALSE(openLetterTransport('g', error, table));
    EXPECT_NE(error.find("drive G:"), std::string::npos) << error;
}

// A node that is no pass-through device stands empty for the server, as a
// missing image does, and the log names the node and why.
TEST(RealSource, UnusableDeviceIsAnEmptyDriveForTheServer) {
    DriveTable table = DriveTable::fromConfig(parseDriveConfig("G:=/dev/null").entries);
    ASSERT_NE(table.cdDrive('G'), nullptr);
    std::string error;
    ::testing::internal::CaptureStderr();
    std::unique_ptr<scsi::Transport> empty = openDriveOrEmpty(*table.cdDrive('G'), error);
    const std::string log = ::testing::internal::GetCapturedStderr();
    ASSERT_TRUE(empty);
    EXPECT_NE(log.find("drive G: /dev/null is not a SCSI device"), std::string::npos) << log;
}

}  // namespace
}  // namespace kel::wiring
