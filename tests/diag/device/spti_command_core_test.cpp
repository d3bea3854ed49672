// The command core's retry rules, the no-medium prompt, TEST UNIT READY and
// the MODE SELECT fallback ladder, on a scripted drive.
#include "spti_fixture.h"

namespace kel::diag {
namespace {

using testing::Bytes;
using testing::ScriptedReply;

class SptiCommandCore : public testing::SptiFixture {
protected:
    void SetUp() override { openMmc(); }
    // SEEK: a command without data whose only job is to be retried.
    bool seek() { return device_->Seek(0x10); }
};

TEST_F(SptiCommandCore, UnitAttentionWaits500msAndRetriesFiveTimes) {
    drive_->setResponder([](const scsi::RecordedCommand&, std::span<std::uint8_t>) {
        scsi::Result r;
        r.status = scsi::status::kCheckCondition;
        r.sense = scsi::Sense::make(6, 0x29, 0);
        return r;
    });
    EXPECT_FALSE(seek());
    EXPECT_EQ(commands().size(), 6u);
    EXPECT_EQ(clock_->waits, std::vector<long>(6, 500));
    EXPECT_EQ(device_->senseAsc, 0x29);
}

TEST_F(SptiCommandCore, SenseKeyFlagBitsDoNotHideTheKey) {
    ScriptedReply attention = ScriptedReply::checkCondition(6, 0x28, 0);
    attention.sense.bytes[2] |= 0x20;  // ILI
    drive_->queue(attention);
    drive_->queue(ScriptedReply::good());
    EXPECT_TRUE(seek());
    EXPECT_EQ(commands().size(), 2u);
    EXPECT_EQ(device_->senseKey, 0x26) << "stored whole";
    EXPECT_EQ(device_->senseKeyCode(), 6);
}

TEST_F(SptiCommandCore, NotReadyPollsEvery250msUntilReady) {
    drive_->queue(ScriptedReply::checkCondition(2, 0x04, 0x01));
    drive_->queue(ScriptedReply::checkCondition(2, 0x04, 0x01));  // first poll: 3 attempts
    drive_->queue(ScriptedReply::checkCondition(2, 0x04, 0x01));
    drive_->queue(ScriptedReply::checkCondition(2, 0x04, 0x01));
    drive_->queue(ScriptedReply::good());  // second poll
    drive_->queue(ScriptedReply::good());  // the command again
    EXPECT_TRUE(seek());
    EXPECT_EQ(commands().size(), 6u);
    EXPECT_EQ(clock_->waits, (std::vector<long>{250, 100, 100, 250}));
}

TEST_F(SptiCommandCore, NotReadyForeverEndsAfterTwelvePollsPerRetry) {
    drive_->setResponder([](const scsi::RecordedCommand&, std::span<std::uint8_t>) {
        scsi::Result r;
        r.status = scsi::status::kCheckCondition;
        r.sense = scsi::Sense::make(2, 0x04, 0x00);
        return r;
    });
    EXPECT_FALSE(seek());
    std::size_t seeks = 0;
    for (const auto& c : commands()) {
        seeks += c.cdb[0] == 0x2B;
    }
    EXPECT_EQ(seeks, 6u);
    EXPECT_EQ(commands().size(), 6u + 6u * 12u * 3u);
}

TEST_F(SptiCommandCore, NoMediumPromptsUntilOkFindsADiscThenCancelStopsRetries) {
    drive_->queue(ScriptedReply::checkCondition(2, 0x3A, 0));
    drive_->queue(ScriptedReply::checkCondition(2, 0x3A, 0));
    drive_->queue(ScriptedReply::good());
    EXPECT_TRUE(seek());
    ASSERT_EQ(messages_.size(), 2u);
    EXPECT_EQ(messages_[0].id, 3010);
    EXPECT_EQ(messages_[0].buttons, MessageButtons::OkCancel);
    EXPECT_EQ(messages_[0].args, (std::vector<MessageValue>{std::string("ACME CDROM-4000")}));

    answers_ = {MessageAnswer::Ok, MessageAnswer::Cancel};
    drive_->queue(ScriptedReply::checkCondition(2, 0x3A, 0));
    drive_->queue(ScriptedReply::checkCondition(2, 0x3A, 0));
    EXPECT_FALSE(seek());
    EXPECT_EQ(device_->cancelled, 1);

    // Cancelled: a unit attention is not retried any more.
    drive_->clearCommands();
    drive_->queue(ScriptedReply::checkCondition(6, 0x28, 0));
    EXPECT_FALSE(seek());
    EXPECT_EQ(commands().size(), 1u);
}

TEST_F(SptiCommandCore, QuietDeviceIsNotPromptedAndTransportErrorsFail) {
    device_->quiet = 1;
    drive_->queue(ScriptedReply::checkCondition(2, 0x3A, 0));
    EXPECT_FALSE(seek());
    EXPECT_TRUE(messages_.empty());
    drive_->queue(ScriptedReply::transportError(EIO, "gone"));
    EXPECT_FALSE(seek());
    EXPECT_EQ(device_->senseAsc, 0);
    EXPECT_EQ(commands().size(), 2u);
}

TEST_F(SptiCommandCore, DebugLevelsLogCommandsAndFailures) {
    device_->SetDebugLevel(2);
    drive_->queue(ScriptedReply::checkCondition(5, 0x24, 0));
    EXPECT_FALSE(seek());
    EXPECT_EQ(logLines_,
              (std::vector<std::string>{"SCSI Cmd: 2b 00 00 00 00 10 00 00 00 00 ",
                                        "Command error: cmd=2b, block=16, Status=2, Sense=24 0",
                                        "Failing SCSI Cmd CDB: 2b 00 00 00 00 10 00 00 00 00 "}));
    logLines_.clear();
    device_->SetDebugLevel(0);
    drive_->queue(ScriptedReply::checkCondition(5, 0x24, 0));
    EXPECT_FALSE(seek());
    EXPECT_TRUE(logLines_.empty());
}

TEST_F(SptiCommandCore, TestUnitReadyTriesThreeTimes100msApart) {
    for (int i = 0; i < 3; ++i) {
        drive_->queue(ScriptedReply::checkCondition(2, 0x04, 0x01));
    }
    EXPECT_FALSE(device_->TestUnitReady());
    EXPECT_EQ(commands().size(), 3u);
    EXPECT_EQ(clock_->waits, (std::vector<long>{100, 100}));
    EXPECT_EQ(device_->senseAsc, 0x04);
    EXPECT_EQ(device_->senseAscq, 0x01);
    EXPECT_EQ(commands()[0].direction, scsi::Direction::None);
    drive_->queue(ScriptedReply::good());
    EXPECT_TRUE(device_->TestUnitReady());
}

TEST_F(SptiCommandCore, SenseTextFromTheStringTable) {
    device_->senseAsc = 0x11;
    device_->senseAscq = 0x05;
    EXPECT_EQ(device_->SenseText(), "\nUnrecoverable read error\nSense=11 05");
    device_->senseAsc = 0x12;
    EXPECT_EQ(device_->SenseText(), "Sense=12 05");
    EXPECT_EQ(device_->InterfaceName(), "SPT 1.0");
}

class SptiModeSelect : public testing::SptiFixture {
protected:
    void SetUp() override { openScsi2(); }
    ModeSelectOutcome select() { return device_->ModeSelect(blockLengthParameters(0, 2352)); }
};

TEST_F(SptiModeSelect, RejectedSixByteCommandFallsBackToTheTenByteFormRebuilt) {
    drive_->queue(ScriptedReply::checkCondition(5, 0x20, 0));
    drive_->queue(ScriptedReply::good());
    EXPECT_EQ(select(), ModeSelectOutcome::Accepted);
    ASSERT_EQ(commands().size(), 2u);
    EXPECT_EQ(cdb(0), (Bytes{0x15, 0x10, 0, 0, 12, 0}));
    EXPECT_EQ(sentData(0), (Bytes{0x0B, 0, 0, 8, 0, 0, 0, 0, 0, 0, 0x09, 0x30}));
    EXPECT_EQ(cdb(1), (Bytes{0x55, 0x10, 0, 0, 0, 0, 0, 0, 16, 0}));
    EXPECT_EQ(sentData(1), (Bytes{0, 0x0E, 0, 0, 0, 0, 0, 8, 0, 0, 0, 0, 0, 0, 0x09, 0x30}));
    EXPECT_EQ(device_->profile->Mode10, 1);
    EXPECT_EQ(device_->profile->modified, 1);
    EXPECT_EQ(device_->modeSelectDone, 1);

    // Once a MODE SELECT succeeded, a rejection is reported, not worked around.
    drive_->clearCommands();
    drive_->queue(ScriptedReply::checkCondition(5, 0x1A, 0));
    EXPECT_EQ(select(), ModeSelectOutcome::Rejected);
    EXPECT_EQ(commands().size(), 1u);
    ASSERT_EQ(messages_.size(), 1u);
    EXPECT_EQ(messages_[0].id, 3008);
    EXPECT_EQ(messages_[0].args,
              (std::vector<MessageValue>{std::string("ACME CDROM-4000"), std::int64_t{0x55},
                                         std::string("Sense=1a 00")}));
}

TEST_F(SptiModeSelect, LengthPrefixIsTurnedOffWhenTheDriveRejectsIt) {
    drive_->queue(ScriptedReply::checkCondition(5, 0x26, 0));
    drive_->queue(ScriptedReply::good());
    EXPECT_EQ(select(), ModeSelectOutcome::Accepted);
    EXPECT_EQ(sentData(1), (Bytes{0, 0, 0, 8, 0, 0, 0, 0, 0, 0, 0x09, 0x30}));
    EXPECT_EQ(cdb(1)[4], 12) << "the command still gives the list length";
    EXPECT_EQ(device_->profile->ModeLen, 0);
}

TEST_F(SptiModeSelect, LengthPrefixComesBackWhenTurningItOffDidNotHelp) {
    device_->quiet = 1;
    device_->SetDebugLevel(1);
    drive_->queue(ScriptedReply::checkCondition(5, 0x26, 0));
    drive_->queue(ScriptedReply::checkCondition(5, 0x26, 0));
    EXPECT_EQ(select(), ModeSelectOutcome::Rejected);
    EXPECT_EQ(commands().size(), 2u);
    EXPECT_EQ(device_->profile->ModeLen, 1);
    EXPECT_TRUE(messages_.empty()) << "quiet: logged, not shown";
    EXPECT_EQ(logLines_.back(), "Error from Mode Select (15): 2 Sense=26 00");
    EXPECT_NE(std::find(dumpTitles_.begin(), dumpTitles_.end(), "Failed Mode Select"),
              dumpTitles_.end());
}

TEST_F(SptiModeSelect, NoSenseIsRetriedFiveTimesThenFails) {
    for (int i = 0; i < 6; ++i) {
        drive_->queue(ScriptedReply::checkCondition(0, 0, 0));
    }
    EXPECT_EQ(select(), ModeSelectOutcome::Failed);
    EXPECT_EQ(commands().size(), 6u);
    EXPECT_TRUE(messages_.empty());
}

}  // namespace
}  // namespace kel::diag
