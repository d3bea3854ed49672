// Open's medium classification against the emulated drive holding pressed,
// recordable and rewritable discs. The replies come from the drive's model
// of the disc, not from scripted bytes, so a misread field of READ DISC
// INFORMATION or the ATIP shows up here as a wrong class.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "diag/device/device_database.h"
#include "diag/device/drive_access.h"
#include "diag/device/medium_class.h"
#include "diag/device/spti_device.h"
#include "temp_folder.h"
#include "tests/diag/support/emulated_disc.h"

namespace kel::diag {
namespace {

using testing::TempFolder;
using testing::writeFile;

constexpr std::uint8_t kRecordableOrRewritable =
    medium_class::kRecordable | medium_class::kRewritable;

class EmulatedMedia : public ::testing::Test {
protected:
    void SetUp() override {
        std::filesystem::create_directories(folder_ / "runtime");
        ::setenv("KEL_RUNTIME_DIR", (folder_ / "runtime").c_str(), 1);
        SetDatabaseFileName({});
        writeFile(folder_ / "disc.iso", std::string(std::size_t{600} * 2048, '\0'));
    }
    void TearDown() override {
        ::unsetenv("KEL_RUNTIME_DIR");
        SetDatabaseFileName({});
    }

    // `disc` is the whole [disc] section body, so a blank disc can leave the
    // image out.
    void openDrive(const std::string& personality, const std::string& disc,
                   const std::string& extra = "") {
        writeFile(folder_ / "drive.emu",
                  "[disc]\n" + disc + "[drive]\npersonality = " + personality + "\n" + extra);
        auto access = testing::EmulatedDriveD(folder_ / "drive.emu");
        device_ = std::make_unique<SptiDevice>(access);
        device_->messageCallback = [this](const DeviceMessage& m) {
            messages_.push_back(m.id);
            return MessageAnswer::Cancel;
        };
        device_->profile->errorCallback = device_->messageCallback;
        ASSERT_TRUE(device_->FindFirst());
        ASSERT_TRUE(device_->Open());
    }

    std::uint8_t mediumClass() const { return device_->mediumClass; }

