// The ASPI device through the real manager library over emulated drives in
// both personalities: the scan of the adapter's targets, Open, reads in
// every mode, load and eject, the retry rules and error classification.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

#include "aspi_fixture.h"
#include "diag/device/medium_class.h"
#include "emu/drive/emulated_drive.h"
#include "temp_folder.h"

namespace kel::diag {
namespace {

using testing::writeFile;

class AspiEmulatedDrive : public testing::AspiFixture {
protected:
    void SetUp() override {
        AspiFixture::SetUp();
        std::filesystem::create_directories(folder_ / "runtime");
        ::setenv("KEL_RUNTIME_DIR", (folder_ / "runtime").c_str(), 1);
        writeFile(folder_ / "data.iso", std::string(600 * 2048, '\0'));
        writeFile(folder_ / "audio.bin", std::string(600 * 2352, '\0'));
        writeFile(folder_ / "audio.cue",
                  "FILE \"audio.bin\" BINARY\n  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n");
    }
    void TearDown() override {
        device_.reset();
        UnloadAspi();
        ::unsetenv("KEL_DRIVES");
        ::unsetenv("KEL_RUNTIME_DIR");
        AspiFixture::TearDown();
    }

    void descriptor(const std::string& name, const std::string& image,
                    const std::string& personality, const std::string& extra = "") {
        writeFile(folder_ / name, "[disc]\nimage = " + image +
                                      "\n[inquiry]\nvendor = ACME\nproduct = CDROM-4000\n"
                                      "[drive]\npersonality = " +
                                      personality + "\n" + extra);
    }
    // D: is target 0, E: target 1; loads the manager and opens target 0.
    void start(const std::string& drives) {
        ::setenv("KEL_DRIVES", drives.c_str(), 1);
        ASSERT_TRUE(LoadAspi(testing::senseTable(), recordMessage()));
        auto access = std::make_shared<AspiAccess>(*LoadedAspi());
        access->clock = clock_;
        access_ = access;
        device_ = std::make_unique<AspiDevice>(access_);
        attachCallbacks(*device_);
        ASSERT_TRUE(device_->FindFirst());
        ASSERT_TRUE(device_->Open());
        // Opening a fresh drive spins the disc up: settle it.
        device_->TestUnitReady();
        clock_->waits.clear();
    }
    void startOne(const std::string& personality, const std::string& image = "data.iso",
                  const std::string& extra = "") {
        descriptor("drive.emu", image, personality, extra);
        start("D:=" + (folder_ / "drive.emu").string());
    }
    bool read(std::uint32_t block, std::uint32_t count = 1) {
        return device_->ReadSectors(block, buffer_, count);
    }
    std::vector<int> messageIds() const {
        std::vector<int> ids;
        for (const DeviceMessage& m : messages_) {
            ids.push_back(m.id);
        }
        return ids;
    }

