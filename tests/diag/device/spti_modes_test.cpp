// Error recovery, raw and CD-DA modes, speed, load/eject and the block size
// reset: the lists each sends and how each reads the drive's answer.
#include "spti_fixture.h"

namespace kel::diag {
namespace {

using testing::Bytes;
using testing::ScriptedReply;

const Bytes kDescriptor2048 = {0, 0, 0, 0, 0, 0, 0x08, 0x00};

class SptiModes : public testing::SptiFixture {
protected:
    void SetUp() override { openScsi2(); }
    void queuePage(Bytes page, Bytes descriptor = kDescriptor2048) {
        drive_->queue(ScriptedReply::good(testing::modeSense6(0, page, descriptor)));
    }
    const Bytes kRecoveryPage = {0x01, 0x06, 0x20, 0x05, 0, 0, 0, 0};
};

TEST_F(SptiModes, OpenOfAnOlderDriveSetsVendorDefaults) {
    DeviceProfile& p = *device_->profile;
    EXPECT_EQ(device_->atapi, 0);
    EXPECT_EQ(p.Mode10, 0);
    EXPECT_EQ(p.TrkInfo, 0xE5);
    EXPECT_EQ(p.CDDACmd, 0xD9);
    EXPECT_EQ(p.CDDALen, 12);
    EXPECT_EQ(p.CDDAMSF, 1);
    EXPECT_EQ(p.SpeedCode, 1);
    EXPECT_EQ(p.LoadEj, 0x1B);
    EXPECT_EQ(p.LoadDisc, 0);
    EXPECT_EQ(device_->blockLength, 2048);
    EXPECT_EQ(device_->densityCode, 0x83);
    EXPECT_EQ(device_->hasCapabilitiesPage, 0);
}

TEST_F(SptiModes, ErrorRecoveryWritesFlagsAndRetryCount) {
    queuePage(kRecoveryPage);
    drive_->queue(ScriptedReply::good());
    std::uint16_t out = 0;
    EXPECT_TRUE(device_->SetErrorRecovery(0x0100, &out));
    EXPECT_EQ(out, 0x2005);
    EXPECT_EQ(cdb(0), (Bytes{0x1A, 0, 0x01, 0, 128, 0}));
    EXPECT_EQ(sentData(1),
              (Bytes{0x13, 0, 0, 8, 0, 0, 0, 0, 0, 0, 0x08, 0, 0x01, 0x06, 0x01, 0, 0, 0, 0, 0}));
    EXPECT_EQ(device_->errorClassifying, 1);

    // 255 retries are written as 0; no flags stop the classification.
    queuePage(kRecoveryPage);
    drive_->queue(ScriptedReply::good());
    EXPECT_TRUE(device_->SetErrorRecovery(0x00FF, nullptr));
    EXPECT_EQ(sentData(3)[14], 0);
    EXPECT_EQ(sentData(3)[15], 0);
    EXPECT_EQ(device_->errorClassifying, 0);
}

TEST_F(SptiModes, ErrorRecoveryOfATenBytePage) {
    queuePage({0x01, 0x0A, 0x20, 0x05, 0, 0, 0, 0, 0, 0, 0, 0});
    drive_->queue(ScriptedReply::good());
    EXPECT_TRUE(device_->SetErrorRecovery(0x0403, nullptr));
    EXPECT_EQ(sentData(1), (Bytes{0x17, 0,    0,    8,    0, 0, 0, 0, 0, 0, 0x08, 0,
                                  0x01, 0x0A, 0x04, 0x03, 0, 0, 0, 0, 0, 0, 0,    0}));
}

TEST_F(SptiModes, ChangeableMaskIsOnlyRead) {
    queuePage({0x01, 0x06, 0x3F, 0xFF, 0, 0, 0, 0});
    std::uint16_t out = 0;
    EXPECT_TRUE(device_->SetErrorRecovery(-1, &out));
    EXPECT_EQ(out, 0x3FFF);
    EXPECT_EQ(cdb(0)[2], 0x41);
    EXPECT_EQ(commands().size(), 1u);
}

TEST_F(SptiModes, RejectedOrMissingRecoveryPageIsAFailure) {
    device_->modeSelectDone = 1;  // no fallbacks: the drive's answer stands
    queuePage(kRecoveryPage);
    drive_->queue(ScriptedReply::checkCondition(5, 0x20, 0));
    EXPECT_FALSE(device_->SetErrorRecovery(0x0100, nullptr));
    EXPECT_EQ(device_->errorClassifying, 0) << "the drive did not take the page";
    EXPECT_EQ(device_->errorRecoveryFixed, 1);

    // A block-descriptor length that points past the reply.
    drive_->clearCommands();
    Bytes reply = testing::modeSense6(0, kRecoveryPage, kDescriptor2048);
    reply[3] = 0xF0;
    drive_->queue(ScriptedReply::good(reply));
    EXPECT_FALSE(device_->SetErrorRecovery(0x0100, nullptr));
    EXPECT_EQ(commands().size(), 1u);
}

TEST_F(SptiModes, RawModeSwitchesTheBlockLength) {
    drive_->queue(ScriptedReply::good());
    EXPECT_TRUE(device_->SetRawMode(true));
    EXPECT_EQ(sentData(0), (Bytes{0x0B, 0, 0, 8, 0, 0, 0, 0, 0, 0, 0x09, 0x30}));
    EXPECT_EQ(device_->rawMode, 1);
    EXPECT_TRUE(device_->SetRawMode(true));
    EXPECT_EQ(commands().size(), 1u);

    drive_->queue(ScriptedReply::good());
    EXPECT_TRUE(device_->SetRawMode(false));
    EXPECT_EQ(sentData(1), (Bytes{0x0B, 0, 0, 8, 0, 0, 0, 0, 0, 0, 0x08, 0x00}));

    device_->quiet = 1;
    device_->profile->Raw = 1;
    drive_->queue(ScriptedReply::checkCondition(5, 0x24, 0));
    EXPECT_FALSE(device_->SetRawMode(true));
    EXPECT_EQ(device_->profile->Raw, 0);
    EXPECT_EQ(device_->rawMode, 0);
}

TEST_F(SptiModes, CddaModeWritesDensityAndRestoresIt) {
    EXPECT_FALSE(device_->SetCddaMode(true)) << "CDDAScan is clear";
    EXPECT_TRUE(commands().empty());
    device_->profile->CDDAScan = 1;
    device_->profile->CDDADen = 0x82;
    drive_->queue(ScriptedReply::good());
    drive_->queue(ScriptedReply::good());
    EXPECT_TRUE(device_->SetCddaMode(true));
    EXPECT_TRUE(device_->SetCddaMode(false));
    EXPECT_EQ(sentData(0), (Bytes{0x0B, 0, 0, 8, 0x82, 0, 0, 0, 0, 0, 0x09, 0x30}));
    EXPECT_EQ(sentData(1), (Bytes{0x0B, 0, 0, 8, 0x83, 0, 0, 0, 0, 0, 0x08, 0x00}));
    EXPECT_EQ(device_->cddaMode, 0);

    device_->quiet = 1;
    device_->modeSelectDone = 1;
    drive_->queue(ScriptedReply::checkCondition(5, 0x24, 0));
    EXPECT_FALSE(device_->SetCddaMode(true));
    EXPECT_EQ(device_->profile->CDDAScan, 0);
}

// An MMC drive that needs a density switch reads CD-DA only once the drive
// has taken it: a refused or failed switch leaves the cooked reads in place.
TEST_F(SptiModes, MmcCddaModeFollowsOnlyTheSwitchesTheDriveTook) {
    DeviceProfile& p = *device_->profile;
    p.mmcCdda = 1;
    p.CDDADen = 0x82;
    device_->quiet = 1;
    device_->modeSelectDone = 1;

    p.CDDAScan = 1;
    for (int i = 0; i <= CommandDevice::kRetries; ++i) {
        drive_->queue(ScriptedReply::checkCondition(0, 0, 0));  // no answer worth the name
    }
    EXPECT_FALSE(device_->SetCddaMode(true));
    EXPECT_EQ(device_->cddaMode, 0) << "the select failed";
    EXPECT_EQ(p.CDDAScan, 1);

    drive_->queue(ScriptedReply::checkCondition(5, 0x24, 0));
    EXPECT_FALSE(device_->SetCddaMode(true));
    EXPECT_EQ(device_->cddaMode, 0) << "the drive refused the density";
    EXPECT_EQ(p.CDDAScan, 0);

    p.CDDAScan = 1;
    drive_->queue(ScriptedReply::good());
    EXPECT_TRUE(device_->SetCddaMode(true));
    EXPECT_EQ(device_->cddaMode, 1);
}

TEST_F(SptiModes, SpeedInEveryForm) {
    struct Case {
        std::uint8_t code;
        int factor;
        Bytes page;
    };
    const Case cases[] = {
        {1, 8, {0x31, 0x02, 0x00, 0x08}},
        {3, 8, {0x31, 0x02, 0x08, 0x00}},
        {6, 0x24, {0x31, 0x02, 0x04, 0x02}},
    };
    for (const Case& c : cases) {
        drive_->clearCommands();
        device_->profile->SpeedCode = c.code;
        drive_->queue(ScriptedReply::good());
        EXPECT_TRUE(device_->SetSpeed(c.factor));
        Bytes list = {0x0F, 0, 0, 8, 0, 0, 0, 0, 0, 0, 0x08, 0};
        list.insert(list.end(), c.page.begin(), c.page.end());
        EXPECT_EQ(sentData(0), list) << int(c.code);
    }
    drive_->clearCommands();
    device_->profile->SpeedCode = 0;
    device_->defaultSpeed = 4;
    drive_->setResponder(
        [](const scsi::RecordedCommand&, std::span<std::uint8_t>) { return scsi::Result{}; });
    EXPECT_TRUE(device_->SetSpeed(0));
    EXPECT_TRUE(device_->SetSpeed(8));
    EXPECT_TRUE(device_->SetSpeed(-1));
    EXPECT_EQ(cdb(0), (Bytes{0xBB, 0, 0xFF, 0xFF, 0, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(cdb(1), (Bytes{0xBB, 0, 0x05, 0x80, 0, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(cdb(2), (Bytes{0xBB, 0, 0x02, 0xC0, 0, 0, 0, 0, 0, 0, 0, 0}));
    // A drive whose speed is only read has no way to set it.
    device_->profile->SpeedCode = 4;
    EXPECT_FALSE(device_->SetSpeed(8));
    EXPECT_EQ(commands().size(), 3u);
}

TEST_F(SptiModes, RejectedSpeedPageIsAFailure) {
    device_->quiet = 1;
    device_->modeSelectDone = 1;
    drive_->queue(ScriptedReply::checkCondition(5, 0x26, 0));
    EXPECT_FALSE(device_->SetSpeed(8));
}

TEST_F(SptiModes, LoadNeedsLoadDiscEjectIsAlwaysSent) {
    EXPECT_FALSE(device_->LoadEject(false));
    EXPECT_TRUE(commands().empty());
    drive_->queue(ScriptedReply::good());
    EXPECT_TRUE(device_->LoadEject(true));
    EXPECT_EQ(cdb(0), (Bytes{0x1B, 0, 0, 0, 2, 0}));
    device_->profile->LoadDisc = 1;
    drive_->queue(ScriptedReply::good());
    EXPECT_TRUE(device_->LoadEject(false));
    EXPECT_EQ(cdb(1), (Bytes{0x1B, 0, 0, 0, 3, 0}));
}

TEST_F(SptiModes, ResetBlockSizeSendsOnlyWhatIsNeeded) {
    EXPECT_TRUE(device_->ResetBlockSize(2048));
    EXPECT_TRUE(commands().empty());
    device_->blockLength = 2352;
    drive_->queue(ScriptedReply::good());
    EXPECT_TRUE(device_->ResetBlockSize(2048));
    EXPECT_EQ(sentData(0), (Bytes{0x0B, 0, 0, 8, 0, 0, 0, 0, 0, 0, 0x08, 0x00}));
    EXPECT_EQ(device_->blockLength, 2048);
    EXPECT_EQ(device_->quiet, 0);

    // A drive that refuses: NoBlkSet, and later resets send nothing.
    device_->modeSelectDone = 1;
    device_->blockLength = 2352;
    drive_->queue(ScriptedReply::checkCondition(5, 0x24, 0));
    EXPECT_FALSE(device_->ResetBlockSize(2048));
    EXPECT_TRUE(messages_.empty()) << "quiet while resetting";
    EXPECT_EQ(device_->profile->NoBlkSet, 1);
    device_->blockLength = 2352;
    EXPECT_TRUE(device_->ResetBlockSize(2048));
    EXPECT_EQ(device_->blockLength, 2352);
    EXPECT_EQ(commands().size(), 2u);
}

}  // namespace
}  // namespace kel::diag
