#include <gtest/gtest.h>

#include <cerrno>
#include <vector>

#include "platform/scsi/recording_transport.h"

namespace kel::scsi {
namespace {

using std::chrono::milliseconds;
using Bytes = std::vector<std::uint8_t>;

TEST(RecordingTransport, RecordsEveryCommandExactly) {
    RecordingTransport drive;
    drive.queue(ScriptedReply::good());
    drive.queue(ScriptedReply::good());

    const Bytes readToc{0x43, 0, 0, 0, 0, 0, 1, 0x08, 0x00, 0x40};
    std::vector<std::uint8_t> in(2048);
    drive.execute(readToc, Direction::In, in, milliseconds(30000));

    const Bytes modeSelect{0x55, 0x10, 0, 0, 0, 0, 0, 0, 0x14, 0};
    std::vector<std::uint8_t> list{0, 0x12, 0, 0, 0, 0, 0, 8, 1, 2, 3};
    drive.execute(modeSelect, Direction::Out, list, milliseconds(5000));

    const auto commands = drive.commands();
    ASSERT_EQ(commands.size(), 2u);
    EXPECT_EQ(commands[0].cdb, readToc);
    EXPECT_EQ(commands[0].direction, Direction::In);
    EXPECT_EQ(commands[0].bufferSize, 2048u);
    EXPECT_EQ(commands[0].timeout, milliseconds(30000));
    EXPECT_TRUE(commands[0].dataOut.empty());
    EXPECT_EQ(commands[1].cdb, modeSelect);
    EXPECT_EQ(commands[1].direction, Direction::Out);
    EXPECT_EQ(commands[1].dataOut, list);
    EXPECT_EQ(commands[1].timeout, milliseconds(5000));

    drive.clearCommands();
    EXPECT_TRUE(drive.commands().empty());
}

TEST(RecordingTransport, RepliesPlayInOrderAndRespectTheBuffer) {
    RecordingTransport drive;
    drive.queue(ScriptedReply::good({1, 2, 3, 4, 5, 6}));
    ScriptedReply shortRead = ScriptedReply::good({9, 9});
    shortRead.transferred = 100;  // a drive lying about its residual
    drive.queue(shortRead);
    drive.queue(ScriptedReply::checkCondition(0x03, 0x11, 0x00));

    const Bytes read10{0x28, 0, 0, 0, 0, 16, 0, 0, 1, 0};
    std::vector<std::uint8_t> buffer(4, 0xAA);
    const Result first = drive.execute(read10, Direction::In, buffer, milliseconds(1));
    EXPECT_TRUE(first.ok());
    EXPECT_EQ(first.transferred, 4u);
    EXPECT_EQ(buffer, (Bytes{1, 2, 3, 4}));

    const Result second = drive.execute(read10, Direction::In, buffer, milliseconds(1));
    EXPECT_EQ(second.transferred, 4u);
    EXPECT_EQ(buffer, (Bytes{9, 9, 3, 4}));

    const Result third = drive.execute(read10, Direction::In, buffer, milliseconds(1));
    EXPECT_TRUE(third.checkCondition());
    EXPECT_EQ(third.sense.key(), 0x03);
    EXPECT_EQ(third.sense.asc(), 0x11);
    EXPECT_EQ(third.transferred, 0u);
    EXPECT_EQ(drive.pendingReplies(), 0u);
}

TEST(RecordingTransport, TransportErrorAndUnscriptedCommandsFail) {
    RecordingTransport drive;
    drive.queue(ScriptedReply::transportError(ETIMEDOUT, "timed out"));
    const Bytes tur(6, 0);
    const Result timedOut = drive.execute(tur, Direction::None, {}, milliseconds(1));
    EXPECT_TRUE(timedOut.transportFailed());
    EXPECT_FALSE(timedOut.ok());
    EXPECT_FALSE(timedOut.checkCondition());
    EXPECT_EQ(timedOut.error.code, ETIMEDOUT);

    const Result unscripted = drive.execute(tur, Direction::None, {}, milliseconds(1));
    EXPECT_EQ(unscripted.error.code, ENOMSG);
    EXPECT_NE(unscripted.error.text.find("0x00"), std::string::npos);
    EXPECT_EQ(drive.commands().size(), 2u);
}

TEST(RecordingTransport, MalformedCdbIsRecordedButConsumesNoReply) {
    RecordingTransport drive;
    drive.queue(ScriptedReply::good());
    const Bytes sevenBytes{0x28, 0, 0, 0, 0, 0, 0};
    const Result bad = drive.execute(sevenBytes, Direction::None, {}, milliseconds(1));
    EXPECT_EQ(bad.error.code, EINVAL);
    EXPECT_NE(bad.error.text.find("7 bytes"), std::string::npos) << bad.error.text;
    EXPECT_EQ(drive.pendingReplies(), 1u);
    ASSERT_EQ(drive.commands().size(), 1u);
    EXPECT_EQ(drive.commands()[0].cdb, sevenBytes);

    for (std::size_t length : {6u, 10u, 12u, 16u}) {
        drive.queue(ScriptedReply::good());
        EXPECT_TRUE(drive.execute(Bytes(length, 0), Direction::None, {}, milliseconds(1)).ok())
            << length;
    }
}

TEST(RecordingTransport, ResponderAnswersOnceTheQueueIsEmpty) {
    RecordingTransport drive;
    drive.queue(ScriptedReply::checkCondition(0x06, 0x28, 0x00));
    drive.setResponder([](const RecordedCommand& command, std::span<std::uint8_t> buffer) {
        Result result;
        buffer[0] = command.cdb[2];  // echo, to prove the buffer and CDB both arrive
        result.transferred = 1;
        return result;
    });
    const Bytes cdb{0x42, 0, 0x40, 1, 0, 0, 0, 0, 16, 0};
    std::vector<std::uint8_t> buffer(16);
    EXPECT_TRUE(drive.execute(cdb, Direction::In, buffer, milliseconds(1)).checkCondition());
    const Result answered = drive.execute(cdb, Direction::In, buffer, milliseconds(1));
    EXPECT_TRUE(answered.ok());
    EXPECT_EQ(answered.transferred, 1u);
    EXPECT_EQ(buffer[0], 0x40);
}

}  // namespace
}  // namespace kel::scsi
