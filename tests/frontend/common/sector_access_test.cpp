// One sector's user data through the server: which block is asked for, where
// the user bytes start, and that a failed read never hands out old bytes.
#include "frontend/common/sector_access.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <string>
#include <vector>

#include "frontend/common/kel_cd_data.h"
#include "scripted_client.h"
#include "server/request_codes.h"

namespace kel::frontend {
namespace {

using testing::BytesReply;
using testing::ScriptedClient;
using testing::TextReply;
using Lines = std::vector<std::string>;

// A raw sector of `mode` whose every byte is its offset's low byte plus `seed`.
std::vector<std::uint8_t> rawSector(std::uint8_t mode, std::uint8_t seed) {
    std::vector<std::uint8_t> sector(kRawSectorSize);
    for (std::size_t i = 0; i < sector.size(); ++i) {
        sector[i] = static_cast<std::uint8_t>(i + seed);
    }
    sector[15] = mode;
    return sector;
}

class SectorAccess : public ::testing::Test {
protected:
    void SetUp() override {
        testing::ResetKelCdData();
        KelCdData.TrackTable[1].StartLba = 5000;
    }
    void TearDown() override { testing::ResetKelCdData(); }

    ScriptedClient client;
    std::array<std::uint8_t, kUserDataSize> buffer{};
};

TEST_F(SectorAccess, TrackNumbersReadSectorSixteenOfTheTrackAndLargerValuesAreAddresses) {
    client.answer = [](const Lines&) { return BytesReply(rawSector(1, 0)); };
    KelCdData.DriveNumber = 2;
    ReadSectorViaServer(client, 2, buffer);
    ReadSectorViaServer(client, 99, buffer);
    ReadSectorViaServer(client, 100, buffer);
    ASSERT_EQ(client.requests.size(), 3u);
    EXPECT_EQ(client.requests[0], (Lines{"9226", "2", "5016", "0"}));
    EXPECT_EQ(client.requests[1][2], "16");
    EXPECT_EQ(client.requests[2][2], "100");
    EXPECT_EQ(KelCdData.SelectedTrack, 99);
    EXPECT_EQ(KelCdData.ParamB, 1);
}

TEST_F(SectorAccess, UserDataStartsAfterTheHeaderOfItsMode) {
    std::vector<std::uint8_t> sector = rawSector(1, 3);
    client.answer = [&](const Lines&) { return BytesReply(sector); };
    EXPECT_EQ(ReadSectorViaServer(client, 100, buffer), 1);
    EXPECT_TRUE(std::equal(buffer.begin(), buffer.end(), sector.begin() + 16));

    sector = rawSector(2, 7);
    EXPECT_EQ(ReadSectorViaServer(client, 100, buffer), 2);
    EXPECT_TRUE(std::equal(buffer.begin(), buffer.end(), sector.begin() + 24));

    std::array<std::uint8_t, kUserDataSize> before = buffer;
    sector = rawSector(0, 9);
    EXPECT_EQ(ReadSectorViaServer(client, 100, buffer), 0);
    EXPECT_EQ(buffer, before);
}

TEST_F(SectorAccess, FailedOrMissingReadLeavesTheBufferAndGivesNoMode) {
    client.answer = [](const Lines&) { return BytesReply(rawSector(1, 0)); };
    ASSERT_EQ(ReadSectorViaServer(client, 100, buffer), 1);
    std::array<std::uint8_t, kUserDataSize> first = buffer;

    client.answer = [](const Lines&) { return TextReply({"9226", "", "1283", "2"}); };
    EXPECT_EQ(ReadSectorViaServer(client, 200, buffer), 0);
    EXPECT_EQ(KelCdData.ReplyErrorCode, 1283);
    EXPECT_EQ(buffer, first);

    client.answer = nullptr;
    EXPECT_EQ(ReadSectorViaServer(client, 300, buffer), 0);
    EXPECT_EQ(KelCdData.ReplyErrorCode, kNoServerReply);
    EXPECT_EQ(buffer, first);

    // A reply that is no whole sector is text that cannot be parsed.
    client.answer = [](const Lines&) { return BytesReply(std::vector<std::uint8_t>(100, 1)); };
    EXPECT_EQ(ReadSectorViaServer(client, 400, buffer), 0);
    EXPECT_EQ(buffer, first);
}

TEST_F(SectorAccess, TrackNumbersBelowOneAreRefusedWithoutARequest) {
    client.answer = [](const Lines&) { return BytesReply(rawSector(1, 0)); };
    for (std::int32_t track : {0, -1, -2000000000}) {
        KelCdData.ReplyError = 0;
        EXPECT_EQ(ReadSectorViaServer(client, track, buffer), 0);
        EXPECT_EQ(KelCdData.ReplyError, 1);
        EXPECT_EQ(KelCdData.ReplyErrorCode, kRequestRefused);
    }
    EXPECT_TRUE(client.requests.empty());
}

TEST_F(SectorAccess, TheCallersReplyBufferIsGivenBack) {
    std::vector<std::uint8_t> callers(kRawSectorSize, 0xEE);
    KelCdData.ServerReplyBuffer = callers;
    client.answer = [](const Lines&) { return BytesReply(rawSector(1, 0)); };
    ReadSectorViaServer(client, 100, buffer);
    EXPECT_EQ(KelCdData.ServerReplyBuffer.data(), callers.data());
    EXPECT_TRUE(std::all_of(callers.begin(), callers.end(), [](auto b) { return b == 0xEE; }));
}

}  // namespace
}  // namespace kel::frontend
