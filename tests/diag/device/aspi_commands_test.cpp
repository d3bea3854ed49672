// The ASPI device's commands where they differ from the pass-through: the
// opening MODE SENSE and what it learns of the drive's speed, the speed
// commands, the vendor track information form, the read retries and the
// messages that name the device by its address.
#include <gtest/gtest.h>

#include "aspi_fixture.h"

namespace kel::diag {
namespace {

using testing::Bytes;
using testing::ScriptedReply;

class AspiCommands : public testing::AspiFixture {};

// A capabilities page whose current read speed (bytes 14-15) is `kbs`.
Bytes capabilitiesWithSpeed(std::uint16_t kbs) {
    Bytes page = testing::capabilitiesPage();
    page[14] = static_cast<std::uint8_t>(kbs >> 8);
    page[15] = static_cast<std::uint8_t>(kbs);
    return page;
}

TEST_F(AspiCommands, OpenReadsTheModePagesWholeAndLearnsSetCdSpeed) {
    drive_->queue(ScriptedReply::good(testing::inquiryData(0)));
    drive_->queue(ScriptedReply::good(testing::inquiryData(0)));
    drive_->queue(ScriptedReply::good(testing::modeSense10(0, capabilitiesWithSpeed(7060))));
    queueNoMedium();
    connect();
    ASSERT_TRUE(device_->FindFirst());
    ASSERT_TRUE(device_->Open());
    std::vector<scsi::RecordedCommand> sent = commands();
    ASSERT_GE(sent.size(), 3u);
    EXPECT_EQ(sent[1].cdb, (Bytes{0x12, 0, 0, 0, 0xFF, 0}));
    EXPECT_EQ(sent[2].cdb, (Bytes{0x5A, 0, 0x3F, 0, 0, 0, 0, 0x08, 0x00, 0}));
    EXPECT_EQ(sent[2].bufferSize, 2048u);
    EXPECT_EQ(device_->profile->SpeedCode, 0) << "the capabilities page means SET CD SPEED";
    EXPECT_EQ(device_->defaultSpeed, 40) << "7060 KB/s";
    EXPECT_EQ(device_->profile->RawCmd, 0xBE);

    drive_->clearCommands();
    drive_->queue(ScriptedReply::good());
    drive_->queue(ScriptedReply::good());
    drive_->queue(ScriptedReply::good());
    EXPECT_TRUE(device_->SetSpeed(10));
    EXPECT_TRUE(device_->SetSpeed(0));
    EXPECT_TRUE(device_->SetSpeed(-1));
    EXPECT_EQ(cdb(0), (Bytes{0xBB, 0, 0x06, 0xE5, 0xFF, 0xFF, 0, 0, 0, 0, 0, 0})) << "1765 KB/s";
    EXPECT_EQ(cdb(1), (Bytes{0xBB, 0, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(cdb(2), (Bytes{0xBB, 0, 0x1B, 0x94, 0xFF, 0xFF, 0, 0, 0, 0, 0, 0})) << "40 x 176.5";
}

TEST_F(AspiCommands, FirstVendorSpeedPageFixesHowTheSpeedIsSet) {
    // Page 0x31 before page 0x0F: the drive's speed is set through 0x31.
    openScsi2({0x31, 0x02, 0x04, 0x00, 0x0F, 0x02, 0x09, 0x00});
    EXPECT_EQ(device_->profile->SpeedCode, 1);
    EXPECT_EQ(device_->defaultSpeed, 4);
    drive_->queue(ScriptedReply::good());
    EXPECT_TRUE(device_->SetSpeed(-1));
    EXPECT_EQ(cdb(0), (Bytes{0x15, 0x10, 0, 0, 0x10, 0}));
    EXPECT_EQ(sentData(0),
              (Bytes{0x0F, 0, 0, 0x08, 0, 0, 0, 0, 0, 0, 0x08, 0x00, 0x31, 0x02, 0x00, 0x04}));
}

TEST_F(AspiCommands, SpeedPage23AndADriveWhoseSpeedIsUnknown) {
    openScsi2({0x23, 0x06, 0x00, 0x00, 0x06, 0x00, 0x00, 0x00});
    EXPECT_EQ(device_->profile->SpeedCode, 5);
    EXPECT_EQ(device_->defaultSpeed, 6);
    drive_->queue(ScriptedReply::good());
    EXPECT_TRUE(device_->SetSpeed(8));
    EXPECT_EQ(sentData(0), (Bytes{0x13, 0,    0,    0x08, 0,    0,    0,    0,    0,    0,
                                  0x08, 0x00, 0x23, 0x06, 0x00, 0x00, 0x08, 0x00, 0x00, 0x00}));

    drive_->clearCommands();
    device_->profile->SpeedCode = 0xFF;
    EXPECT_TRUE(device_->SetSpeed(8)) << "the drive keeps its own speed";
    device_->profile->SpeedCode = 2;
    EXPECT_FALSE(device_->SetSpeed(8)) << "page 0x20 is only read";
    EXPECT_TRUE(commands().empty());
}

TEST_F(AspiCommands, RejectedSpeedPageIsReportedAndFails) {
    openScsi2({0x31, 0x02, 0x04, 0x00});
    drive_->queue(ScriptedReply::checkCondition(5, 0x26, 0x02));
    drive_->queue(ScriptedReply::checkCondition(5, 0x26, 0x02));
    device_->modeSelectDone = 1;  // no fallbacks left to try
    EXPECT_FALSE(device_->SetSpeed(2));
    ASSERT_EQ(messages_.size(), 1u);
    EXPECT_EQ(messages_[0].id, 3008);
    EXPECT_EQ(std::get<std::string>(messages_[0].args[0]), "0:0");
}

TEST_F(AspiCommands, VendorTrackInformationNamesNoTrack) {
    openScsi2();
    device_->SetTrackInfoCommand(0xE6);
    std::vector<std::uint8_t> buffer(2048);
    drive_->queue(ScriptedReply::good());
    drive_->queue(ScriptedReply::good());
    EXPECT_TRUE(device_->ReadDiscInfo(buffer, 3));
    EXPECT_TRUE(device_->ReadDiscInfo(buffer, 0));
    EXPECT_EQ(cdb(0), (Bytes{0xE6, 0, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0}));
    EXPECT_EQ(cdb(1), (Bytes{0x51, 0, 0, 0, 0, 0, 0, 0, 0xFF, 0}));
    EXPECT_EQ(commands()[0].direction, scsi::Direction::In);
    EXPECT_EQ(commands()[0].bufferSize, 2048u);
}

TEST_F(AspiCommands, TocFormatsWithATrackKeepTheirFormat) {
    openMmc();
    std::vector<std::uint8_t> buffer(16384);
    drive_->queue(ScriptedReply::good());
    drive_->queue(ScriptedReply::good());
    EXPECT_TRUE(device_->ReadToc(0x401, buffer));
    EXPECT_TRUE(device_->ReadToc(0x501, buffer));
    EXPECT_EQ(cdb(0), (Bytes{0x43, 0, 4, 0, 0, 0, 1, 0x08, 0x00, 0})) << "ATIP, not a TOC";
    EXPECT_EQ(cdb(1), (Bytes{0x43, 0, 5, 0, 0, 0, 1, 0x40, 0x00, 0}));
    EXPECT_EQ(commands()[1].bufferSize, 16384u);
}

TEST_F(AspiCommands, CdParametersAreTakenFromTheirPage) {
    // The header's byte 3 is the block descriptor length (8), not the
    // inactivity time of page 0x0D.
    openScsi2({0x0D, 0x06, 0x00, 0x0B, 0x00, 0x3C, 0x00, 0x4B});
    EXPECT_EQ(device_->page0dByte3, 0x0B);
}

TEST_F(AspiCommands, SectorReadsOutlastADriveThatStaysNotReady) {
    openMmc();
    int readsLeftToFail = 8;
    drive_->setResponder([&](const scsi::RecordedCommand& command, std::span<std::uint8_t>) {
        scsi::Result result;
        if (command.cdb[0] == 0x28 && readsLeftToFail-- > 0) {
            result.status = scsi::status::kCheckCondition;
            result.sense = scsi::Sense::make(2, 0x04, 0x01);
        }
        return result;
    });
    std::vector<std::uint8_t> buffer(2048);
    EXPECT_TRUE(device_->ReadSectors(16, buffer, 1))
        << "the command's own retries end after six sends; the read goes on";
    EXPECT_TRUE(messages_.empty());
}

TEST_F(AspiCommands, FailuresNameTheDeviceByItsAddress) {
    openMmc();
    std::vector<std::uint8_t> buffer(2048);
    drive_->queue(ScriptedReply::checkCondition(5, 0x21, 0));
    EXPECT_FALSE(device_->ReadSectors(400000, buffer, 1));
    drive_->queue(ScriptedReply::checkCondition(3, 0x02, 0));
    EXPECT_FALSE(device_->ReadToc(0x000, buffer));
    ASSERT_EQ(messages_.size(), 2u);
    EXPECT_EQ(messages_[0].id, 3007);
    EXPECT_EQ(std::get<std::string>(messages_[0].args[1]), "0:0");
    EXPECT_EQ(messages_[1].id, 3009);
    EXPECT_EQ(std::get<std::string>(messages_[1].args[1]), "0:0");
}

TEST_F(AspiCommands, RejectedBlockLengthSwitchFailsAfterOneReport) {
    openScsi2();
    drive_->queue(ScriptedReply::checkCondition(5, 0x26, 0x01));
    drive_->queue(ScriptedReply::checkCondition(5, 0x26, 0x01));
    EXPECT_FALSE(device_->SetRawMode(true));
    EXPECT_EQ(device_->rawMode, 0);
    EXPECT_EQ(device_->profile->Raw, 0);
    ASSERT_EQ(messages_.size(), 1u);
    EXPECT_EQ(messages_[0].id, 3008);
    EXPECT_EQ(cdb(0), (Bytes{0x15, 0x10, 0, 0, 0x0C, 0}));
    EXPECT_EQ(sentData(1)[0], 0) << "the second try drops the length prefix";
}

}  // namespace
}  // namespace kel::diag
