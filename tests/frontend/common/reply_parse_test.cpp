// Text replies of the drive server parsed into the module variables.
#include "frontend/common/reply_parse.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "platform/drives/drive_config.h"

namespace kel::frontend {
namespace {

using Lines = std::vector<std::string>;

drives::DriveTable cdLetters(const char* config) {
    return drives::DriveTable::fromConfig(drives::parseDriveConfig(config).entries);
}

class ReplyParse : public ::testing::Test {
protected:
    bool parse(const Lines& lines, std::uint16_t code) {
        return Recievedata(lines, code, data, table);
    }

    KelCdVariables data;
    drives::DriveTable table = cdLetters("D:=a.iso;F:=b.iso");
};

TEST_F(ReplyParse, CountLineBelowTheLineCountMarksAnErrorWithItsStatus) {
    data.ReplyError = 1;
    EXPECT_TRUE(parse({"13585", "2"}, 0x3511));
    EXPECT_EQ(data.ReplyError, 0);

    EXPECT_TRUE(parse({"13585", "1281", "2"}, 0x3511));
    EXPECT_EQ(data.ReplyError, 1);
    EXPECT_EQ(data.ReplyErrorCode, 1281);
}

TEST_F(ReplyParse, MissingLineStopsTheParseAfterTheValuesBeforeIt) {
    data.AudioStatusInfo = {7, 7, 7};
    EXPECT_FALSE(parse({"4386", "0", "3"}, 0x1122));
    EXPECT_EQ(data.AudioStatusInfo, (std::array<std::int32_t, 3>{0, 3, 7}));
}

TEST_F(ReplyParse, NonNumericLinesStopTheParse) {
    Lines channel{"4871", "1", "2", "3",   "0",  "x", "9",  "0",
                  "0",    "2", "0", "150", "10", "1", "17", "16"};
    EXPECT_FALSE(parse(channel, 0x1307));
    EXPECT_EQ(data.ChannelInfo.SubChannelByte2, 3);
    EXPECT_EQ(data.ChannelInfo.TrackMinute, 0);
    EXPECT_EQ(data.ChannelInfo.TrackSecond, 0);  // the bad line and everything after it

    EXPECT_FALSE(parse({}, 0x3511));
    EXPECT_FALSE(parse({"13585", " 2"}, 0x3511));
    EXPECT_FALSE(parse({"13585", "2x"}, 0x3511));
    EXPECT_FALSE(parse({"13585", "99999999999"}, 0x3511));
}

TEST_F(ReplyParse, ChannelInfoTakesFourteenValuesInFieldOrder) {
    Lines channel{"4871", "1", "2",  "3",   "0",  "12", "9",  "0",
                  "1",    "5", "13", "150", "10", "4",  "17", "16"};
    ASSERT_TRUE(parse(channel, 0x1307));
    const ChannelInfoRecord& info = data.ChannelInfo;
    EXPECT_EQ(info.SubChannelLow, 1);
    EXPECT_EQ(info.SubChannelHigh, 2);
    EXPECT_EQ(info.TrackSecond, 12);
    EXPECT_EQ(info.TrackFrame, 9);
    EXPECT_EQ(info.DiscMinute, 1);
    EXPECT_EQ(info.DiscFrame, 13);
    EXPECT_EQ(info.DiscLba, 150);
    EXPECT_EQ(info.TrackLba, 10);
    EXPECT_EQ(info.CurrentTrack, 4);
    EXPECT_EQ(info.AudioStatus, 17);
    EXPECT_EQ(data.ReplyError, 0);
}

TEST_F(ReplyParse, DriveStatusMediaChangeAndDriveKindValues) {
    ASSERT_TRUE(parse({"12557", "0", "2", "4"}, 0x310D));
    EXPECT_EQ(data.ReplyError, 0);
    EXPECT_EQ(data.ReplyErrorCode, 0);
    EXPECT_EQ(data.UnitReadyStatus, 2);

    ASSERT_TRUE(parse({"12557", "7", "0", "7", "4"}, 0x310D));
    EXPECT_EQ(data.ReplyError, 1);
    EXPECT_EQ(data.ReplyErrorCode, 7);

    ASSERT_TRUE(parse({"12570", "255", "3"}, 0x311A));
    EXPECT_EQ(data.MediaChanged, 1);
    ASSERT_TRUE(parse({"12570", "1", "3"}, 0x311A));
    EXPECT_EQ(data.MediaChanged, 0);

    ASSERT_TRUE(parse({"12844", "1", "3"}, 0x322C));
    EXPECT_EQ(data.ResetFlag, 1);
    ASSERT_TRUE(parse({"12844", "0", "3"}, 0x322C));
    EXPECT_EQ(data.ResetFlag, 0);
}

TEST_F(ReplyParse, TableOfContentsGivesEndsLengthsAndAudioFlags) {
    // Track 1 data, track 2 plain audio, track 3 audio with pre-emphasis,
    // copy permitted and four channels (control 8 + 2 + 1).
    Lines toc{"8490", "1",     "3", "3", "30000", "1",     "0",  "4", "1",
              "2",    "10000", "0", "1", "3",     "20000", "11", "1", "18"};
    ASSERT_TRUE(parse(toc, 0x212A));
    EXPECT_EQ(data.TocFirstTrack, 1);
    EXPECT_EQ(data.TocLastTrack, 3);
    EXPECT_EQ(data.TocTrackCount, 3);
    EXPECT_EQ(data.TocLeadOut, 30000);

    const auto& t = data.TrackTable;
    EXPECT_EQ(t[0].EndLba, 9850);
    EXPECT_EQ(t[1].EndLba, 19850);
    EXPECT_EQ(t[2].EndLba, 30000);
    EXPECT_EQ(t[0].Length, 9851);
    EXPECT_EQ(t[1].Length, 9851);
    EXPECT_EQ(t[2].Length, 10000);

    EXPECT_EQ(t[2].TrackNumber, 3);
    EXPECT_EQ(t[1].StartLba, 10000);
    EXPECT_EQ(t[0].Adr, 1);

    EXPECT_EQ(t[0].DataTrack, 1);
    EXPECT_EQ(t[0].Channels, 0);
    EXPECT_EQ(t[1].DataTrack, 0);
    EXPECT_EQ(t[1].PreEmphasis, 0);
    EXPECT_EQ(t[1].CopyPermitted, 0);
    EXPECT_EQ(t[1].Channels, 2);
    EXPECT_EQ(t[2].PreEmphasis, 1);
    EXPECT_EQ(t[2].CopyPermitted, 1);
    EXPECT_EQ(t[2].Channels, 4);
}

// Tracks as start and control pairs, then the lead-out.
Lines tableOfContents(const std::vector<std::pair<int, int>>& tracks, int leadOut) {
    Lines toc{"8490", "1", std::to_string(tracks.size()), std::to_string(tracks.size()),
              std::to_string(leadOut)};
    for (std::size_t i = 0; i < tracks.size(); ++i) {
        for (int value : {static_cast<int>(i) + 1, tracks[i].first, tracks[i].second, 1}) {
            toc.push_back(std::to_string(value));
        }
    }
    toc.push_back(std::to_string(toc.size() + 1));
    return toc;
}

TEST_F(ReplyParse, CdExtraAudioEndsAtTheFirstSessionsLeadOut) {
    // 20 s and 40 s of audio; the data session starts after the first
    // session's lead-out at 4500 and the 11400-block gap.
    ASSERT_TRUE(parse(tableOfContents({{0, 0}, {1500, 0}, {15900, 4}}, 20000), 0x212A));
    const auto& t = data.TrackTable;
    EXPECT_EQ(t[0].EndLba, 1350) << "between audio tracks of one session";
    EXPECT_EQ(t[1].EndLba, 4500);
    EXPECT_EQ(t[1].Length, 3001);
    EXPECT_EQ(t[2].EndLba, 20000);

    // Audio between data tracks, and data between audio tracks, is one session.
    ASSERT_TRUE(parse(tableOfContents({{0, 4}, {15900, 0}, {20000, 4}}, 30000), 0x212A));
    EXPECT_EQ(t[1].EndLba, 19850);
    ASSERT_TRUE(parse(tableOfContents({{0, 0}, {15900, 4}, {20000, 0}}, 30000), 0x212A));
    EXPECT_EQ(t[0].EndLba, 15750);

    // Too short a track for a session gap before the data keeps the usual end.
    ASSERT_TRUE(parse(tableOfContents({{0, 0}, {11000, 4}}, 20000), 0x212A));
    EXPECT_EQ(t[0].EndLba, 10850);
}

TEST_F(ReplyParse, FailedTableOfContentsNeverTakesItsStatusAsLeadOut) {
    data.TocLeadOut = 30000;
    ASSERT_TRUE(parse({"8490", "0", "0", "0", "1281", "1281", "6"}, 0x212A));
    EXPECT_EQ(data.ReplyError, 1);
    EXPECT_EQ(data.ReplyErrorCode, 1281);
    EXPECT_EQ(data.TocLastTrack, 0);
    EXPECT_EQ(data.TocTrackCount, 0);
    EXPECT_EQ(data.TocLeadOut, 0);
}

TEST_F(ReplyParse, TrackCountIsKeptToTheTrackTable) {
    Lines toc{"8490", "1", "120", "120", "400000"};
    for (int j = 1; j <= 120; ++j) {
        for (int value : {j, 1000 * j, 0, 1}) {
            toc.push_back(std::to_string(value));
        }
    }
    toc.push_back(std::to_string(toc.size() + 1));
    ASSERT_TRUE(parse(toc, 0x212A));
    EXPECT_EQ(data.TocTrackCount, 99);
    EXPECT_EQ(data.TrackTable[98].TrackNumber, 99);
    EXPECT_EQ(data.TrackTable[98].EndLba, 400000);  // the last kept entry ends at the lead-out
    EXPECT_EQ(data.TrackTable[99].TrackNumber, 0);

    ASSERT_TRUE(parse({"8490", "1", "1", "-3", "1000", "6"}, 0x212A));
    EXPECT_EQ(data.TocTrackCount, 0);
}

// Two CD-ROM devices, letters C (fixed disk), D and F (CD-ROM).
TEST_F(ReplyParse, DeviceListPairsCdRecordsWithCdLettersInOrder) {
    Lines list{
        "16645", "0", "5", "1", "2",   "VENDORNAME_TOO_LONG", "PRODUCT_NAME_THAT_IS_TOO_LONG",
        "1",     "5", "0", "0", "KEL", "CD-ROM EMULATED",     "2",
        "15"};
    ASSERT_TRUE(parse(list, 0x4105));
    EXPECT_EQ(data.LastDriveIndex, 1);

    const CdDriveRecord& d = data.DriveTable[0];
    const CdDriveRecord& f = data.DriveTable[1];
    EXPECT_EQ(d.LetterIndex, 3);
    EXPECT_EQ(f.LetterIndex, 5);
    EXPECT_EQ(d.LetterText.str(), "D:");
    EXPECT_EQ(f.LetterText.str(), "F:");
    EXPECT_EQ(d.DeviceType, 5);
    EXPECT_EQ(d.InquiryValue3, 1);
    EXPECT_EQ(d.InquiryValue4, 2);
    EXPECT_EQ(d.Vendor.str(), "VENDORNAME");
    EXPECT_EQ(d.Product.str(), "PRODUCT_NAME_THAT_");
    EXPECT_EQ(f.DeviceNumber, 1);
    EXPECT_EQ(f.Product.str(), "CD-ROM EMULATED");

    const auto& map = data.DriveLetterMap;
    for (int letter : {0, 1, 2, 4}) {
        EXPECT_EQ(map[letter], kNoDevice) << "letter " << char('A' + letter);
    }
    EXPECT_EQ(map[3], 0);
    EXPECT_EQ(map[5], 1);
}

TEST_F(ReplyParse, PairingSkipsARecordThatIsNoCdRomDevice) {
    Lines list{"16645", "0", "1", "0",   "0",  "DISK", "FIXED", "1",
               "5",     "0", "0", "KEL", "CD", "2",    "15"};
    ASSERT_TRUE(parse(list, 0x4105));
    EXPECT_EQ(data.DriveTable[0].LetterText.str(), "");
    EXPECT_EQ(data.DriveTable[1].LetterText.str(), "D:");
    EXPECT_EQ(data.DriveLetterMap[3], 1);
}

TEST_F(ReplyParse, DeviceListIsKeptToTheDriveTable) {
    Lines list{"16645"};
    for (int d = 0; d < 30; ++d) {
        for (std::string line : {std::to_string(d), std::string("5"), std::string("0"),
                                 std::string("0"), std::string("V"), std::string("P")}) {
            list.push_back(line);
        }
    }
    list.push_back("30");
    list.push_back(std::to_string(list.size() + 1));
    ASSERT_TRUE(parse(list, 0x4105));
    EXPECT_EQ(data.LastDriveIndex, 25);
    EXPECT_EQ(data.DriveTable[25].DeviceNumber, 25);
}

TEST_F(ReplyParse, DeviceListWithAStatusOrMissingLinesChangesNoRecord) {
    data.LastDriveIndex = 0;
    ASSERT_TRUE(parse({"16645", "0", "5", "0", "0", "V", "P", "1", "6", "9"}, 0x4105));
    EXPECT_EQ(data.ReplyError, 1);
    EXPECT_EQ(data.LastDriveIndex, 0);
    EXPECT_EQ(data.DriveTable[0].Vendor.str(), "");

    EXPECT_FALSE(parse({"16645", "0", "5", "2", "9"}, 0x4105));
}

TEST_F(ReplyParse, DriveLetterRepliesSetLettersAndTheLastIndex) {
    ASSERT_TRUE(parse({"16646", "2"}, 0x4106));
    EXPECT_EQ(data.DriveTable[0].LetterIndex, 2);
    EXPECT_EQ(data.LastDriveIndex, 1);

    ASSERT_TRUE(parse({"16667", "7", "2"}, 0x411B));
    EXPECT_EQ(data.ReplyError, 1);
    EXPECT_EQ(data.DriveTable[0].LetterIndex, 2);
    EXPECT_EQ(data.LastDriveIndex, 1);
}

TEST_F(ReplyParse, UnknownCodesOnlySetTheErrorFlag) {
    KelCdVariables before = data;
    ASSERT_TRUE(parse({"20771", "3"}, 20771));
    EXPECT_EQ(data.ReplyError, 0);
    // An echoed request whose last line is small reads as a failure.
    ASSERT_TRUE(parse({"20771", "1"}, 20771));
    EXPECT_EQ(data.ReplyError, 1);
    EXPECT_EQ(data.ReplyErrorCode, 20771);
    EXPECT_EQ(data.TocLeadOut, before.TocLeadOut);
    EXPECT_EQ(data.LastDriveIndex, before.LastDriveIndex);
}

}  // namespace
}  // namespace kel::frontend
