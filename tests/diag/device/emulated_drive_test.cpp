// The pass-through device against the emulated drive in both personalities:
// Open, the retry rules, error classification, the MODE SELECT fallback,
// CD-DA and raw reads, speed, load and eject. Images are zero sectors
// written by the test; the descriptor chooses the drive.
#include <gtest/gtest.h>

#include <algorithm>

#include <cerrno>
#include <cstdlib>

#include "diag/device/device_database.h"
#include "diag/device/disk_name.h"
#include "diag/device/drive_access.h"
#include "diag/device/medium_class.h"
#include "diag/device/spti_device.h"
#include "emu/drive/emulated_drive.h"
#include "scripted_drive.h"
#include "temp_folder.h"
#include "tests/diag/support/emulated_disc.h"
#include "tests/support/drive_config.h"

namespace kel::diag {
namespace {

using testing::TempFolder;
using testing::writeFile;

using testing::CountingClock;

class EmulatedDrive : public ::testing::Test {
protected:
    void SetUp() override {
        std::filesystem::create_directories(folder_ / "runtime");
        ::setenv("KEL_RUNTIME_DIR", (folder_ / "runtime").c_str(), 1);
        SetDatabaseFileName({});
    }
    void TearDown() override {
        ::unsetenv("KEL_RUNTIME_DIR");
        SetDatabaseFileName({});
    }

    // A data disc of zero sectors, or an audio disc of digital silence.
    void writeDataDisc(int sectors = 600) {
        writeFile(folder_ / "disc.iso",
                  std::string(static_cast<std::size_t>(sectors) * 2048, '\0'));
        image_ = "disc.iso";
    }
    void writeAudioDisc(int sectors = 600) {
        writeFile(folder_ / "audio.bin",
                  std::string(static_cast<std::size_t>(sectors) * 2352, '\0'));
        writeFile(folder_ / "audio.cue",
                  "FILE \"audio.bin\" BINARY\n  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n");
        image_ = "audio.cue";
    }

    // Writes the descriptor and opens drive D: on it.
    void openDrive(const std::string& personality, const std::string& extra = "") {
        writeFile(folder_ / "drive.emu", "[disc]\nimage = " + image_ +
                                             "\n[inquiry]\nvendor = ACME\nproduct = CDROM-4000\n"
                                             "[drive]\npersonality = " +
                                             personality + "\n" + extra);
        auto access = testing::EmulatedDriveD(folder_ / "drive.emu", clock_);
        device_ = std::make_unique<SptiDevice>(access);
        device_->messageCallback = [this](const DeviceMessage& m) {
            messages_.push_back(m.id);
            if (answers_.empty()) {
                return MessageAnswer::Cancel;
            }
            MessageAnswer a = answers_.front();
            answers_.erase(answers_.begin());
            return a;
        };
        device_->profile->errorCallback = device_->messageCallback;
        ASSERT_TRUE(device_->FindFirst());
        ASSERT_TRUE(device_->Open());
        // Opening a fresh drive spins the disc up: settle it.
        device_->TestUnitReady();
        clock_->waits.clear();
    }

    bool readSectors(std::uint32_t block, std::uint32_t count = 1) {
        return device_->ReadSectors(block, buffer_, count);
    }

