// Requests built from the module variables, and replies taken in: sector bytes
// or text by the request's code, copies kept to the buffers, lost requests.
#include "frontend/common/drive_server_client.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "frontend/common/kel_cd_data.h"
#include "scripted_client.h"
#include "server/request_codes.h"

namespace kel::frontend {
namespace {

using testing::BytesReply;
using testing::Record;
using testing::ScriptedClient;
using testing::TextReply;
using Lines = std::vector<std::string>;

class DriveServerClientTest : public ::testing::Test {
protected:
    void SetUp() override { testing::ResetKelCdData(); }
    void TearDown() override { testing::ResetKelCdData(); }

    Lines sent(std::uint32_t code) {
        client.requests.clear();
        client._Send(code, 0, 0);
        return client.requests.empty() ? Lines{} : client.requests.back();
    }

    ScriptedClient client;
};

TEST_F(DriveServerClientTest, ParameterLinesFollowTheCode) {
    KelCdData.DriveNumber = -1;
    KelCdData.ParamA = 4500;
    KelCdData.ParamB = 9000;
    KelCdData.DriveTable[0].InquiryValue3 = 6;
    EXPECT_EQ(sent(0x212A), (Lines{"8490", "-1"}));
    EXPECT_EQ(sent(0x151C), (Lines{"5404", "-1", "4500", "9000"}));
    EXPECT_EQ(sent(0x1521), (Lines{"5409", "-1", "4500"}));
    EXPECT_EQ(sent(0x240A), (Lines{"9226", "-1", "4500", "6"}));
    EXPECT_EQ(sent(0x242F), (Lines{"9263", "-1", "4500", "6", "9000"}));
    EXPECT_EQ(sent(0x351E), (Lines{"13598", "-1", "0"}));
    KelCdData.ResetFlag = 1;
    EXPECT_EQ(sent(0x351E), (Lines{"13598", "-1", "1"}));
    EXPECT_EQ(sent(0x4105), (Lines{"16645"}));
    EXPECT_EQ(sent(0x0000), (Lines{"0"}));
    EXPECT_EQ(KelCdData.CurrentRequestCode, 0u);

    client._Send(kGroupDrive, kSubGet, 0x1A);
    EXPECT_EQ(KelCdData.CurrentRequestCode, 0x311Au);
    std::string record(reinterpret_cast<const char*>(client.lastRecord.data()),
                       client.lastRecord.size());
    EXPECT_EQ(record, std::string("12570\r\n-1\r\n\0", 12));
}

TEST_F(DriveServerClientTest, CurrentDriveOutsideTheTableSendsZero) {
    KelCdData.CurrentDrive = 200;
    EXPECT_EQ(sent(0x240A), (Lines{"9226", "0", "0", "0"}));
}

TEST_F(DriveServerClientTest, RequestWithoutReplyIsMarkedAsAnError) {
    KelCdData.TocLeadOut = 1234;
    client._Send(kDiscVolumeInfo, 0, 0);
    EXPECT_EQ(KelCdData.ReplyError, 1);
    EXPECT_EQ(KelCdData.ReplyErrorCode, kNoServerReply);
    EXPECT_EQ(KelCdData.TocLeadOut, 1234);

    client.answer = [](const Lines&) {
        return TextReply({"8490", "1", "1", "1", "500", "1", "0", "4", "1", "10"});
    };
    client._Send(kDiscVolumeInfo, 0, 0);
    EXPECT_EQ(KelCdData.ReplyError, 0);
    EXPECT_EQ(KelCdData.TocLeadOut, 500);
}

// A 2048-byte cooked sector whose bytes happen to read like a text reply.
TEST_F(DriveServerClientTest, SectorRequestGetsSectorBytesWhateverTheyLookLike) {
    std::vector<std::uint8_t> sector(kCookedSectorSize, 0);
    const std::string looksLikeText = "4386\r\n5\r\n6\r\n7\r\n4\r\n";
    std::copy(looksLikeText.begin(), looksLikeText.end(), sector.begin());
    client.answer = [&](const Lines&) { return BytesReply(sector); };

    std::vector<std::uint8_t> buffer(kCookedSectorSize, 0xEE);
    KelCdData.ServerReplyBuffer = buffer;
    KelCdData.ReplyError = 1;
    KelCdData.ParamB = 1;
    client._Send(kDiscReadCooked, 0, 0);
    EXPECT_EQ(buffer, sector);
    EXPECT_EQ(KelCdData.ReplyError, 0);
    EXPECT_EQ(KelCdData.LastReplySize, kCookedSectorSize);
    EXPECT_EQ(KelCdData.AudioStatusInfo, (std::array<std::int32_t, 3>{}));
}

TEST_F(DriveServerClientTest, FailedSectorReadIsParsedAsText) {
    client.answer = [](const Lines&) { return TextReply({"9226", "MEDIUM ERROR", "1283", "2"}); };
    std::vector<std::uint8_t> buffer(kRawSectorSize, 0xEE);
    KelCdData.ServerReplyBuffer = buffer;
    client._Send(kDiscReadData, 0, 0);
    EXPECT_EQ(KelCdData.ReplyError, 1);
    EXPECT_EQ(KelCdData.ReplyErrorCode, 1283);
    EXPECT_EQ(client.Kel_Return.size(), 4u);
    EXPECT_TRUE(std::all_of(buffer.begin(), buffer.end(), [](auto b) { return b == 0xEE; }));
}

TEST_F(DriveServerClientTest, SectorCopiesStopAtTheLentBufferAndTheSectorCapacity) {
    std::vector<std::uint8_t> run(27 * kRawSectorSize);
    for (std::size_t i = 0; i < run.size(); ++i) {
        run[i] = static_cast<std::uint8_t>(i % 251 + 1);
    }
    client.answer = [&](const Lines&) { return BytesReply(run); };

    std::vector<std::uint8_t> large(run.size(), 0);
    KelCdData.ServerReplyBuffer = large;
    client._Send(kDiscReadRaw, 0, 0);
    EXPECT_TRUE(std::equal(large.begin(), large.begin() + kSectorBufferCapacity, run.begin()));
    EXPECT_TRUE(std::all_of(large.begin() + kSectorBufferCapacity, large.end(),
                            [](auto b) { return b == 0; }));

    std::vector<std::uint8_t> backing(3 * kRawSectorSize, 0);
    KelCdData.ServerReplyBuffer = std::span(backing).first(kRawSectorSize);
    client._Send(kDiscReadAudio, 0, 0);
    EXPECT_TRUE(std::equal(backing.begin(), backing.begin() + kRawSectorSize, run.begin()));
    EXPECT_TRUE(std::all_of(backing.begin() + kRawSectorSize, backing.end(),
                            [](auto b) { return b == 0; }));
    EXPECT_EQ(KelCdData.LastReplySize, run.size());

    KelCdData.ServerReplyBuffer = {};
    client._Send(kDiscReadRaw, 0, 0);  // nowhere to copy: nothing happens
    EXPECT_EQ(KelCdData.ReplyError, 0);
}

// A long table of contents is more than 2350 bytes of text; it is still text
// (and its entries beyond the track table are left out).
TEST_F(DriveServerClientTest, LongTextReplyToATextRequestIsParsed) {
    Lines toc{"8490", "1", "120", "120", "2000000000"};
    for (int j = 1; j <= 120; ++j) {
        for (int value : {j, 1000000000 + 4000 * j, 0, 1}) {
            toc.push_back(std::to_string(value));
        }
    }
    toc.push_back(std::to_string(toc.size() + 1));
    Record reply = TextReply(toc);
    ASSERT_GT(reply.size(), 2350u);
    client.answer = [&](const Lines&) { return reply; };
    std::vector<std::uint8_t> buffer(kSectorBufferCapacity, 0);
    KelCdData.ServerReplyBuffer = buffer;

    client._Send(kDiscVolumeInfo, 0, 0);
    EXPECT_EQ(KelCdData.TocTrackCount, 99);
    EXPECT_EQ(KelCdData.TrackTable[98].EndLba, 2000000000);
    EXPECT_EQ(buffer[0], 0);
}

TEST_F(DriveServerClientTest, UnparsableTextIsCopiedRawAndKelReturnCleared) {
    std::vector<std::uint8_t> buffer(64, 0);
    KelCdData.ServerReplyBuffer = buffer;
    for (const Lines& reply :
         {Lines{"123456", "2"}, Lines{"", "2"}, Lines{"abc", "2"}, Lines{"4386", "0", "3"}}) {
        std::fill(buffer.begin(), buffer.end(), 0);
        client.answer = [&](const Lines&) { return TextReply(reply); };
        client._Send(kAudioStatusInfo, 0, 0);
        EXPECT_TRUE(client.Kel_Return.empty()) << reply[0];
        std::string copied(reinterpret_cast<const char*>(buffer.data()));
        EXPECT_EQ(copied,
                  reply[0] + "\r\n" + reply[1] + "\r\n" + (reply.size() > 2 ? "3\r\n" : ""));
    }
    EXPECT_EQ(KelCdData.AudioStatusInfo[0], 0);
    EXPECT_EQ(KelCdData.AudioStatusInfo[1], 3);
}

TEST_F(DriveServerClientTest, TextEndsAtTheRecordOrItsFirstNul) {
    Record unterminated = TextReply({"12570", "255", "3"});
    unterminated.pop_back();
    client.answer = [&](const Lines&) { return unterminated; };
    client._Send(0x311A, 0, 0);
    EXPECT_EQ(KelCdData.MediaChanged, 1);

    Record nulInside = TextReply({"12570", "1", "3"});
    Record tail = TextReply({"junk"});
    nulInside.insert(nulInside.end(), tail.begin(), tail.end());
    client.answer = [&](const Lines&) { return nulInside; };
    client._Send(0x311A, 0, 0);
    EXPECT_EQ(client.Kel_Return, (Lines{"12570", "1", "3"}));
    EXPECT_EQ(KelCdData.MediaChanged, 0);
}

}  // namespace
}  // namespace kel::frontend
