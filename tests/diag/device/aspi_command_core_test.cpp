// The ASPI command core: how a request block ends (aborted, host adapter
// failures, unknown statuses, refusals, requests that never complete) and
// what the drive object keeps of it.
#include <gtest/gtest.h>

#include "aspi_fake_manager.h"
#include "aspi_fixture.h"

namespace kel::diag {
namespace {

using testing::FakeOutcome;

class AspiCommandCore : public testing::AspiFixture {
protected:
    void SetUp() override {
        AspiFixture::SetUp();
        manager_.deviceTypes[{0, 0}] = aspi::kCdRomDevice;
        connect(manager_.entries());
        ASSERT_TRUE(device_->FindFirst());
        device_->debugLevel = 1;
    }
    bool seek() { return device_->Seek(100); }
    void expectSense(std::uint8_t key, std::uint8_t asc, std::uint8_t ascq) {
        EXPECT_EQ(device_->senseKey, key);
        EXPECT_EQ(device_->senseAsc, asc);
        EXPECT_EQ(device_->senseAscq, ascq);
    }
    bool logged(const std::string& line) const {
        return std::find(logLines_.begin(), logLines_.end(), line) != logLines_.end();
    }

    testing::FakeManager manager_;
};

TEST_F(AspiCommandCore, PendingBlockCompletesThroughTheEvent) {
    FakeOutcome reply;
    reply.data = {1, 2, 3};
    manager_.outcomes = {reply};
    std::vector<std::uint8_t> buffer(256);
    EXPECT_TRUE(device_->ReadSubChannel(1, 0, buffer));
    EXPECT_EQ(buffer[2], 3);
    FakeOutcome atOnce;
    atOnce.sendResult = aspi::SS_COMP;
    manager_.outcomes = {atOnce};
    EXPECT_TRUE(seek());
}

TEST_F(AspiCommandCore, AbortedBlocksAreRetriedFiveTimesThenKeepTheStatus) {
    manager_.outcomes.assign(6, FakeOutcome::ofStatus(aspi::SS_ABORTED));
    EXPECT_FALSE(seek());
    EXPECT_EQ(manager_.opcodes.size(), 6u);
    expectSense(0xFF, 0xFF, aspi::SS_ABORTED);
    EXPECT_TRUE(logged("Status returned from ASPI: 02"));

    manager_.outcomes = {FakeOutcome::ofStatus(0x81)};
    EXPECT_FALSE(seek());
    expectSense(0xFF, 0xFF, 0x81);
}

TEST_F(AspiCommandCore, HostAdapterFailuresAreRetriedThenTheDeviceReset) {
    manager_.outcomes.assign(6, FakeOutcome::ofStatus(aspi::SS_ERR, 0x11));
    EXPECT_FALSE(seek());
    EXPECT_EQ(manager_.opcodes.size(), 6u);
    EXPECT_EQ(manager_.resets, 1);
    EXPECT_TRUE(logged("Host Adapter status error: 11"));

    manager_.opcodes.clear();
    manager_.outcomes = {FakeOutcome::ofStatus(aspi::SS_ERR, aspi::HASTAT_COMMAND_TIMEOUT)};
    EXPECT_FALSE(seek());
    EXPECT_EQ(manager_.opcodes.size(), 1u) << "a time-out is not retried";
    EXPECT_EQ(manager_.resets, 1);

    // The sense of an earlier command (a recovered error, which a scan may
    // accept) never stands for a read that did not reach the drive.
    device_->senseKey = 1;
    device_->senseAsc = 0x17;
    device_->errorClassifying = 1;
    device_->acceptRecovered = 1;
    manager_.outcomes.assign(6, FakeOutcome::ofStatus(aspi::SS_ERR, 0x11));
    std::vector<std::uint8_t> sector(2048);
    EXPECT_FALSE(device_->ReadSectors(16, sector, 1));
    expectSense(0xFF, 0xFF, 0x11);
    EXPECT_EQ(device_->lastErrorClass, CdDevice::kOtherError);
    EXPECT_EQ(manager_.resets, 2);
}

// A command the drive never answered leaves a sense that says why, never
// the previous command's.
TEST_F(AspiCommandCore, RefusedAndTimedOutBlocksLeaveASenseThatSaysSo) {
    device_->senseAsc = 0x11;
    FakeOutcome refused;
    refused.sendResult = aspi::SS_NO_SUCH_DEVICE;
    manager_.outcomes = {refused};
    EXPECT_FALSE(seek());
    expectSense(0xFF, 0xFF, aspi::SS_NO_SUCH_DEVICE);
    EXPECT_TRUE(logged("Initial failure returned by 2b command, error=92"));

    manager_.outcomes = {FakeOutcome::ofStatus(aspi::SS_ERR, aspi::HASTAT_COMMAND_TIMEOUT)};
    EXPECT_FALSE(seek());
    expectSense(0xFF, 0xFF, aspi::HASTAT_COMMAND_TIMEOUT);
}

class AspiTimeouts : public AspiCommandCore {
protected:
    void SetUp() override {
        AspiCommandCore::SetUp();
        auto access = std::make_shared<AspiAccess>(*access_);
        access->commandTimeout = std::chrono::milliseconds{20};
        device_ = std::make_unique<AspiDevice>(access);
        attachCallbacks(*device_);
        ASSERT_TRUE(device_->FindFirst());
        device_->debugLevel = 1;
        FakeOutcome stuck;
        stuck.signal = false;
        manager_.outcomes = {stuck};
    }
};

TEST_F(AspiTimeouts, BlockThatNeverCompletesTimesOutWithABusReset) {
    EXPECT_FALSE(seek());
    EXPECT_EQ(manager_.resets, 1);
    EXPECT_TRUE(logged("Timeout on ASPI request after 2 minutes for 0:0"));
    expectSense(0xFF, 0xFF, aspi::HASTAT_COMMAND_TIMEOUT);
    EXPECT_TRUE(seek()) << "the next command starts afresh";
}

// A command of another device, sent (as from another thread) between this
// command's completion and its wait, leaves this command completed.
TEST_F(AspiTimeouts, AnotherDevicesCommandLeavesThisOneCompleted) {
    manager_.outcomes.clear();
    std::unique_ptr<CdDevice> other = device_->Clone();
    manager_.afterCommand = [&] { EXPECT_TRUE(other->Seek(7)); };
    EXPECT_TRUE(seek());
    EXPECT_EQ(manager_.opcodes.size(), 2u);
    EXPECT_EQ(manager_.resets, 0);
}

// The reset after a time-out may hang or be refused too: every wait ends,
// and the timed-out block stays alive for the manager that still holds it.
TEST_F(AspiTimeouts, AResetThatHangsOrIsRefusedEndsAndTheBlockOutlivesIt) {
    for (std::uint32_t reset : {std::uint32_t{aspi::SS_PENDING}, std::uint32_t{aspi::SS_ERR}}) {
        manager_.resetResult = reset;
        FakeOutcome stuck;
        stuck.signal = false;
        manager_.outcomes = {stuck};
        EXPECT_FALSE(seek()) << reset;
        ASSERT_FALSE(manager_.held.empty());
        // The manager comes back to the blocks it held.
        manager_.finishHeld();
    }
    EXPECT_EQ(manager_.resets, 2);
    manager_.resetResult = aspi::SS_COMP;
    EXPECT_TRUE(seek());
}

TEST_F(AspiCommandCore, DriveSenseIsKeptOnlyWhenErrorsAreHandled) {
    manager_.outcomes = {FakeOutcome::senseOf(5, 0x24, 0)};
    DeviceCommand command{seekCommand(7), scsi::Direction::None, {}, {}};
    EXPECT_FALSE(device_->ExecuteCommand(command, false));
    expectSense(0, 0, 0);
    EXPECT_EQ(command.end.senseAsc, 0x24) << "the command itself still tells";
    manager_.outcomes = {FakeOutcome::senseOf(5, 0x24, 0)};
    EXPECT_FALSE(device_->ExecuteCommand(command, true));
    expectSense(5, 0x24, 0);
    EXPECT_TRUE(logged("Failing SCSI Cmd CDB: 2b 00 00 00 00 07 00 00 00 00 "));
}

TEST_F(AspiCommandCore, CancelledNoMediaPromptEndsLaterRetriesAtOnce) {
    answers_ = {MessageAnswer::Cancel};
    manager_.outcomes = {FakeOutcome::senseOf(2, 0x3A, 0)};
    EXPECT_FALSE(seek());
    ASSERT_EQ(messages_.size(), 1u);
    EXPECT_EQ(messages_[0].id, 3010);
    EXPECT_EQ(device_->cancelled, 1);

    manager_.opcodes.clear();
    manager_.outcomes = {FakeOutcome::ofStatus(aspi::SS_ABORTED),
                         FakeOutcome::ofStatus(aspi::SS_COMP)};
    EXPECT_FALSE(seek());
    EXPECT_EQ(manager_.opcodes.size(), 1u);
    manager_.outcomes = {FakeOutcome::senseOf(6, 0x28, 0), FakeOutcome::ofStatus(aspi::SS_COMP)};
    EXPECT_FALSE(seek());
    EXPECT_EQ(manager_.opcodes.size(), 2u);
}

// Replies shorter than the buffer come as an underrun: the drive answered
// in full.
TEST_F(AspiCommandCore, AnUnderrunIsAShortReplyAndAnOverrunAFailure) {
    FakeOutcome shortReply = FakeOutcome::ofStatus(aspi::SS_ERR, aspi::HASTAT_DO_DU);
    shortReply.data = {1, 2, 3, 4};
    manager_.outcomes = {shortReply};
    std::vector<std::uint8_t> buffer(256);
    EXPECT_TRUE(device_->ReadSubChannel(1, 0, buffer));
    EXPECT_EQ(buffer[3], 4);
    EXPECT_EQ(manager_.opcodes.size(), 1u) << "taken as it came, not retried";

    FakeOutcome overrun = FakeOutcome::ofStatus(aspi::SS_ERR, aspi::HASTAT_DO_DU);
    overrun.data.assign(256, 7);
    manager_.outcomes.assign(6, overrun);
    EXPECT_FALSE(device_->ReadSubChannel(1, 0, buffer));
    EXPECT_EQ(manager_.resets, 1);
}

TEST_F(AspiCommandCore, SeekNamesTheDataInDirection) {
    EXPECT_TRUE(seek());
    EXPECT_EQ(manager_.flags, std::vector<std::uint8_t>{0x48});
}

TEST_F(AspiCommandCore, SenseTextAndTestUnitReady) {
    manager_.outcomes.assign(3, FakeOutcome::senseOf(2, 0x04, 0x01));
    EXPECT_FALSE(device_->TestUnitReady());
    EXPECT_EQ(clock_->waits, (std::vector<long>{100, 100}));
    EXPECT_EQ(device_->SenseText(), "\nUnit not ready\nSense=04 01");
    device_->senseAsc = 0x3B;
    EXPECT_EQ(device_->SenseText(), "Sense=3b 01");
    EXPECT_TRUE(messages_.empty()) << "readiness checks show nothing";
}

}  // namespace
}  // namespace kel::diag
