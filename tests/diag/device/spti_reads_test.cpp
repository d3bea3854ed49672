// The read operations through the device: the command each profile form
// sends, the refusals that send nothing, retries, messages and the error
// classification into the three counters.
#include "spti_fixture.h"

namespace kel::diag {
namespace {

using testing::Bytes;
using testing::ScriptedReply;

class SptiReads : public testing::SptiFixture {
protected:
    void SetUp() override { openMmc(); }
    std::vector<std::uint8_t> buffer_ = std::vector<std::uint8_t>(64 * 2448);
};

TEST_F(SptiReads, CookedRawAndCddaSectorReads) {
    drive_->setResponder([](const scsi::RecordedCommand&, std::span<std::uint8_t> data) {
        scsi::Result whole;
        whole.transferred = data.size();
        return whole;
    });
    EXPECT_TRUE(device_->ReadSectors(100, buffer_, 2));
    EXPECT_EQ(cdb(0), (Bytes{0x28, 0, 0, 0, 0, 100, 0, 0, 2, 0}));
    EXPECT_EQ(commands()[0].bufferSize, 4096u);
    ASSERT_TRUE(device_->SetRawMode(true));
    EXPECT_EQ(commands().size(), 1u) << "an MMC drive switches nothing";
    EXPECT_TRUE(device_->ReadSectors(100, buffer_, 2));
    EXPECT_EQ(cdb(1), (Bytes{0xBE, 0, 0, 0, 0, 100, 0, 0, 2, 0xF8, 0, 0}));
    EXPECT_EQ(commands()[1].bufferSize, 2u * 2352u);
    EXPECT_TRUE(device_->ReadCdda(7, buffer_));
    EXPECT_EQ(cdb(2), (Bytes{0xBE, 0, 0, 0, 0, 7, 0, 0, 1, 0x10, 0, 0}));
    // An MMC drive with CDDADen 0 still gets its density and block length.
    ASSERT_TRUE(device_->SetCddaMode(true));
    EXPECT_EQ(cdb(3), (Bytes{0x55, 0x10, 0, 0, 0, 0, 0, 0, 16, 0}));
    EXPECT_EQ(sentData(3), (Bytes{0, 0x0E, 0, 0, 0, 0, 0, 8, 0, 0, 0, 0, 0, 0, 0x09, 0x30}));
    // CD-DA mode reads through ScanRead without Q.
    EXPECT_TRUE(device_->ReadSectors(5, buffer_, 3));
    EXPECT_EQ(cdb(4), (Bytes{0xBE, 0, 0, 0, 0, 5, 0, 0, 3, 0x10, 0, 0}));
    EXPECT_EQ(commands()[4].bufferSize, 3u * 2352u);
    EXPECT_TRUE(device_->ScanRead(5, buffer_, 3, true));
    EXPECT_EQ(cdb(5)[10], 2);
    EXPECT_EQ(commands()[5].bufferSize, 3u * 2368u);
    EXPECT_TRUE(device_->ReadWithSubcode(5, buffer_, 2));
    EXPECT_EQ(cdb(6), (Bytes{0xBE, 0, 0, 0, 0, 5, 0, 0, 2, 0x10, 1, 0}));
    EXPECT_EQ(commands()[6].bufferSize, 2u * 2448u);
}

TEST_F(SptiReads, RequestsTheCommandOrBufferCannotCarrySendNothing) {
    std::vector<std::uint8_t> big(300 * 2048);
    EXPECT_FALSE(device_->ReadSectors(0, big, 256));
    EXPECT_FALSE(device_->ReadSectors(0, std::span(buffer_).first(4095), 2));
    EXPECT_FALSE(device_->ReadCdda(0, buffer_)) << "only in raw mode";
    std::array<std::uint8_t, 100> small{};
    EXPECT_FALSE(device_->Inquiry(small));
    EXPECT_FALSE(device_->ReadToc(0, small));
    EXPECT_FALSE(device_->ReadSubChannel(1, 0, small));
    EXPECT_FALSE(device_->ReadDiscInfo(small, 0));
    device_->profile->TrkInfo = 0;
    EXPECT_FALSE(device_->ReadDiscInfo(buffer_, 1));
    EXPECT_TRUE(commands().empty());
}

TEST_F(SptiReads, VendorCddaReadsInMsfAndTheirRefusals) {
    DeviceProfile& p = *device_->profile;
    p.mmcCdda = 0;
    p.CDDACmd = 0xD8;
    p.CDDALen = 10;
    EXPECT_FALSE(device_->ScanRead(0, buffer_, 1, true));
    EXPECT_TRUE(commands().empty());
    EXPECT_EQ(device_->senseAsc, 0x20);
    EXPECT_EQ(device_->senseAscq, 0);

    p.CDDALen = 12;
    p.CDDAMSF = 1;
    device_->quiet = 1;
    device_->SetDebugLevel(1);
    drive_->queue(ScriptedReply::checkCondition(4, 0x44, 0));
    EXPECT_FALSE(device_->ScanRead(0, buffer_, 1, false));
    EXPECT_EQ(cdb(0), (Bytes{0xD8, 0, 0, 0, 2, 0, 0, 0, 2, 1, 0, 0}));
    EXPECT_EQ(device_->lastErrorClass, CdDevice::kOtherError);
    EXPECT_EQ(device_->otherErrorCount, 1u);
    EXPECT_EQ(logLines_.back(),
              "Unexpected error from cmd 0xd8, block 150 on device D: Sense=44 00");
}

TEST_F(SptiReads, ClassifyingReadsCountEachErrorClass) {
    device_->errorClassifying = 1;
    ScriptedReply recovered = ScriptedReply::checkCondition(1, 0x18, 0);
    ScriptedReply medium = ScriptedReply::checkCondition(3, 0x11, 0);
    medium.sense.bytes[2] |= 0x20;  // ILI does not make it "another" error
    drive_->queue(recovered);
    drive_->queue(medium);
    drive_->queue(ScriptedReply::checkCondition(4, 0x44, 0));
    EXPECT_FALSE(device_->ReadSectors(1, buffer_, 1));
    EXPECT_EQ(device_->lastErrorClass, CdDevice::kRecoveredError);
    EXPECT_FALSE(device_->ReadSectors(2, buffer_, 1));
    EXPECT_EQ(device_->lastErrorClass, CdDevice::kMediumError);
    EXPECT_FALSE(device_->ReadSectors(3, buffer_, 1));
    EXPECT_EQ(device_->lastErrorClass, CdDevice::kOtherError);
    EXPECT_EQ(device_->recoveredCount, 1u);
    EXPECT_EQ(device_->mediumErrorCount, 1u);
    EXPECT_EQ(device_->otherErrorCount, 1u);
    EXPECT_EQ(commands().size(), 3u) << "no retries while classifying";
    EXPECT_TRUE(messages_.empty());

    device_->acceptRecovered = 1;
    drive_->queue(recovered);
    EXPECT_TRUE(device_->ReadSectors(4, buffer_, 1));
    EXPECT_EQ(device_->lastErrorClass, CdDevice::kNoError);
    EXPECT_EQ(device_->recoveredCount, 1u);
}

TEST_F(SptiReads, UnrecoveredReadIsRetriedFiveTimesThenShown) {
    for (int i = 0; i < 6; ++i) {
        drive_->queue(ScriptedReply::checkCondition(3, 0x11, 0));
    }
    EXPECT_FALSE(device_->ReadSectors(20, buffer_, 1));
    EXPECT_EQ(commands().size(), 6u);
    ASSERT_EQ(messages_.size(), 1u);
    EXPECT_EQ(messages_[0].id, 3007);
    EXPECT_EQ(messages_[0].args,
              (std::vector<MessageValue>{std::int64_t{20}, std::string("ACME CDROM-4000"),
                                         std::string("\nUnrecoverable read error\nSense=11 00")}));
    // An error that is not retried ends at once; noReadErrorMessage keeps it out of sight.
    drive_->clearCommands();
    device_->noReadErrorMessage = 1;
    drive_->queue(ScriptedReply::checkCondition(5, 0x21, 0));
    EXPECT_FALSE(device_->ReadSectors(20, buffer_, 1));
    EXPECT_EQ(commands().size(), 1u);
    EXPECT_EQ(messages_.size(), 1u);
}

TEST_F(SptiReads, TocFormatsSilentSensesAndAtipSwitch) {
    drive_->queue(ScriptedReply::good());
    EXPECT_TRUE(device_->ReadToc(0x0500, buffer_));
    EXPECT_EQ(commands()[0].bufferSize, 16384u);
    drive_->queue(ScriptedReply::checkCondition(5, 0x24, 0));
    EXPECT_FALSE(device_->ReadToc(0x0400, buffer_));
    drive_->queue(ScriptedReply::checkCondition(8, 0x94, 0));
    EXPECT_FALSE(device_->ReadToc(0x0000, buffer_));
    EXPECT_TRUE(messages_.empty());
    drive_->queue(ScriptedReply::checkCondition(3, 0x02, 0));
    EXPECT_FALSE(device_->ReadToc(0x0201, buffer_));
    ASSERT_EQ(messages_.size(), 1u);
    EXPECT_EQ(messages_[0].id, 3009);
    EXPECT_EQ(messages_[0].args[0], MessageValue(std::int64_t{0x201}));
    // Quiet at debug level 0 shows nothing.
    device_->quiet = 1;
    drive_->queue(ScriptedReply::checkCondition(3, 0x02, 0));
    EXPECT_FALSE(device_->ReadToc(0x0201, buffer_));
    EXPECT_EQ(messages_.size(), 1u);
    std::size_t sent = commands().size();
    device_->profile->NoATIP = 1;
    EXPECT_FALSE(device_->ReadToc(0x0400, buffer_));
    EXPECT_EQ(commands().size(), sent);
}

TEST_F(SptiReads, InquirySubChannelDiscInfoAndSeek) {
    drive_->setResponder(
        [](const scsi::RecordedCommand&, std::span<std::uint8_t>) { return scsi::Result{}; });
    std::array<std::uint8_t, 255> inquiry{};
    inquiry.fill(0xEE);
    EXPECT_TRUE(device_->Inquiry(inquiry));
    EXPECT_EQ(inquiry[0], 0) << "cleared before the drive writes";
    EXPECT_TRUE(device_->ReadSubChannel(3, 4, buffer_));
    EXPECT_TRUE(device_->ReadDiscInfo(buffer_, 0));
    EXPECT_TRUE(device_->ReadDiscInfo(buffer_, 2));
    EXPECT_TRUE(device_->Seek(1234));
    EXPECT_EQ(cdb(0), (Bytes{0x12, 0, 0, 0, 255, 0}));
    EXPECT_EQ(cdb(1), (Bytes{0x42, 0, 0x40, 3, 0, 0, 4, 1, 0, 0}));
    EXPECT_EQ(cdb(2), (Bytes{0x51, 0, 0, 0, 0, 0, 0, 0, 255, 0}));
    EXPECT_EQ(cdb(3), (Bytes{0x52, 1, 0, 0, 0, 2, 0, 0, 255, 0}));
    EXPECT_EQ(cdb(4), (Bytes{0x2B, 0, 0, 0, 0x04, 0xD2, 0, 0, 0, 0}));
    EXPECT_EQ(commands()[4].direction, scsi::Direction::None);
}

}  // namespace
}  // namespace kel::diag
