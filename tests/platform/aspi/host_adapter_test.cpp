// The manager over scripted drives: what it reports of its adapter and
// targets, how a command ends (data, sense, over- and underruns, a drive
// that hangs), posted requests and resets, and the blocks a careless or
// hostile program hands it.
#include "platform/aspi/host_adapter.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <cstdio>
#include <mutex>

#include "platform/aspi/completion_event.h"
#include "platform/scsi/recording_transport.h"

namespace kel::aspi {
namespace {

using scsi::RecordingTransport;
using scsi::ScriptedReply;

using scsi::SharedTransport;

TargetOpener openerOf(std::shared_ptr<scsi::Transport> drive) {
    return [drive] { return std::make_unique<SharedTransport>(drive); };
}

// A drive that holds each command until the test lets it go.
class HeldDrive final : public scsi::Transport {
public:
    scsi::Result execute(std::span<const std::uint8_t> cdb, scsi::Direction,
                         std::span<std::uint8_t> buffer, std::chrono::milliseconds) override {
        std::unique_lock lock(mutex_);
        opcodes_.push_back(cdb[0]);
        ++arrived_;
        changed_.notify_all();
        changed_.wait(lock, [this] { return released_ > 0; });
        --released_;
        std::fill(buffer.begin(), buffer.end(), 0xAB);
        scsi::Result result;
        result.transferred = buffer.size();
        return result;
    }
    void waitForArrivals(int count) {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [&] { return arrived_ >= count; });
    }
    void release(int count) {
        std::lock_guard lock(mutex_);
        released_ += count;
        changed_.notify_all();
    }
    std::vector<std::uint8_t> opcodes() {
        std::lock_guard lock(mutex_);
        return opcodes_;
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    int arrived_ = 0;
    int released_ = 0;
    std::vector<std::uint8_t> opcodes_;
};

std::uint8_t statusOf(const SrbHead& head) {
    return std::atomic_ref<const std::uint8_t>(head.SRB_Status).load();
}

class HostAdapterTest : public ::testing::Test {
protected:
    SrbExecScsiCmd command(std::uint8_t opcode, std::uint8_t flags, std::span<std::uint8_t> buffer,
                           std::uint8_t target = 0) {
        auto srb = makeRequest<SrbExecScsiCmd>(SC_EXEC_SCSI_CMD, 0);
        srb.head.SRB_Flags = flags;
        srb.SRB_Target = target;
        srb.SRB_CDBLen = 10;
        srb.SRB_SenseLen = 14;
        srb.SRB_BufLen = static_cast<std::uint32_t>(buffer.size());
        srb.SRB_BufPointer = buffer.data();
        srb.SRB_PostProc = event_.handle();
        srb.CDBByte[0] = opcode;
        return srb;
    }
    // Sends a posted block and waits for its end.
    std::uint32_t run(HostAdapter& adapter, SrbHead& head) {
        event_.reset();
        const std::uint32_t sent = adapter.send(&head);
        if (sent != SS_PENDING) {
            return sent;
        }
        return waitForEnd(head);
    }
    // Waits for a posted block that was already sent; its status at the end,
    // or SS_PENDING when its event does not come.
    std::uint8_t waitForEnd(const SrbHead& head) {
        while (statusOf(head) == SS_PENDING) {
            if (!event_.wait(std::chrono::seconds(10))) {
                ADD_FAILURE() << "the block did not end";
                break;
            }
            event_.reset();
        }
        return statusOf(head);
    }