    TempFolder folder_;
    std::string image_;
    std::shared_ptr<CountingClock> clock_ = std::make_shared<CountingClock>();
    std::unique_ptr<SptiDevice> device_;
    std::vector<int> messages_;
    std::vector<MessageAnswer> answers_;
    std::vector<std::uint8_t> buffer_ = std::vector<std::uint8_t>(16 * 2448);
};

TEST_F(EmulatedDrive, MmcOpen) {
    writeDataDisc();
    openDrive("mmc");
    DeviceProfile& p = *device_->profile;
    EXPECT_EQ(device_->DeviceDescription(), "ACME CDROM-4000");
    EXPECT_EQ(device_->atapi, 1);
    EXPECT_EQ(p.Mode10, 1);
    EXPECT_EQ(p.mmcCdda, 1);
    EXPECT_EQ(device_->hasCapabilitiesPage, 1);
    EXPECT_EQ(p.RawCmd, 0xBE);
    EXPECT_EQ(p.TrkInfo, 0x52);
    EXPECT_EQ(p.CDDAScan, 1);
    EXPECT_EQ(p.LoadDisc, 1) << "a tray drive";
    EXPECT_EQ(p.LoadEj, 0x1B);
    EXPECT_EQ(device_->mediumClass & 0xF2, 0) << "pressed, with a data track";
    EXPECT_TRUE(messages_.empty());
    EXPECT_TRUE(readSectors(16, 2));
}

TEST_F(EmulatedDrive, Scsi2OpenAndAudioDiscClass) {
    writeAudioDisc();
    // This drive's vendor read selects Q data with 1, not MMC's 2.
    writeFile(folder_ / "ASPIDEV.DDB", "[ACME]\r\n\tCDROM-4000:SubQVal=1\r\n");
    SetDatabaseFileName(folder_ / "ASPIDEV.DDB");
    openDrive("scsi2", "vendor-cdda-read = on\n");
    DeviceProfile& p = *device_->profile;
    EXPECT_EQ(device_->atapi, 0);
    EXPECT_EQ(p.Mode10, 0);
    EXPECT_EQ(p.mmcCdda, 0);
    EXPECT_EQ(p.CDDACmd, 0xD9);
    EXPECT_EQ(p.CDDAMSF, 1);
    EXPECT_EQ(p.SpeedCode, 1);
    EXPECT_EQ(device_->blockLength, 2048);
    EXPECT_EQ(device_->mediumClass & medium_class::kNoDataTrack, medium_class::kNoDataTrack);
    // CD-DA through the vendor MSF read, with and without Q.
    EXPECT_TRUE(device_->ScanRead(0, buffer_, 2, false));
    EXPECT_TRUE(device_->ScanRead(0, buffer_, 2, true));
}

TEST_F(EmulatedDrive, DiscChangeIsWaitedForAndRetried) {
    writeDataDisc();
    openDrive("mmc", "[faults]\nbecoming-ready-polls = 3\n");
    ASSERT_TRUE(device_->LoadEject(true));
    ASSERT_TRUE(device_->LoadEject(false));
    EXPECT_TRUE(readSectors(20));
    EXPECT_NE(std::find(clock_->waits.begin(), clock_->waits.end(), 250), clock_->waits.end())
        << "polled while the disc spins up";
    EXPECT_TRUE(messages_.empty());
}

TEST_F(EmulatedDrive, ResetIsRetriedAfter500ms) {
    writeDataDisc();
    openDrive("scsi2");
    ASSERT_FALSE(emu::resetEmulatedDrive(folder_ / "drive.emu"));
    EXPECT_TRUE(readSectors(20));
    EXPECT_EQ(clock_->waits, std::vector<long>{500});
    EXPECT_EQ(device_->senseKeyCode(), 6);
    EXPECT_EQ(device_->senseAsc, 0x29);
}

TEST_F(EmulatedDrive, NoMediumPromptAnsweredOkThenCancel) {
    writeDataDisc();
    openDrive("scsi2");
    ASSERT_TRUE(device_->LoadEject(true));
    answers_ = {MessageAnswer::Ok, MessageAnswer::Cancel};
    EXPECT_FALSE(readSectors(20));
    // The prompt twice, then the read's own failure.
    EXPECT_EQ(messages_, (std::vector<int>{3010, 3010, 3007}));
    EXPECT_EQ(device_->cancelled, 1);
    EXPECT_EQ(device_->senseAsc, 0x3A);
}

TEST_F(EmulatedDrive, ErrorClassificationIntoTheThreeCounters) {
    writeDataDisc();
    openDrive("mmc", "[faults]\nhard = 100\nmarginal = 200\nother = 300\n");
    std::uint16_t before = 0;
    ASSERT_TRUE(device_->SetErrorRecovery(0x0400, &before));  // PER: report recovered errors
    EXPECT_EQ(device_->errorClassifying, 1);
    EXPECT_FALSE(readSectors(100));
    EXPECT_FALSE(readSectors(200));
    EXPECT_FALSE(readSectors(300));
    EXPECT_TRUE(readSectors(400));
    EXPECT_EQ(device_->mediumErrorCount, 1u);
    EXPECT_EQ(device_->recoveredCount, 1u);
    EXPECT_EQ(device_->otherErrorCount, 1u);
    EXPECT_TRUE(messages_.empty());
    device_->acceptRecovered = 1;
    EXPECT_TRUE(readSectors(200));
}

TEST_F(EmulatedDrive, UnclassifiedHardErrorIsRetriedAndShown) {
    writeDataDisc();
    openDrive("scsi2", "[faults]\nhard = 100\n");
    EXPECT_FALSE(readSectors(100));
    EXPECT_EQ(messages_, (std::vector<int>{3007}));
    EXPECT_EQ(device_->senseAsc, 0x11);
}

TEST_F(EmulatedDrive, ModeSelectFallsBackToTheTenByteCommandAndRawReads) {
    writeDataDisc();
    openDrive("scsi2", "[faults]\nreject-opcodes = 0x15\n");
    ASSERT_TRUE(device_->SetRawMode(true));
    EXPECT_EQ(device_->profile->Mode10, 1);
    EXPECT_EQ(device_->profile->modified, 1);
    ASSERT_TRUE(readSectors(16, 2));
    const std::uint8_t sync[12] = {0,    0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
                                   0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0};
    EXPECT_TRUE(std::equal(sync, sync + 12, buffer_.begin()));
    EXPECT_TRUE(std::equal(sync, sync + 12, buffer_.begin() + 2352)) << "two raw sectors";
    EXPECT_TRUE(device_->ResetBlockSize(2048));
    EXPECT_TRUE(readSectors(16, 1));
    EXPECT_EQ(buffer_[0], 0) << "cooked again: user data, no sync";
}

TEST_F(EmulatedDrive, MmcCddaAndRawModes) {
    writeAudioDisc();
    openDrive("mmc");
    EXPECT_FALSE(device_->ReadCdda(0, buffer_)) << "raw mode first";
    ASSERT_TRUE(device_->SetRawMode(true));
    EXPECT_TRUE(device_->ReadCdda(0, buffer_));
    ASSERT_TRUE(device_->SetCddaMode(true));
    EXPECT_TRUE(readSectors(10, 4));
    EXPECT_TRUE(device_->ScanRead(10, buffer_, 4, true));
    // A disc without a sub-channel file reads with its R-W bytes all zero,
    // as a drive reads a disc that carries no graphics.
    std::fill(buffer_.begin(), buffer_.end(), 0xEE);
    ASSERT_TRUE(device_->ReadWithSubcode(10, buffer_, 2));
    for (std::size_t sector = 0; sector < 2; ++sector) {
        auto rw = buffer_.begin() + static_cast<std::ptrdiff_t>(sector * 2448 + 2352);
        EXPECT_TRUE(std::all_of(rw, rw + 96, [](std::uint8_t b) { return b == 0; })) << sector;
    }
    ASSERT_TRUE(device_->SetCddaMode(false));
    EXPECT_EQ(device_->cddaMode, 0);
}

// A data sector read in CD-DA mode: READ CD brings its 2048 user bytes where
// 2352 were asked for, which is no success; the vendor CD-DA read brings the
// whole raw sector, which is.
TEST_F(EmulatedDrive, CddaReadOfADataSector) {
    writeFile(folder_ / "data.iso", std::string(300 * 2048, '\0'));
    writeFile(folder_ / "audio.bin", std::string(300 * 2352, '\0'));
    writeFile(folder_ / "mixed.cue",
              "FILE \"data.iso\" BINARY\n  TRACK 01 MODE1/2048\n    INDEX 01 00:00:00\n"
              "FILE \"audio.bin\" BINARY\n  TRACK 02 AUDIO\n    INDEX 01 00:00:00\n");
    image_ = "mixed.cue";
    const std::uint8_t sync[12] = {0,    0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
                                   0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0};
    for (const char* drive : {"mmc", "scsi2"}) {
        const bool mmc = std::string(drive) == "mmc";
        openDrive(drive, "vendor-cdda-read = on\n");
        device_->SetCDDAScan(true);  // what a database entry gives the vendor drive
        device_->quiet = 1;
        ASSERT_TRUE(device_->SetCddaMode(true)) << drive;
        std::fill(buffer_.begin(), buffer_.end(), 0xEE);
        EXPECT_EQ(readSectors(16), !mmc) << drive;
        if (mmc) {
            EXPECT_EQ(device_->senseKey, 5);
            EXPECT_EQ(device_->senseAsc, 0x64) << "illegal mode for this track";
            EXPECT_EQ(device_->otherErrorCount, 1u);
        } else {
            EXPECT_TRUE(std::equal(sync, sync + 12, buffer_.begin()));
        }
        EXPECT_TRUE(readSectors(310)) << drive << ": an audio sector";
        ASSERT_TRUE(device_->SetCddaMode(false)) << drive;
        EXPECT_TRUE(readSectors(16)) << drive;
    }
}

TEST_F(EmulatedDrive, SpeedInBothPersonalities) {
    writeDataDisc();
    openDrive("scsi2");
    EXPECT_TRUE(device_->SetSpeed(8)) << "vendor speed page";
    writeFile(folder_ / "ASPIDEV.DDB", "[ACME]\r\n\tCDROM-4000:SpeedCode=0\r\n");
    SetDatabaseFileName(folder_ / "ASPIDEV.DDB");
    openDrive("mmc");
    EXPECT_EQ(device_->profile->SpeedCode, 0);
    EXPECT_TRUE(device_->SetSpeed(8));
    EXPECT_TRUE(device_->SetSpeed(0));
}

TEST_F(EmulatedDrive, LoadAndEjectMoveTheTray) {
    writeDataDisc();
    openDrive("mmc");
    std::string error;
    ASSERT_TRUE(device_->LoadEject(true));
    EXPECT_TRUE(emu::emulatedMedium(folder_ / "drive.emu", error)->trayOpen);
    ASSERT_TRUE(device_->LoadEject(false));
    EXPECT_FALSE(emu::emulatedMedium(folder_ / "drive.emu", error)->trayOpen);
}

// A drive that refuses MODE SENSE at open still gets the profile's
// commands; a command the profile leaves unset fails as unsupported and
// sends nothing in its place.
TEST_F(EmulatedDrive, CommandsWithoutModeDataOrWithoutAProfileByte) {
    writeDataDisc();
    std::string error;
    for (const char* personality : {"scsi2", "mmc"}) {
        SCOPED_TRACE(personality);
        openDrive(personality, "[faults]\nreject-opcodes = 1A, 5A, 15, 55\n");
        EXPECT_EQ(device_->profile->LoadEj, 0x1B);
        ASSERT_TRUE(device_->LoadEject(true));
        EXPECT_TRUE(emu::emulatedMedium(folder_ / "drive.emu", error)->trayOpen);
        device_->profile->LoadDisc = 1;  // nothing told of a tray that loads
        ASSERT_TRUE(device_->LoadEject(false));
        EXPECT_EQ(device_->profile->TrkInfo, 0xE5) << "no capabilities page: vendor defaults";
        EXPECT_EQ(device_->profile->CDDALen, 12);
    }

    // The scsi2 defaults name no raw read: ReadCdda cannot be sent.
    openDrive("scsi2");
    ASSERT_EQ(device_->profile->RawCmd, 0);
    ASSERT_TRUE(device_->SetRawMode(true));
    EXPECT_FALSE(device_->ReadCdda(16, buffer_));
    EXPECT_EQ(device_->senseKeyCode(), 5);
    EXPECT_EQ(device_->senseAsc, 0x20);

    // A database entry that names the track information command but no
    // eject command.
    writeFile(folder_ / "ASPIDEV.DDB", "[ACME]\r\n\tCDROM-4000:TrkInfo=52\r\n");
    SetDatabaseFileName(folder_ / "ASPIDEV.DDB");
    for (const char* personality : {"scsi2", "mmc"}) {
        SCOPED_TRACE(personality);
        openDrive(personality);
        ASSERT_EQ(device_->profile->LoadEj, 0);
        EXPECT_FALSE(device_->LoadEject(true));
        EXPECT_EQ(device_->senseKeyCode(), 5);
        EXPECT_EQ(device_->senseAsc, 0x20);
        EXPECT_FALSE(emu::emulatedMedium(folder_ / "drive.emu", error)->trayOpen);
        device_->profile->RawCmd = 0;
        device_->profile->CDDACmd = 0;
        device_->rawMode = 1;
        device_->senseKey = 0;
        EXPECT_FALSE(device_->ReadCdda(16, buffer_));
        EXPECT_EQ(device_->senseKeyCode(), 5);
        device_->senseKey = 0;
        EXPECT_FALSE(device_->ScanRead(16, buffer_, 1, false));
        EXPECT_EQ(device_->senseKeyCode(), 5);
        device_->senseKey = 0;
        EXPECT_FALSE(device_->ReadWithSubcode(16, buffer_, 1));
        EXPECT_EQ(device_->senseKeyCode(), 5);
    }
    EXPECT_TRUE(messages_.empty());
}

TEST_F(EmulatedDrive, DatabaseUpdateKeepsWhatTheDriveTaught) {
    writeDataDisc();
    SetDatabaseFileName(folder_ / "ASPIDEV.DDB");
    openDrive("scsi2", "[faults]\nreject-opcodes = 0x15\n");
    ASSERT_TRUE(device_->SetRawMode(true));
    ASSERT_TRUE(device_->UpdateDatabase());
    openDrive("scsi2", "[faults]\nreject-opcodes = 0x15\n");
    EXPECT_EQ(device_->profile->Mode10, 1) << "learnt once, used from the start";
}

// The database installed beside a program whose folder the user cannot
// write: its entries apply at Open, and the first update keeps them all in
// the user's copy.
TEST_F(EmulatedDrive, InstalledDatabaseIsReadAndCarriedIntoTheUsersCopy) {
    writeAudioDisc();
    std::filesystem::create_directories(folder_ / "program");
    std::filesystem::create_directories(folder_ / "user");
    const std::string installed = "[ACME]\r\n\tCDROM-4000:SubQVal=1\r\n\tCDROM-9:NoRaw\r\n";
    writeFile(folder_ / "program/ASPIDEV.DDB", installed);
    SetDatabaseFileName(folder_ / "user/ASPIDEV.DDB", folder_ / "program/ASPIDEV.DDB");
    openDrive("scsi2", "vendor-cdda-read = on\n");
    EXPECT_EQ(device_->profile->SubQVal, 1);
    EXPECT_TRUE(device_->ScanRead(0, buffer_, 2, true)) << "the vendor read's Q selection";
    ASSERT_TRUE(device_->UpdateDatabase());
    const std::string copy = testing::readFile(folder_ / "user/ASPIDEV.DDB");
    EXPECT_NE(copy.find("\tCDROM-9:NoRaw\r\n"), std::string::npos) << copy;
    EXPECT_NE(copy.find("\tCDROM-4000:"), std::string::npos) << copy;
    EXPECT_EQ(testing::readFile(folder_ / "program/ASPIDEV.DDB"), installed);
    openDrive("scsi2", "vendor-cdda-read = on\n");
    EXPECT_EQ(device_->profile->SubQVal, 1) << "read from the user's copy now";
}

}  // namespace
}  // namespace kel::diag

