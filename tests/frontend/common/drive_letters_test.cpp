// Drive letters of server devices, and the disc folders looked for on them.
#include "frontend/common/drive_letters.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "frontend/common/kel_cd_data.h"
#include "platform/drives/drive_config.h"
#include "scripted_client.h"
#include "temp_folder.h"
#include "wiring/drive_transport.h"

namespace kel::frontend {
namespace {

namespace fs = std::filesystem;

TEST(DriveLetterOfDevice, FirstLetterOfTheDeviceOr27) {
    testing::ResetKelCdData();
    KelCdData.DriveLetterMap[3] = 0;
    KelCdData.DriveLetterMap[5] = 1;
    KelCdData.DriveLetterMap[7] = 1;
    EXPECT_EQ(DriveLetterOfDevice(0), 3);
    EXPECT_EQ(DriveLetterOfDevice(1), 5);
    EXPECT_EQ(DriveLetterOfDevice(2), 27);
    // 255 marks the letters without a device; it is no device itself.
    EXPECT_EQ(DriveLetterOfDevice(255), 27);
    EXPECT_EQ(DriveLetterOfDevice(-1), 27);
    KelCdData.DriveLetterMap[26] = 4;
    EXPECT_EQ(DriveLetterOfDevice(4), 26);
    testing::ResetKelCdData();
}

// An emulated drive E: whose disc stands as a folder holding "CDI" and
// "Photo_CD", and a file (not a folder) named "vcd".
class DiscFolders : public ::testing::Test {
protected:
    void SetUp() override {
        ::setenv("KEL_RUNTIME_DIR", (temp.path() / "run").c_str(), 1);
        wiring::wireDrives();
        fs::path disc = temp.path() / "disc";
        fs::create_directories(disc / "CDI");
        fs::create_directories(disc / "Photo_CD");
        std::ofstream(disc / "vcd") << "not a folder";
        std::ofstream(temp.path() / "disc.iso", std::ios::binary) << std::string(20 * 2048, '\0');
        std::ofstream(temp.path() / "disc.emu")
            << "[disc]\nimage = disc.iso\nmounted-folder = disc\n";
        table = drives::DriveTable::fromConfig(
            drives::parseDriveConfig("E:=" + (temp.path() / "disc.emu").string()).entries);
    }

    testing::TempFolder temp;
    drives::DriveTable table;
};

TEST_F(DiscFolders, FoldersAreFoundInAnyCase) {
    EXPECT_TRUE(HasDirectory(4, DiscDirectory::Cdi, table));
    EXPECT_TRUE(HasDirectory(4, DiscDirectory::PhotoCd, table));
    EXPECT_FALSE(HasDirectory(4, DiscDirectory::Mpegav, table));
    EXPECT_FALSE(HasDirectory(4, DiscDirectory::Vcd, table));
}

TEST_F(DiscFolders, LettersWithoutADiscFolderHaveNone) {
    EXPECT_FALSE(HasDirectory(3, DiscDirectory::Cdi, table));
    EXPECT_FALSE(HasDirectory(27, DiscDirectory::Cdi, table));
    EXPECT_FALSE(HasDirectory(-1, DiscDirectory::Cdi, table));
}

TEST_F(DiscFolders, LookingNeverMovesTheCurrentFolder) {
    fs::path before = fs::current_path();
    ASSERT_TRUE(HasDirectory(4, DiscDirectory::Cdi, table));
    EXPECT_EQ(fs::current_path(), before);
}

}  // namespace
}  // namespace kel::frontend