    std::vector<std::uint8_t> buffer_ = std::vector<std::uint8_t>(16 * 2448);
};

TEST_F(AspiEmulatedDrive, EnumeratesTheDrivesAsTargetsOfOneAdapter) {
    descriptor("mmc.emu", "data.iso", "mmc");
    descriptor("scsi2.emu", "audio.cue", "scsi2");
    start("E:=" + (folder_ / "scsi2.emu").string() + ";D:=" + (folder_ / "mmc.emu").string());
    EXPECT_EQ(device_->AddressName(), "0:0");
    EXPECT_EQ(device_->InterfaceName(), "libwnaspi32.so - 1.0.0.0");
    EXPECT_EQ(device_->DeviceDescription(), "ACME CDROM-4000");
    EXPECT_EQ(device_->atapi, 1);
    EXPECT_EQ(device_->profile->SpeedCode, 0);
    EXPECT_EQ(device_->mediumClass & 0xF2, 0) << "pressed, with a data track";
    EXPECT_TRUE(read(16, 2));

    std::unique_ptr<CdDevice> second = device_->Clone();
    attachCallbacks(*second);
    ASSERT_TRUE(second->FindNext());
    EXPECT_EQ(second->AddressName(), "0:1");
    ASSERT_TRUE(second->Open());
    EXPECT_EQ(second->atapi, 0);
    EXPECT_EQ(second->profile->Mode10, 0);
    EXPECT_EQ(second->blockLength, 2048);
    EXPECT_EQ(second->mediumClass & medium_class::kNoDataTrack, medium_class::kNoDataTrack);
    EXPECT_FALSE(second->Clone()->FindNext());
    EXPECT_TRUE(messages_.empty());
}

TEST_F(AspiEmulatedDrive, MmcCddaAndRawModes) {
    startOne("mmc", "audio.cue");
    EXPECT_FALSE(device_->ReadCdda(0, buffer_)) << "raw mode first";
    ASSERT_TRUE(device_->SetRawMode(true));
    EXPECT_TRUE(device_->ReadCdda(0, buffer_));
    ASSERT_TRUE(device_->SetCddaMode(true));
    EXPECT_TRUE(read(10, 4));
    EXPECT_TRUE(device_->ScanRead(10, buffer_, 4, true));
    ASSERT_TRUE(device_->ReadWithSubcode(10, buffer_, 2));
    ASSERT_TRUE(device_->SetCddaMode(false));
    EXPECT_TRUE(device_->SetSpeed(8));
    // The drive refused the CD-DA density once (reported); it reads CD-DA
    // with READ CD anyway, and the profile remembers that.
    EXPECT_EQ(messageIds(), std::vector<int>{3008});
    EXPECT_EQ(device_->profile->CDDADen, 0xFF);
}

TEST_F(AspiEmulatedDrive, Scsi2BlockLengthSwitchAndVendorCddaRead) {
    writeFile(folder_ / "ASPIDEV.DDB", "[ACME]\r\n\tCDROM-4000:SubQVal=1\r\n");
    SetDatabaseFileName(folder_ / "ASPIDEV.DDB");
    startOne("scsi2", "data.iso", "vendor-cdda-read = on\n[faults]\nreject-opcodes = 0x15\n");
    EXPECT_EQ(device_->profile->CDDACmd, 0xD9);
    ASSERT_TRUE(device_->SetRawMode(true));
    EXPECT_EQ(device_->profile->Mode10, 1) << "the 6-byte MODE SELECT was refused";
    ASSERT_TRUE(read(16, 2));
    const std::uint8_t sync[12] = {0,    0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
                                   0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0};
    EXPECT_TRUE(std::equal(sync, sync + 12, buffer_.begin() + 2352)) << "two raw sectors";
    EXPECT_TRUE(device_->ResetBlockSize(2048));
    EXPECT_TRUE(read(16));
    EXPECT_EQ(buffer_[0], 0) << "cooked again";
    EXPECT_TRUE(device_->ScanRead(0, buffer_, 2, true)) << "vendor MSF read with Q";
}

TEST_F(AspiEmulatedDrive, LoadEjectAndTheRetryRules) {
    startOne("mmc", "data.iso", "[faults]\nbecoming-ready-polls = 3\n");
    std::string error;
    ASSERT_TRUE(device_->LoadEject(true));
    EXPECT_TRUE(emu::emulatedMedium(folder_ / "drive.emu", error)->trayOpen);
    answers_ = {MessageAnswer::Cancel};
    EXPECT_FALSE(read(20));
    EXPECT_EQ(messageIds(), (std::vector<int>{3010, 3007}));
    EXPECT_EQ(device_->senseAsc, 0x3A);

    device_->cancelled = 0;
    messages_.clear();
    ASSERT_TRUE(device_->LoadEject(false));
    EXPECT_TRUE(read(20));
    EXPECT_NE(std::find(clock_->waits.begin(), clock_->waits.end(), 250), clock_->waits.end())
        << "polled while the disc spins up";

    clock_->waits.clear();
    ASSERT_FALSE(emu::resetEmulatedDrive(folder_ / "drive.emu"));
    EXPECT_TRUE(read(20));
    EXPECT_EQ(clock_->waits, std::vector<long>{500});
    EXPECT_TRUE(messages_.empty());
}

TEST_F(AspiEmulatedDrive, ErrorClassificationAndReportedFailures) {
    startOne("mmc", "data.iso", "[faults]\nhard = 100\nmarginal = 200\nother = 300\n");
    EXPECT_FALSE(read(100));
    ASSERT_EQ(messageIds(), std::vector<int>{3007});
    EXPECT_EQ(std::get<std::string>(messages_[0].args[1]), "0:0");
    EXPECT_EQ(device_->senseAsc, 0x11);

    messages_.clear();
    std::uint16_t before = 0;
    ASSERT_TRUE(device_->SetErrorRecovery(0x0400, &before));
    EXPECT_EQ(device_->errorClassifying, 1);
    EXPECT_FALSE(read(100));
    EXPECT_FALSE(read(200));
    EXPECT_FALSE(read(300));
    EXPECT_TRUE(read(400));
    EXPECT_EQ(device_->mediumErrorCount, 1u);
    EXPECT_EQ(device_->recoveredCount, 1u);
    EXPECT_EQ(device_->otherErrorCount, 1u);
    EXPECT_TRUE(messages_.empty());
}

}  // namespace
}  // namespace kel::diag