namespace kel::diag {
namespace {

// The program's own drive access: the letter table from KEL_DRIVES, the
// emulated drive behind a CD letter. The table is read once per process;
// no other test of this program reads it.
TEST(SystemDriveAccess, LettersFromTheDriveConfiguration) {
    TempFolder folder;
    std::filesystem::create_directories(folder / "runtime");
    ::setenv("KEL_RUNTIME_DIR", (folder / "runtime").c_str(), 1);
    writeFile(folder / "disc.iso", std::string(300 * 2048, '\0'));
    writeFile(folder / "bad.cue", "TRACK 01 AUDIO\n");
    kel::test::setDriveConfig("E:=" + (folder / "disc.iso").string() +
                              ";G:=" + (folder / "gone.iso").string() +
                              ";H:=" + (folder / "bad.cue").string());
    auto access = systemDriveAccess({});
    EXPECT_TRUE(access->isCdLetter('E'));
    EXPECT_FALSE(access->isCdLetter('D'));
    EXPECT_FALSE(access->isCdLetter('C'));
    OpenFailure failure;
    EXPECT_TRUE(access->openLetter('E', failure));
    EXPECT_FALSE(access->openLetter('F', failure));
    EXPECT_EQ(failure.devicePath, "F:");
    // The error number of message 3011 tells what the text says.
    failure = {};
    EXPECT_FALSE(access->openLetter('G', failure));
    EXPECT_EQ(failure.devicePath, (folder / "gone.iso").string());
    EXPECT_EQ(failure.code, ENOENT) << failure.text;
    failure = {};
    EXPECT_FALSE(access->openLetter('H', failure));
    EXPECT_EQ(failure.code, 0) << "the image is read, and is itself at fault: " << failure.text;
    kel::test::clearDriveConfig();
    ::unsetenv("KEL_RUNTIME_DIR");
}

TEST(DiskName, FirstFixedDiskWithAModel) {
    TempFolder sys;
    auto block = [&](const std::string& name, const std::string& removable,
                     const std::string& vendor, const std::string& model) {
        std::filesystem::create_directories(sys / ("block/" + name + "/device"));
        writeFile(sys / ("block/" + name + "/removable"), removable + "\n");
        if (!vendor.empty()) {
            writeFile(sys / ("block/" + name + "/device/vendor"), vendor + "\n");
        }
        if (!model.empty()) {
            writeFile(sys / ("block/" + name + "/device/model"), model + "\n");
        }
    };
    block("loop0", "0", "", "");
    block("sr0", "1", "ACME", "CDROM-4000");
    block("sdb", "0", "ATA     ", "Second Disk     ");
    block("sda", "0", "ATA     ", "First Disk      ");
    EXPECT_EQ(firstDiskName(sys.path()), "ATA First Disk");
    EXPECT_EQ(firstDiskName(sys / "missing"), "");
}

}  // namespace
}  // namespace kel::diag
