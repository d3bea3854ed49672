// The request groups against a scripted drive: reply lines and the commands
// that reached the drive.
#include <gtest/gtest.h>

#include <algorithm>

#include "fake_drive.h"
#include "server/sense_code_names.h"
#include "server_test_rig.h"

namespace kel::server::testing {
namespace {

using Lines = std::vector<std::string>;
using Bytes = std::vector<std::uint8_t>;

class Requests : public ::testing::Test {
protected:
    void SetUp() override { drive.attach(rig.drive(0)); }

    const scsi::RecordedCommand& lastWith(std::uint8_t opcode) {
        static scsi::RecordedCommand none;
        commands = rig.drive(0).commands();
        for (auto it = commands.rbegin(); it != commands.rend(); ++it) {
            if (it->cdb[0] == opcode) {
                return *it;
            }
        }
        ADD_FAILURE() << "no command " << int(opcode);
        return none;
    }

    ServerRig rig;
    FakeDrive drive;
    std::vector<scsi::RecordedCommand> commands;
};

TEST_F(Requests, PlaySendsFrameCountsAsMsfWithoutOffset) {
    EXPECT_EQ(rig.request({"5404", "0", "4500", "9000"}), (Lines{"5404", "2"}));
    EXPECT_EQ(lastWith(0x47).cdb, (Bytes{0x47, 0, 0, 1, 0, 0, 2, 0, 0, 0}));
    EXPECT_EQ(rig.form->Edit1, "_audio_run_play");
}

TEST_F(Requests, FailedCallsAddTheirStatusBeforeTheCountLine) {
    drive.failing[0x4B] = {5, 0x2C, 0x00};
    EXPECT_EQ(rig.request({"5425", "0"}), (Lines{"5425", "11264", "2"}));  // pause
    EXPECT_EQ(rig.form->Edit1, "_audio_run_resume");
    drive.failing[0x1B] = {2, 0x3A, 0x00};
    EXPECT_EQ(rig.request({"13585", "0"}), (Lines{"13585", "14848", "2"}));  // eject
    drive.failing[0x1E] = {5, 0x53, 0x02};
    EXPECT_EQ(rig.request({"13593", "0"}), (Lines{"13593", "21250", "2"}));  // lock
}

TEST_F(Requests, StatusWithoutSenseCodeStaysAboveTheSenseRange) {
    drive.failing[0x1B] = {6, 0, 0};
    Lines reply = rig.request({"13577", "0"});  // load
    ASSERT_EQ(reply.size(), 3u);
    EXPECT_EQ(std::stoul(reply[1]), tolscsi::status::kSenseKeyOnly + 6);
    // A device that is not configured at all.
    reply = rig.request({"13577", "4"});
    ASSERT_EQ(reply.size(), 3u);
    EXPECT_EQ(std::stoul(reply[1]), tolscsi::status::kNoDevice);
}

TEST_F(Requests, SeekAnswersThePositionOrThreeLinesOnFailure) {
    drive.absoluteLba = 1234;
    EXPECT_EQ(rig.request({"5409", "0", "1234"}), (Lines{"5409", "1234", "3"}));
    EXPECT_EQ(lastWith(0x2B).cdb, (Bytes{0x2B, 0, 0, 0, 0x04, 0xD2, 0, 0, 0, 0}));
    drive.failing[0x2B] = {5, 0x21, 0x00};
    EXPECT_EQ(rig.request({"5409", "0", "99999"}), (Lines{"5409", "8448", "2"}));
}

TEST_F(Requests, QueryChannelAnswersFourteenValuesFromTheDrive) {
    drive.audioStatus = 0x11;
    drive.absoluteLba = 4500 - 150;  // 01:00:00
    drive.relativeLba = 75;          // 00:01:00 into the track
    Lines reply = rig.request({"4871", "0"});
    EXPECT_EQ(reply, (Lines{"4871", "0", "1", "1", "0", "1", "0", "0", "1", "0", "0", "4350", "75",
                            "1", "17", "16"}));
}

TEST_F(Requests, QueryChannelKeepsEachDevicesOwnPosition) {
    ServerRig two(2);
    FakeDrive first, second;
    first.absoluteLba = 300;
    first.attach(two.drive(0));
    second.attach(two.drive(1));
    ASSERT_EQ(two.request({"4871", "0"})[11], "300");
    // The second device's position query fails: its values stay its own (zero).
    second.failing[0x42] = {2, 0x3A, 0};
    Lines reply = two.request({"4871", "1"});
    EXPECT_EQ(reply[11], "0");
    EXPECT_EQ(reply[14], "255");  // the failed status query
}

TEST_F(Requests, TableOfContentsWalksOnlyTheEntriesTheDriveReturned) {
    // The header promises tracks 1 to 17, but the drive returns four
    // descriptors (three tracks and the lead-out): the walk stops there
    // instead of reading zero-filled descriptors as tracks.
    drive.tracks = {{1, 4, 0}, {2, 0, 10000}, {17, 2, 20000}};
    drive.leadOut = 30000;
    Lines reply = rig.request({"8490", "0"});
    ASSERT_EQ(reply.size(), 22u);
    EXPECT_EQ(reply[3], "17");
    EXPECT_EQ(Lines(reply.begin() + 17, reply.end()), (Lines{"170", "30000", "4", "1", "22"}));
}

TEST_F(Requests, TableOfContentsOfThreeTracksHasEighteenLines) {
    drive.tracks = {{1, 4, 0}, {2, 0, 10000}, {3, 2, 20000}};
    drive.leadOut = 30000;
    EXPECT_EQ(rig.request({"8490", "0"}),
              (Lines{"8490", "1", "3", "3", "30000", "1", "0", "4", "1", "2", "10000", "0", "1",
                     "3", "20000", "2", "1", "18"}));
}

TEST_F(Requests, TableOfContentsFailureRepeatsTheStatus) {
    drive.failing[0x43] = {2, 0x3A, 0x00};
    EXPECT_EQ(rig.request({"8490", "0"}), (Lines{"8490", "0", "0", "0", "14848", "14848", "6"}));
}

TEST_F(Requests, RawSectorOnAnMmcDriveUsesReadCd) {
    rig.request({"9226", "0", "16", "0"});
    EXPECT_EQ(lastWith(0xBE).cdb, (Bytes{0xBE, 0, 0, 0, 0, 16, 0, 0, 1, 0xF8, 0, 0}));
    EXPECT_EQ(lastWith(0xBE).bufferSize, 2352u);
    ASSERT_EQ(rig.lastReply().size(), 2352u);
    EXPECT_EQ(rig.lastReply()[1], 8);
}

TEST_F(Requests, RawSectorOnAnOlderDriveUsesReadLongAndRestoresTheBlockLength) {
    drive.version = 2;
    drive.failing[0x3E] = {5, 0x20, 0};
    rig.request({"9226", "0", "16", "0"});
    ASSERT_EQ(rig.lastReply().size(), 2352u);
    commands = rig.drive(0).commands();
    std::vector<std::uint8_t> opcodes;
    for (const auto& c : commands) {
        opcodes.push_back(c.cdb[0]);
    }
    // The fallback switches to 2352-byte blocks for READ(10), then back.
    auto read = std::find(opcodes.begin(), opcodes.end(), 0x28);
    ASSERT_NE(read, opcodes.end());
    ASSERT_NE(std::find(read, opcodes.end(), 0x15), opcodes.end());
    const auto& restore = lastWith(0x15);
    ASSERT_EQ(restore.dataOut.size(), 12u);
    EXPECT_EQ(restore.dataOut[10], 0x08);
    EXPECT_EQ(restore.dataOut[11], 0x00);
}

TEST_F(Requests, RawAndAudioRunsLeaveTheDriveAtCookedBlocks) {
    for (std::uint8_t version : {0, 2}) {
        drive.version = version;
        for (const char* code : {"9263", "9264"}) {
            SCOPED_TRACE(std::string(code) + " on version " + std::to_string(version));
            drive.blockLength = 2048;
            rig.request({code, "0", "0", "0", "2"});
            EXPECT_EQ(rig.lastReply().size(), 2u * 2352);
            EXPECT_EQ(drive.blockLength, 2048);
        }
    }
}

TEST_F(Requests, RawReadsWithoutRawBlocksFailInsteadOfPadding) {
    // An older drive that knows neither READ LONG nor the switch to 2352-byte
    // blocks would hand out 2048 user bytes per sector.
    drive.version = 2;
    drive.failing[0x3E] = {5, 0x20, 0};
    drive.failing[0x15] = {5, 0x20, 0};
    const Lines refused{"INVALID_COMMAND_OPERATION_CODE", "8192", "2"};
    for (const Lines& request : {Lines{"9226", "0", "16", "0"}, Lines{"9263", "0", "16", "0", "2"},
                                 Lines{"9264", "0", "16", "0", "2"}}) {
        Lines reply = rig.request(request);
        ASSERT_FALSE(reply.empty()) << request[0];
        EXPECT_EQ(Lines(reply.begin() + 1, reply.end()), refused) << request[0];
    }
    // A drive that switched but sent less than was asked for.
    ServerRig shortRig;
    shortRig.drive(0).setResponder(
        [](const scsi::RecordedCommand& command, std::span<std::uint8_t> buffer) {
            scsi::Result result;
            result.transferred = command.cdb[0] == 0x28 ? 2048 : command.bufferSize;
            if (command.cdb[0] == 0x12 && buffer.size() > 2) {
                buffer[0] = 5;
                buffer[2] = 2;
            }
            return result;
        });
    std::string shortTransfer = std::to_string(tolscsi::status::kShortTransfer);
    EXPECT_EQ(shortRig.request({"9263", "0", "16", "0", "2"}),
              (Lines{"9263", "", shortTransfer, "2"}));
}

TEST_F(Requests, EachDeviceKeepsItsOwnCapacity) {
    ServerRig two(2);
    FakeDrive first, second;
    first.leadOut = 4243;
    second.failing[0x25] = {5, 0x20, 0};
    first.attach(two.drive(0));
    second.attach(two.drive(1));
    EXPECT_EQ(two.request({"8490", "1"})[4], "0");
    EXPECT_EQ(two.request({"8490", "0"})[4], "4243");
    EXPECT_EQ(two.request({"8490", "1"})[4], "0");
}

TEST_F(Requests, ARefusedSwitchToRawBlocksIsNotUndone) {
    drive.failing[0x55] = {5, 0x26, 0x00};  // an MMC drive keeps 2048-byte blocks
    rig.request({"9263", "0", "0", "0", "2"});
    rig.request({"9264", "0", "0", "0", "2"});  // and is not asked again
    commands = rig.drive(0).commands();
    auto selects = std::count_if(commands.begin(), commands.end(),
                                 [](const scsi::RecordedCommand& c) { return c.cdb[0] == 0x55; });
    EXPECT_EQ(selects, 1);
    EXPECT_EQ(rig.lastReply().size(), 2u * 2352);
}

TEST_F(Requests, InquiryIsAskedOnceForEveryLaterQuestion) {
    rig.request({"16645"});
    rig.request({"9263", "0", "0", "0", "2"});
    rig.request({"9226", "0", "16", "0"});
    commands = rig.drive(0).commands();
    EXPECT_EQ(std::count_if(commands.begin(), commands.end(),
                            [](const scsi::RecordedCommand& c) { return c.cdb[0] == 0x12; }),
              1);
}

TEST_F(Requests, FailedReadNamesItsStatus) {
    drive.failing[0xBE] = {3, 0x11, 0x00};
    EXPECT_EQ(rig.request({"9226", "0", "5", "0"}),
              (Lines{"9226", "UNRECOVERED_READ_ERROR", "4352", "2"}));
    drive.failing[0xBE] = {3, 0x11, 0x0D};  // no name for this one
    EXPECT_EQ(rig.request({"9226", "0", "5", "0"}), (Lines{"9226", "", "4365", "2"}));
}

TEST_F(Requests, SectorRunsAreBoundedByTheReplySize) {
    rig.request({"9263", "0", "0", "0", "27"});
    EXPECT_EQ(rig.lastReply().size(), 27u * 2352);
    rig.request({"9262", "0", "0", "0", "31"});
    EXPECT_EQ(rig.lastReply().size(), 31u * 2048);
    std::string bad = std::to_string(tolscsi::status::kBadArgument);
    for (const Lines& request :
         {Lines{"9263", "0", "0", "0", "28"}, Lines{"9262", "0", "0", "0", "32"},
          Lines{"9264", "0", "0", "0", "0"}, Lines{"9263", "0", "-5", "0", "1"},
          Lines{"9226", "-1", "0", "0"}}) {
        EXPECT_EQ(rig.request(request), (Lines{request[0], "", bad, "2"})) << request[0];
    }
}

TEST_F(Requests, AudioRunOnAnOlderDriveSendsTheVendorCommand) {
    drive.version = 2;
    rig.request({"9264", "0", "300", "0", "3"});
    EXPECT_EQ(lastWith(0xD8).cdb, (Bytes{0xD8, 0x08, 0, 0, 0x01, 0x2C, 0, 0, 0, 3, 0, 0}));
    EXPECT_EQ(rig.lastReply().size(), 3u * 2352);
}

TEST_F(Requests, MediaChangeReportsChangesOfTheStartStatus) {
    drive.failing[0x1B] = {2, 0x3A, 0x00};
    EXPECT_EQ(rig.request({"12570", "0"}), (Lines{"12570", "255", "3"}));
    EXPECT_EQ(rig.request({"12570", "0"}), (Lines{"12570", "1", "3"}));
    drive.failing.clear();
    EXPECT_EQ(rig.request({"12570", "0"}), (Lines{"12570", "255", "3"}));
    EXPECT_EQ(rig.request({"12570", "0"}), (Lines{"12570", "1", "3"}));
    // Outside the table: always a change, and no crash.
    EXPECT_EQ(rig.request({"12570", "300"}), (Lines{"12570", "255", "3"}));
}

TEST_F(Requests, DeviceStatusRepeatsAFailedStart) {
    EXPECT_EQ(rig.request({"12557", "0"}), (Lines{"12557", "0", "0", "4"}));
    drive.failing[0x1B] = {2, 0x3A, 0x02};
    drive.failing[0x00] = {2, 0x3A, 0x02};
    EXPECT_EQ(rig.request({"12557", "0"}), (Lines{"12557", "14850", "14850", "14850", "4"}));
}

TEST(DeviceList, ListsCdDrivesWithCleanTexts) {
    ServerRig rig(4);
    FakeDrive disk, cd1, tape, cd2;
    disk.type = 0;
    tape.type = 1;
    cd2.vendor = "BAD\r\nVEN";
    disk.attach(rig.drive(0));
    cd1.attach(rig.drive(1));
    tape.attach(rig.drive(2));
    cd2.attach(rig.drive(3));
    Lines reply = rig.request({"16645"});
    ASSERT_EQ(reply.size(), 15u);
    EXPECT_EQ(reply, (Lines{"16645", "1", "5", "0", "1", "VENDOR", "PRODUCT CD-ROM", "3", "5", "0",
                            "1", "BAD??VEN", "PRODUCT CD-ROM", "2", "15"}));
}

// A CD drive that does not answer INQUIRY, before or after a good one, is
// listed without its identity; the list carries no status line, which would
// make the client drop every drive, and the log names the device.
TEST(DeviceList, ACdDriveThatFailsIsListedBlankInEitherPlace) {
    for (int failing : {0, 1}) {
        SCOPED_TRACE("failing device " + std::to_string(failing));
        ServerRig rig(2);
        FakeDrive bad, good;
        bad.failing[0x12] = {4, 0x44, 0x00};
        bad.attach(rig.drive(failing));
        good.attach(rig.drive(1 - failing));
        ::testing::internal::CaptureStderr();
        Lines reply = rig.request({"16645"});
        const std::string log = ::testing::internal::GetCapturedStderr();
        const Lines blank{std::to_string(failing), "5", "0", "0", "", ""};
        const Lines named{std::to_string(1 - failing), "5", "0", "1", "VENDOR", "PRODUCT CD-ROM"};
        Lines expected{"16645"};
        for (const Lines& record :
             failing == 0 ? std::array{blank, named} : std::array{named, blank}) {
            expected.insert(expected.end(), record.begin(), record.end());
        }
        expected.insert(expected.end(), {"2", "15"});
        EXPECT_EQ(reply, expected);
        EXPECT_NE(log.find("device " + std::to_string(failing) + " does not answer INQUIRY"),
                  std::string::npos)
            << log;
    }
}

TEST(DeviceList, NoDeviceGivesAnEmptyList) {
    ServerRig rig(0);
    EXPECT_EQ(rig.request({"16645"}), (Lines{"16645", "0", "3"}));
}

TEST(SenseNames, ExactKeysOnly) {
    EXPECT_EQ(SenseCodeName(0x0402), "LOGICAL_UNIT_NOT_READY_INITIALIZING_COMMAND_REQUIRED");
    EXPECT_EQ(SenseCodeName(0x3A00), "MEDIUM_NOT_PRESENT");
    EXPECT_EQ(SenseCodeName(0x0001), "FILEMARK_DETECTED");
    EXPECT_EQ(SenseCodeName(0x6400), "ILLEGAL_MODE_FOR_THIS_TRACK");
    EXPECT_EQ(SenseCodeName(0x0007), "");
    EXPECT_EQ(SenseCodeName(0x13A00), "");
}

}  // namespace
}  // namespace kel::server::testing
