// The hardware information list of drives in both emulated personalities
// (reached through the drive configuration, as the program reaches them)
// and of scripted drives for the values the emulated drive cannot vary.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "diag/device/device_database.h"
#include "diag/device/spti_device.h"
#include "diag/tools/hardware/hardware_info.h"
#include "tests/diag/device/spti_fixture.h"
#include "tests/support/drive_config.h"
#include "tests/support/temp_folder.h"

namespace kel::diag {
namespace {

using Lines = std::vector<std::string>;

// The lines every drive gives before its capabilities: identity, commands
// and the 10-byte-command flag.
class EmulatedHardware : public ::testing::Test {
protected:
    void SetUp() override {
        std::filesystem::create_directories(folder_ / "runtime");
        ::setenv("KEL_RUNTIME_DIR", (folder_ / "runtime").c_str(), 1);
        SetDatabaseFileName({});
        folder_.write("disc.iso", std::string(300 * 2048, '\0'));
    }
    void TearDown() override {
        kel::test::clearDriveConfig();
        ::unsetenv("KEL_RUNTIME_DIR");
    }

    // Drive D: on a descriptor with that personality.
    std::unique_ptr<SptiDevice> openDrive(const std::string& personality) {
        folder_.write("drive.emu",
                      "[disc]\nimage = disc.iso\n[inquiry]\nvendor = ACME\n"
                      "product = CDROM-4000\nrevision = 2.1a\ndate = 19970311\n"
                      "[drive]\npersonality = " +
                          personality + "\n");
        kel::test::setDriveConfig("D:=" + (folder_ / "drive.emu").string());
        auto device = std::make_unique<SptiDevice>(systemDriveAccess({}));
        EXPECT_TRUE(device->FindFirst());
        EXPECT_TRUE(device->Open());
        return device;
    }