    std::shared_ptr<RecordingTransport> drive_ = std::make_shared<RecordingTransport>();
    HostAdapter adapter_{{openerOf(drive_)}};
    CompletionEvent event_;
    std::vector<std::uint8_t> buffer_ = std::vector<std::uint8_t>(64);
};

TEST_F(HostAdapterTest, OneAdapterItsTargetsAndTheirTypes) {
    EXPECT_EQ(adapter_.supportInfo(), std::uint32_t{SS_COMP} << 8 | 1);
    EXPECT_EQ(HostAdapter({}).supportInfo() >> 8, SS_NO_ADAPTERS);

    auto inquiry = makeRequest<SrbHaInquiry>(SC_HA_INQUIRY, 0);
    EXPECT_EQ(adapter_.send(&inquiry), SS_COMP);
    EXPECT_EQ(inquiry.HA_Count, 1);
    EXPECT_EQ(inquiry.HA_Unique[3], 8);
    inquiry.head.SRB_HaId = 1;
    EXPECT_EQ(adapter_.send(&inquiry), SS_NO_SUCH_ADAPTER);

    std::vector<std::uint8_t> cdRom(36);
    cdRom[0] = kCdRomDevice;
    drive_->queue(ScriptedReply::good(cdRom));
    auto type = makeRequest<SrbGetDevType>(SC_GET_DEV_TYPE, 0);
    EXPECT_EQ(adapter_.send(&type), SS_COMP);
    EXPECT_EQ(type.SRB_DeviceType, kCdRomDevice);
    EXPECT_EQ(adapter_.send(&type), SS_COMP) << "learnt once";
    EXPECT_EQ(drive_->commands().size(), 1u);
    type.SRB_Target = 1;
    EXPECT_EQ(adapter_.send(&type), SS_NO_SUCH_DEVICE);
}

TEST_F(HostAdapterTest, CommandsEndWithTheDriveData) {
    std::vector<std::uint8_t> reply(64, 0x5A);
    drive_->queue(ScriptedReply::good(reply));
    SrbExecScsiCmd srb = command(0x28, SRB_DIR_IN | SRB_EVENT_NOTIFY, buffer_);
    EXPECT_EQ(run(adapter_, srb.head), SS_COMP);
    EXPECT_EQ(srb.SRB_Transferred, 64u);
    EXPECT_EQ(buffer_, reply);

    drive_->queue(ScriptedReply::checkCondition(5, 0x21, 0));
    srb = command(0x28, SRB_DIR_IN | SRB_EVENT_NOTIFY, buffer_);
    EXPECT_EQ(run(adapter_, srb.head), SS_ERR);
    EXPECT_EQ(srb.SRB_HaStat, HASTAT_OK);
    EXPECT_EQ(srb.SRB_TargStat, scsi::status::kCheckCondition);
    EXPECT_EQ(srb.SenseArea[2], 5);
    EXPECT_EQ(srb.SenseArea[12], 0x21);

    // Not posted: the block is done when send returns.
    drive_->queue(ScriptedReply::good());
    srb = command(0x2B, 0, {});
    EXPECT_EQ(adapter_.send(&srb), SS_COMP);
    EXPECT_EQ(drive_->commands().back().direction, scsi::Direction::None);
}

// A transfer short of the buffer, or a drive that had more than the buffer
// held, is never a plain completion.
TEST_F(HostAdapterTest, OverAndUnderrunsHaveTheirOwnStatus) {
    const std::vector<std::uint8_t> reply(36, 0x11);
    struct Case {
        std::size_t buffer;
        std::uint8_t flags;
        std::uint32_t transferred;
    };
    const Case cases[] = {{64, SRB_DIR_IN, 36}, {10, SRB_DIR_IN, 10}, {0, 0, 0}};
    for (const Case& c : cases) {
        drive_->queue(ScriptedReply::good(reply));
        std::vector<std::uint8_t> buffer(c.buffer);
        SrbExecScsiCmd srb = command(0x12, c.flags | SRB_EVENT_NOTIFY, buffer);
        EXPECT_EQ(run(adapter_, srb.head), SS_ERR) << c.buffer;
        EXPECT_EQ(srb.SRB_HaStat, HASTAT_DO_DU) << c.buffer;
        EXPECT_EQ(srb.SRB_TargStat, scsi::status::kGood);
        EXPECT_EQ(srb.SRB_Transferred, c.transferred);
    }
    drive_->queue(ScriptedReply::good(reply));
    std::vector<std::uint8_t> exact(36);
    SrbExecScsiCmd srb = command(0x12, SRB_DIR_IN | SRB_EVENT_NOTIFY, exact);
    EXPECT_EQ(run(adapter_, srb.head), SS_COMP);
}

// A drive that hangs ends as a time-out of the command, well before the two
// minutes a program waits for a posted request.
TEST_F(HostAdapterTest, ADriveThatHangsEndsAsACommandTimeout) {
    drive_->queue(ScriptedReply::transportError(ETIMEDOUT, "timed out"));
    SrbExecScsiCmd srb = command(0x28, SRB_DIR_IN | SRB_EVENT_NOTIFY, buffer_);
    EXPECT_EQ(run(adapter_, srb.head), SS_ERR);
    EXPECT_EQ(srb.SRB_HaStat, HASTAT_COMMAND_TIMEOUT);
    EXPECT_LT(drive_->commands().back().timeout, std::chrono::minutes(2));
    EXPECT_EQ(drive_->commands().back().timeout, HostAdapter::kCommandTimeout);

    drive_->queue(ScriptedReply::transportError(EIO, "gone"));
    srb = command(0x28, SRB_DIR_IN | SRB_EVENT_NOTIFY, buffer_);
    EXPECT_EQ(run(adapter_, srb.head), SS_ERR);
    EXPECT_EQ(srb.SRB_HaStat, HASTAT_TRANSPORT_FAILURE);

    HostAdapter unreachable({[]() -> std::unique_ptr<scsi::Transport> { return nullptr; }});
    srb = command(0x28, SRB_DIR_IN | SRB_EVENT_NOTIFY, buffer_);
    EXPECT_EQ(run(unreachable, srb.head), SS_ERR);
    EXPECT_EQ(srb.SRB_HaStat, HASTAT_TRANSPORT_FAILURE);
}

// A drive that went away is opened afresh for the next command and answers
// again once it is back; a drive that merely timed out is not reopened.
TEST_F(HostAdapterTest, ADriveThatWentAwayIsOpenedAgainForTheNextCommand) {
    auto gone = std::make_shared<RecordingTransport>();
    auto back = std::make_shared<RecordingTransport>();
    std::vector<std::shared_ptr<RecordingTransport>> opened;
    HostAdapter adapter({[&]() -> std::unique_ptr<scsi::Transport> {
        opened.push_back(opened.empty() ? gone : back);
        return std::make_unique<SharedTransport>(opened.back());
    }});
    gone->queue(ScriptedReply::transportError(ETIMEDOUT, "timed out"));
    gone->queue(ScriptedReply::transportError(ENODEV, "no such device"));
    back->queue(ScriptedReply::good(std::vector<std::uint8_t>(64, 0x5A)));
    const std::uint8_t ends[][2] = {
        {SS_ERR, HASTAT_COMMAND_TIMEOUT}, {SS_ERR, HASTAT_TRANSPORT_FAILURE}, {SS_COMP, HASTAT_OK}};
    for (const auto& [status, haStat] : ends) {
        SrbExecScsiCmd srb = command(0x28, SRB_DIR_IN | SRB_EVENT_NOTIFY, buffer_);
        EXPECT_EQ(run(adapter, srb.head), status);
        EXPECT_EQ(srb.SRB_HaStat, haStat);
    }
    EXPECT_EQ(opened.size(), 2u);
    EXPECT_EQ(back->commands().size(), 1u);
}

// A reset posted behind a command completes only once that command has.
TEST_F(HostAdapterTest, APostedResetWaitsForTheCommandBeforeIt) {
    auto held = std::make_shared<HeldDrive>();
    HostAdapter adapter({openerOf(held)});
    SrbExecScsiCmd srb = command(0x28, SRB_DIR_IN | SRB_EVENT_NOTIFY, buffer_);
    EXPECT_EQ(adapter.send(&srb), SS_PENDING);
    held->waitForArrivals(1);
    auto reset = makeRequest<SrbResetDev>(SC_RESET_DEV, 0);
    reset.head.SRB_Flags = SRB_EVENT_NOTIFY;
    reset.SRB_PostProc = event_.handle();
    EXPECT_EQ(adapter.send(&reset), SS_PENDING);
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_EQ(statusOf(reset.head), SS_PENDING);
    held->release(1);
    waitForEnd(reset.head);
    EXPECT_EQ(statusOf(srb.head), SS_COMP);
    EXPECT_EQ(statusOf(reset.head), SS_COMP);
}

// What a request asks is taken when it is accepted: a block changed and
// sent again while its request still waits is refused, its status left as
// the pending request's, and the request runs as it was accepted.
TEST_F(HostAdapterTest, ABlockSentAgainWhilePendingIsRefusedAndLeftAlone) {
    auto held = std::make_shared<HeldDrive>();
    HostAdapter adapter({openerOf(held)});
    SrbExecScsiCmd first = command(0x00, SRB_EVENT_NOTIFY, {});
    EXPECT_EQ(adapter.send(&first), SS_PENDING);
    held->waitForArrivals(1);  // the target's thread is busy with it

    SrbExecScsiCmd srb = command(0x28, SRB_DIR_IN | SRB_EVENT_NOTIFY, buffer_);
    EXPECT_EQ(adapter.send(&srb), SS_PENDING);
    EXPECT_EQ(adapter.send(&srb), SS_BAD_REQUEST) << "the same block, unchanged";
    srb.SRB_Target = 200;
    srb.SRB_CDBLen = 255;
    srb.SRB_BufLen = 1u << 30;
    srb.CDBByte[0] = 0xAA;
    EXPECT_EQ(adapter.send(&srb), SS_BAD_REQUEST);
    EXPECT_EQ(statusOf(srb.head), SS_PENDING);
    held->release(2);
    waitForEnd(srb.head);
    EXPECT_EQ(statusOf(srb.head), SS_COMP);
    EXPECT_EQ(srb.SRB_Transferred, 64u);
    EXPECT_EQ(held->opcodes(), (std::vector<std::uint8_t>{0x00, 0x28}));
    srb = command(0x2B, SRB_EVENT_NOTIFY, {});
    held->release(1);
    EXPECT_EQ(run(adapter, srb.head), SS_COMP) << "taken again once it ended";
}

// Each target has its own queue: a drive that hangs holds up only its own
// requests.
TEST_F(HostAdapterTest, AHangingDriveHoldsUpOnlyItsOwnTarget) {
    auto hanging = std::make_shared<HeldDrive>();
    auto other = std::make_shared<RecordingTransport>();
    HostAdapter adapter({openerOf(hanging), openerOf(other)});
    // Lets the drive go however the case ends, before the adapter goes.
    std::shared_ptr<void> letGo(nullptr, [&hanging](void*) { hanging->release(10); });
    SrbExecScsiCmd stuck = command(0x28, SRB_DIR_IN | SRB_EVENT_NOTIFY, buffer_, 0);
    EXPECT_EQ(adapter.send(&stuck), SS_PENDING);
    hanging->waitForArrivals(1);
    other->queue(ScriptedReply::good(std::vector<std::uint8_t>(64, 0x5A)));
    std::vector<std::uint8_t> data(64);
    CompletionEvent otherEvent;
    SrbExecScsiCmd srb = command(0x28, SRB_DIR_IN | SRB_EVENT_NOTIFY, data, 1);
    srb.SRB_PostProc = otherEvent.handle();
    EXPECT_EQ(adapter.send(&srb), SS_PENDING);
    ASSERT_TRUE(otherEvent.wait(std::chrono::seconds(10))) << "held up by another target";
    EXPECT_EQ(statusOf(srb.head), SS_COMP);
    auto type = makeRequest<SrbGetDevType>(SC_GET_DEV_TYPE, 0);
    type.SRB_Target = 1;
    std::vector<std::uint8_t> cdRom(36);
    cdRom[0] = kCdRomDevice;
    other->queue(ScriptedReply::good(cdRom));
    EXPECT_EQ(adapter.send(&type), SS_COMP) << "not posted: still only its own target's wait";
    EXPECT_EQ(statusOf(stuck.head), SS_PENDING);
    hanging->release(1);
    waitForEnd(stuck.head);
    EXPECT_EQ(statusOf(stuck.head), SS_COMP);
}

// A request ends at its bound whatever the drive does; the drive's late
// answer never reaches the block or its buffer, and a request that waited
// behind it past its own bound is not sent at all.
TEST_F(HostAdapterTest, ATimeOutEndsTheBlockAtItsBound) {
    auto held = std::make_shared<HeldDrive>();
    HostAdapter adapter({openerOf(held)}, std::chrono::milliseconds(20));
    SrbExecScsiCmd srb = command(0x28, SRB_DIR_IN | SRB_EVENT_NOTIFY, buffer_);
    EXPECT_EQ(run(adapter, srb.head), SS_ERR);
    EXPECT_EQ(srb.SRB_HaStat, HASTAT_COMMAND_TIMEOUT);
    EXPECT_EQ(srb.SRB_Transferred, 0u);
    held->waitForArrivals(1);
    SrbExecScsiCmd queued = command(0x2B, SRB_EVENT_NOTIFY, {});
    EXPECT_EQ(run(adapter, queued.head), SS_ERR);
    EXPECT_EQ(queued.SRB_HaStat, HASTAT_COMMAND_TIMEOUT);
    auto reset = makeRequest<SrbResetDev>(SC_RESET_DEV, 0);
    EXPECT_EQ(adapter.send(&reset), SS_ERR) << "not posted, and still bounded";

    held->release(3);
    srb = command(0x00, SRB_EVENT_NOTIFY, {});
    HostAdapter patient({openerOf(held)});
    EXPECT_EQ(run(patient, srb.head), SS_COMP);
    EXPECT_EQ(held->opcodes(), (std::vector<std::uint8_t>{0x28, 0x00})) << "nothing sent late";
    EXPECT_TRUE(std::all_of(buffer_.begin(), buffer_.end(), [](std::uint8_t b) { return b == 0; }))
        << "the late answer stayed in the manager";
}

TEST_F(HostAdapterTest, BadBlocksAreRefusedBeforeAnythingRuns) {
    std::vector<std::uint8_t> data(16);
    SrbExecScsiCmd srb = command(0x28, SRB_EVENT_NOTIFY, data);
    EXPECT_EQ(adapter_.send(&srb), SS_BAD_REQUEST) << "a buffer without a direction";
    srb = command(0x28, SRB_DIR_IN | SRB_DIR_OUT | SRB_EVENT_NOTIFY, data);
    EXPECT_EQ(adapter_.send(&srb), SS_BAD_REQUEST);
    srb = command(0x28, SRB_DIR_IN | SRB_EVENT_NOTIFY, data);
    srb.SRB_BufPointer = nullptr;
    EXPECT_EQ(adapter_.send(&srb), SS_BAD_REQUEST);
    srb = command(0x28, SRB_DIR_IN | SRB_EVENT_NOTIFY, data);
    srb.SRB_CDBLen = 7;
    EXPECT_EQ(adapter_.send(&srb), SS_BAD_REQUEST);
    srb = command(0x28, SRB_DIR_IN | SRB_EVENT_NOTIFY, data);
    srb.SRB_SenseLen = kSenseAreaBytes + 1;
    EXPECT_EQ(adapter_.send(&srb), SS_BAD_REQUEST);
    srb = command(0x28, SRB_DIR_IN | SRB_EVENT_NOTIFY, data);
    srb.head.SRB_Length = sizeof srb - 1;
    EXPECT_EQ(adapter_.send(&srb), SS_BAD_REQUEST);
    srb = command(0x28, SRB_DIR_IN | SRB_EVENT_NOTIFY, data, 9);
    EXPECT_EQ(adapter_.send(&srb), SS_NO_SUCH_DEVICE);
    EXPECT_EQ(adapter_.send(nullptr), SS_BAD_REQUEST);
    EXPECT_TRUE(drive_->commands().empty());
}

// Only an event descriptor is ever signalled: a notify naming standard
// input, standard output, or any other open file is refused.
TEST_F(HostAdapterTest, ANotifyThatIsNoEventIsRefused) {
    std::FILE* file = std::tmpfile();
    ASSERT_NE(file, nullptr);
    int pipeEnds[2];
    ASSERT_EQ(::pipe(pipeEnds), 0);
    for (std::int64_t descriptor :
         {std::int64_t{0}, std::int64_t{1}, std::int64_t{::fileno(file)}, std::int64_t{pipeEnds[1]},
          std::int64_t{-1}, std::int64_t{1} << 40}) {
        SrbExecScsiCmd srb = command(0x00, SRB_EVENT_NOTIFY, {});
        srb.SRB_PostProc = descriptor;
        EXPECT_EQ(adapter_.send(&srb), SS_BAD_REQUEST) << descriptor;
        auto reset = makeRequest<SrbResetDev>(SC_RESET_DEV, 0);
        reset.head.SRB_Flags = SRB_EVENT_NOTIFY;
        reset.SRB_PostProc = descriptor;
        EXPECT_EQ(adapter_.send(&reset), SS_BAD_REQUEST) << descriptor;
        signalCompletion(descriptor);
    }
    EXPECT_EQ(std::ftell(file), 0);
    std::fseek(file, 0, SEEK_END);
    EXPECT_EQ(std::ftell(file), 0) << "nothing was written into the file";
    char byte = 0;
    ::close(pipeEnds[1]);
    EXPECT_EQ(::read(pipeEnds[0], &byte, 1), 0) << "nothing went into the pipe";
    ::close(pipeEnds[0]);
    std::fclose(file);
    EXPECT_TRUE(drive_->commands().empty());
    EXPECT_TRUE(isCompletionEvent(event_.handle()));
}

}  // namespace
}  // namespace kel::aspi
