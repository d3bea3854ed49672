// The contract entry points: one drive for every process through the state
// file, the medium as the desktop sees it, and reset.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

#include "emu/drive/emulated_drive.h"
#include "emu/drive/state_file.h"
#include "tests/support/held_drive_state.h"
#include "tests/support/temp_folder.h"

namespace kel::emu {
namespace {

using scsi::Direction;

constexpr std::int32_t kSectors = 40;

class EmulatedDrive : public ::testing::Test {
protected:
    void SetUp() override {
        folder = kel::test::makeUniqueFolder("kel-emulated-");
        std::filesystem::create_directories(folder / "run");
        std::filesystem::create_directories(folder / "files");
        ::setenv("KEL_RUNTIME_DIR", (folder / "run").c_str(), 1);
        std::ofstream(folder / "disc.iso", std::ios::binary)
            << std::string(kSectors * 2048, '\x5A');
        std::ofstream(folder / "disc.emu") << "[disc]\nimage = disc.iso\n"
                                           << "mounted-folder = files\n"
                                           << "volume-label = KELDISC\n";
    }
    void TearDown() override { std::filesystem::remove_all(folder); }

    static scsi::Result command(scsi::Transport& drive, std::vector<std::uint8_t> cdb,
                                Direction direction = Direction::None, std::size_t size = 0) {
        std::vector<std::uint8_t> buffer(size);
        return drive.execute(cdb, direction, buffer, std::chrono::milliseconds(1000));
    }

    std::filesystem::path folder;
};

const std::vector<std::uint8_t> kTur{0, 0, 0, 0, 0, 0};
const std::vector<std::uint8_t> kEject{0x1B, 0, 0, 0, 0x02, 0};
const std::vector<std::uint8_t> kLoad{0x1B, 0, 0, 0, 0x03, 0};

TEST_F(EmulatedDrive, TwoTransportsShareOneTray) {
    std::string error;
    auto first = openEmulatedDrive(folder / "disc.iso", error);
    ASSERT_TRUE(first) << error;
    auto second = openEmulatedDrive(folder / "disc.iso", error);
    ASSERT_TRUE(second) << error;
    EXPECT_TRUE(command(*first, kTur).ok());
    ASSERT_TRUE(command(*first, kEject).ok());
    scsi::Result seen = command(*second, kTur);
    ASSERT_TRUE(seen.checkCondition());
    EXPECT_EQ(seen.sense.asc(), 0x3A);
    EXPECT_EQ(seen.sense.ascq(), 0x02);
    ASSERT_TRUE(command(*second, kLoad).ok());
    EXPECT_EQ(command(*first, kTur).sense.key(), 0x02);   // becoming ready
    EXPECT_EQ(command(*second, kTur).sense.key(), 0x06);  // the attention, once, to anyone
    EXPECT_TRUE(command(*first, kTur).ok());
}

// A drive that another process holds past a command's time-out gives up
// on the command, and answers again once it is free.
TEST_F(EmulatedDrive, ADriveHeldPastTheTimeoutGivesUpOnTheCommand) {
    std::string error;
    auto drive = openEmulatedDrive(folder / "disc.iso", error);
    ASSERT_TRUE(drive) << error;
    ASSERT_TRUE(command(*drive, kTur).ok());
    test::HeldDriveState held(folder / "disc.iso");
    ASSERT_EQ(held.error(), "");
    const scsi::Result waited =
        drive->execute(kTur, Direction::None, {}, std::chrono::milliseconds(50));
    ASSERT_TRUE(waited.checkCondition()) << waited.error.text;
    EXPECT_EQ(waited.sense.key(), 0x0B);
    EXPECT_EQ(waited.sense.asc(), 0x3E);
    EXPECT_EQ(waited.sense.ascq(), 0x02);
    held.release();
    EXPECT_TRUE(command(*drive, kTur).ok());
}

TEST_F(EmulatedDrive, ReadsThroughTheTransport) {
    std::string error;
    auto drive = openEmulatedDrive(folder / "disc.iso", error);
    ASSERT_TRUE(drive) << error;
    std::vector<std::uint8_t> buffer(2048);
    scsi::Result result = drive->execute(std::vector<std::uint8_t>{0x28, 0, 0, 0, 0, 3, 0, 0, 1, 0},
                                         Direction::In, buffer, std::chrono::milliseconds(1000));
    ASSERT_TRUE(result.ok());
    EXPECT_EQ(result.transferred, 2048u);
    EXPECT_EQ(buffer[100], 0x5A);
}

TEST_F(EmulatedDrive, MediumViewFollowsTheTray) {
    std::string error;
    auto view = emulatedMedium(folder / "disc.emu", error);
    ASSERT_TRUE(view) << error;
    EXPECT_FALSE(view->trayOpen);
    EXPECT_TRUE(view->discPresent);
    EXPECT_EQ(view->volumeLabel, "KELDISC");
    EXPECT_TRUE(view->mountedFolder.is_absolute());
    EXPECT_EQ(view->mountedFolder.filename(), "files");
    EXPECT_EQ(view->totalBytes, std::uint64_t(kSectors) * 2048);

    auto drive = openEmulatedDrive(folder / "disc.emu", error);
    ASSERT_TRUE(drive) << error;
    ASSERT_TRUE(command(*drive, kEject).ok());
    view = emulatedMedium(folder / "disc.emu", error);
    ASSERT_TRUE(view) << error;
    EXPECT_TRUE(view->trayOpen);
    EXPECT_TRUE(view->discPresent);
    EXPECT_TRUE(view->mountedFolder.empty());
}

TEST_F(EmulatedDrive, ResetIsSeenByEveryProcessOnce) {
    std::string error;
    auto drive = openEmulatedDrive(folder / "disc.iso", error);
    ASSERT_TRUE(drive) << error;
    ASSERT_FALSE(resetEmulatedDrive(folder / "disc.iso").has_value());
    scsi::Result result = command(*drive, kTur);
    EXPECT_EQ(result.sense.key(), 0x06);
    EXPECT_EQ(result.sense.asc(), 0x29);
    EXPECT_TRUE(command(*drive, kTur).ok());
    auto again = openEmulatedDrive(folder / "disc.iso", error);  // opening is no reset
    EXPECT_TRUE(command(*again, kTur).ok());
}

TEST_F(EmulatedDrive, BadSourcesAreNamedInTheError) {
    std::string error;
    EXPECT_FALSE(openEmulatedDrive(folder / "missing.iso", error));
    EXPECT_NE(error.find("missing.iso"), std::string::npos);
    error.clear();
    EXPECT_FALSE(emulatedMedium(folder / "missing.cue", error));
    EXPECT_NE(error.find("missing.cue"), std::string::npos);
}

TEST_F(EmulatedDrive, DamagedStateFileFallsBackLineByLine) {
    const auto statePath = StateFile::pathFor(folder / "disc.iso");
    std::ofstream(statePath) << "tray_open=1\ngarbage\nlocked=7\npage.zz=00\n";
    std::string error;
    auto view = emulatedMedium(folder / "disc.iso", error);
    ASSERT_TRUE(view) << error;
    EXPECT_TRUE(view->trayOpen);
    auto drive = openEmulatedDrive(folder / "disc.iso", error);
    ASSERT_TRUE(drive) << error;
    EXPECT_TRUE(command(*drive, kLoad).ok());  // not locked
}

}  // namespace
}  // namespace kel::emu