    test::TempFolder folder_;
};

TEST_F(EmulatedHardware, MmcDriveListsItsCapabilities) {
    auto device = openDrive("mmc");
    EXPECT_EQ(FillHardwareInfo(*device, 0), (Lines{
                                                "Device name\tACME CDROM-4000",
                                                "Revision\t2.1a",
                                                "Date of revision\t19970311",
                                                "Read CDDA command\t0xbe",
                                                "Raw read command\t0xbe",
                                                "Track information command\t0x52",
                                                "Using 10-byte commands\tTrue",
                                                "Loading mechanism\tTray",
                                                "Bar code reading supported\tFalse",
                                                "UPC code is read\tTrue",
                                                "ISRC code is read\tTrue",
                                                "Maximum reading speed\t4224 Kbps, 24X",
                                                "Device buffer size (K)\t128",
                                                "Multisession capable\tTrue",
                                                "Mode 2 Form 1 supported\tTrue",
                                                "Mode 2 Form 2 supported\tTrue",
                                                "Digital output on port 1\tFalse",
                                                "Digital output on port 2\tFalse",
                                                "Audio play supported\tTrue",
                                                "Reading CDDA supported\tTrue",
                                                "Accurate CDDA positioning\tTrue",
                                                "Inactivity spin-down\tInfinite",
                                                "Device capabilities\treads CD-R, CD-RW",
                                            }));
}

TEST_F(EmulatedHardware, ScsiTwoDriveWithoutCapabilitiesPage) {
    auto device = openDrive("scsi2");
    const Lines lines = FillHardwareInfo(*device, 2);
    ASSERT_EQ(lines.size(), 9u) << "rows 1-7, the reason code and the inactivity line";
    EXPECT_EQ(lines[0], "Device name\tACME CDROM-4000");
    EXPECT_EQ(lines[6], "Using 10-byte commands\tFalse");
    EXPECT_EQ(lines[7], "Error summary reason code\t2");
    EXPECT_EQ(lines[8], "Inactivity spin-down\tInfinite");
}

class ScriptedHardware : public testing::SptiFixture {
protected:
    // A capabilities page with that maximum speed, and some other values.
    static testing::Bytes page(std::uint16_t maxSpeed) {
        testing::Bytes bytes = testing::capabilitiesPage(0x81, 5);
        bytes[2] = 0x02;  // reads CD-RW
        bytes[3] = 0x03;  // writes CD-R and CD-RW
        bytes[4] = 0x0C;  // both digital ports
        bytes[8] = static_cast<std::uint8_t>(maxSpeed >> 8);
        bytes[9] = static_cast<std::uint8_t>(maxSpeed);
        return bytes;
    }
    Lines fill(int reasonCode = 0) {
        drive_->queue(scsi::ScriptedReply::good(testing::inquiryData(0)));
        return FillHardwareInfo(*device_, reasonCode);
    }
};

TEST_F(ScriptedHardware, SpeedsInKilobytesAndFactors) {
    openMmc(page(1412));
    Lines lines = fill();
    EXPECT_EQ(lines[11], "Maximum reading speed\t1412 Kbps, 8X");
    drive_->clearCommands();
    device_->capabilitiesPage[8] = 2822 >> 8;
    device_->capabilitiesPage[9] = 2822 & 0xFF;
    lines = fill();
    EXPECT_EQ(lines[11], "Maximum reading speed\t2822 Kbps, 16X");
}

TEST_F(ScriptedHardware, NamedValuesFlagsAndCapabilityEntry) {
    openMmc(page(706));
    device_->page0dByte3 = 9;
    const Lines lines = fill(0);
    ASSERT_EQ(lines.size(), 23u) << "no reason-code line for code 0";
    EXPECT_EQ(lines[1], "Revision\t") << "a drive that leaves the field blank";
    EXPECT_EQ(lines[7], "Loading mechanism\tChanger (cartridge)");
    EXPECT_EQ(lines[8], "Bar code reading supported\tTrue");
    EXPECT_EQ(lines[16], "Digital output on port 1\tTrue");
    EXPECT_EQ(lines[17], "Digital output on port 2\tTrue");
    EXPECT_EQ(lines[21], "Inactivity spin-down\t32 seconds");
    EXPECT_EQ(lines[22], "Device capabilities\tread/write CD-RW, write CD-R");
}

// Revision and date stand in the INQUIRY data only as far as the drive's
// additional length reaches; bytes after it are no part of its answer.
TEST_F(ScriptedHardware, RevisionAndDateOnlyWithinTheReturnedLength) {
    openMmc(page(706));
    testing::Bytes data = testing::inquiryData(0);
    data.resize(32);
    const std::string tail = "1.0519990704LEFTOVER";
    data.insert(data.end(), tail.begin(), tail.end());
    struct Case {
        std::uint8_t additionalLength;
        const char* revision;
        const char* date;
    };
    for (const Case& c : {Case{27, "Revision\t", "Date of revision\t"},
                          Case{31, "Revision\t1.05", "Date of revision\t"},
                          Case{39, "Revision\t1.05", "Date of revision\t19990704"}}) {
        data[4] = c.additionalLength;
        drive_->queue(scsi::ScriptedReply::good(data));
        const Lines lines = FillHardwareInfo(*device_, 0);
        EXPECT_EQ(lines[1], c.revision) << int{c.additionalLength};
        EXPECT_EQ(lines[2], c.date) << int{c.additionalLength};
    }
}

TEST_F(ScriptedHardware, FailedInquiryGivesOneLine) {
    openMmc();
    for (int i = 0; i < 8; ++i) {
        drive_->queue(scsi::ScriptedReply::checkCondition(4, 0x44, 0));
    }
    EXPECT_EQ(FillHardwareInfo(*device_, 3), Lines{"Inquiry failed, no information available"});
}

TEST(InactivityTexts, EveryTimerValue) {
    EXPECT_STREQ(InactivityText(0), "Infinite");
    EXPECT_STREQ(InactivityText(1), ".125 seconds");
    EXPECT_STREQ(InactivityText(4), "1 second");
    EXPECT_STREQ(InactivityText(10), "1 minute");
    EXPECT_STREQ(InactivityText(15), "32 minutes");
    EXPECT_STREQ(InactivityText(0x1F), "32 minutes") << "the value is four bits wide";
}

}  // namespace
}  // namespace kel::diag