    TempFolder folder_;
    std::unique_ptr<SptiDevice> device_;
    std::vector<int> messages_;
};

const std::string kPressed = "image = disc.iso\n";
const std::string kOpenCdr =
    "image = disc.iso\nmedium = cd-r\ndisc-status = incomplete\n"
    "last-session = incomplete\nwrite-method = tao\nnext-writable = 300\n";
const std::string kAppendableCdr =
    "image = disc.iso\nmedium = cd-r\ndisc-status = incomplete\nlast-session = empty\n";
const std::string kClosedCdr = "image = disc.iso\nmedium = cd-r\ndisc-status = complete\n";
const std::string kClosedCdrw = "image = disc.iso\nmedium = cd-rw\ndisc-status = complete\n";
const std::string kBlankCdr = "medium = cd-r\ndisc-status = blank\n";
const std::string kBlankCdrw = "medium = cd-rw\ndisc-status = blank\n";

TEST_F(EmulatedMedia, MmcPressedDataDiscIsNotRecordable) {
    openDrive("mmc", kPressed);
    EXPECT_EQ(mediumClass(), 0x01) << "the mode header's data-only CD, nothing added";
    // The drive refuses the ATIP of a pressed disc; that is expected and
    // must not reach the user.
    EXPECT_TRUE(messages_.empty());
}

// An audio disc, so that the two-byte ATIP's class (which replaces the mode
// header's audio-only type) is told apart from the header's own value.
TEST_F(EmulatedMedia, MmcPressedAudioDiscWithTwoByteAtip) {
    writeFile(folder_ / "audio.bin", std::string(std::size_t{600} * 2352, '\0'));
    writeFile(folder_ / "audio.cue",
              "FILE \"audio.bin\" BINARY\n  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n");
    openDrive("mmc", "image = audio.cue\n");
    EXPECT_EQ(mediumClass(), 0x02) << "refused ATIP: the header's audio-only type stays";
    openDrive("mmc", "image = audio.cue\n", "atip-on-pressed = short-reply\n");
    EXPECT_EQ(mediumClass(), medium_class::kAtipEmpty | medium_class::kNoDataTrack);
    EXPECT_TRUE(messages_.empty());
}

TEST_F(EmulatedMedia, MmcOpenCdrIsRecordable) {
    openDrive("mmc", kOpenCdr);
    EXPECT_EQ(mediumClass(), 0x01 | medium_class::kRecordable);
    EXPECT_TRUE(messages_.empty());
}

TEST_F(EmulatedMedia, MmcAppendableCdrIsRecordable) {
    openDrive("mmc", kAppendableCdr);
    EXPECT_EQ(mediumClass(), 0x01 | medium_class::kRecordable);
    EXPECT_TRUE(messages_.empty());
}

// Disc information says complete and not erasable, so only the ATIP's disc
// type tells this from a pressed disc.
TEST_F(EmulatedMedia, MmcClosedCdrIsRecordableByItsAtip) {
    openDrive("mmc", kClosedCdr);
    EXPECT_EQ(mediumClass(), 0x01 | medium_class::kRecordable);
    EXPECT_TRUE(messages_.empty());
}

TEST_F(EmulatedMedia, MmcCdrwIsRewritable) {
    openDrive("mmc", kClosedCdrw);
    EXPECT_EQ(mediumClass(), 0x01 | medium_class::kRewritable);
    EXPECT_TRUE(messages_.empty());
}

TEST_F(EmulatedMedia, MmcBlankCdrIsRecordable) {
    openDrive("mmc", kBlankCdr);
    EXPECT_EQ(mediumClass() & kRecordableOrRewritable, medium_class::kRecordable);
    EXPECT_TRUE(messages_.empty());
}

TEST_F(EmulatedMedia, MmcBlankCdrwIsRewritable) {
    openDrive("mmc", kBlankCdrw);
    EXPECT_EQ(mediumClass() & medium_class::kRewritable, medium_class::kRewritable);
    EXPECT_TRUE(messages_.empty());
}

TEST_F(EmulatedMedia, Scsi2PressedDataDiscIsNotRecordable) {
    openDrive("scsi2", kPressed);
    EXPECT_EQ(mediumClass(), 0x01);
    EXPECT_TRUE(messages_.empty());
}

TEST_F(EmulatedMedia, Scsi2ClosedCdrIsRecordable) {
    openDrive("scsi2", kClosedCdr);
    EXPECT_EQ(mediumClass(), 0x01 | medium_class::kRecordable);
    EXPECT_TRUE(messages_.empty());
}

TEST_F(EmulatedMedia, Scsi2OpenCdrIsRecordable) {
    openDrive("scsi2", kOpenCdr);
    EXPECT_EQ(mediumClass(), 0x01 | medium_class::kRecordable);
    EXPECT_TRUE(messages_.empty());
}

TEST_F(EmulatedMedia, Scsi2CdrwIsRewritable) {
    openDrive("scsi2", kClosedCdrw);
    EXPECT_EQ(mediumClass(), 0x01 | medium_class::kRewritable);
    EXPECT_TRUE(messages_.empty());
}

// A drive without READ DISC INFORMATION leaves the ATIP to decide: its disc
// type bit must tell CD-R from CD-RW on every recorded state.
TEST_F(EmulatedMedia, MmcAtipDecidesWithoutDiscInformation) {
    const std::string noDiscInfo = "[faults]\nreject-opcodes = 0x51\n";
    openDrive("mmc", kClosedCdrw, noDiscInfo);
    EXPECT_EQ(mediumClass(), 0x01 | medium_class::kRewritable);
    openDrive("mmc", kOpenCdr, noDiscInfo);
    EXPECT_EQ(mediumClass(), 0x01 | medium_class::kRecordable);
    openDrive("mmc", kBlankCdr, noDiscInfo);
    EXPECT_EQ(mediumClass() & kRecordableOrRewritable, medium_class::kRecordable);
    openDrive("mmc", kPressed, noDiscInfo);
    EXPECT_EQ(mediumClass(), 0x01);
    EXPECT_TRUE(messages_.empty());
}

}  // namespace
}  // namespace kel::diag
