// Enumeration by drive letter, Open (INQUIRY, database, mode pages, profile
// defaults) and the medium classification, on a scripted drive.
#include "diag/device/device_access.h"
#include "diag/device/medium_class.h"
#include "spti_fixture.h"
#include "temp_folder.h"

namespace kel::diag {
namespace {

using testing::Bytes;
using testing::ScriptedReply;

class SptiOpen : public testing::SptiFixture {
protected:
    bool openWith(std::vector<ScriptedReply> replies) {
        for (auto& reply : replies) {
            drive_->queue(std::move(reply));
        }
        EXPECT_TRUE(device_->FindFirst());
        return device_->Open();
    }
    // An MMC drive with a disc: INQUIRY, MODE SENSE, TEST UNIT READY, then
    // the classification replies.
    std::uint8_t classify(std::vector<ScriptedReply> replies) {
        std::vector<ScriptedReply> all = {
            ScriptedReply::good(testing::inquiryData(0)),
            ScriptedReply::good(testing::modeSense10(0, testing::capabilitiesPage())),
            ScriptedReply::good()};
        all.insert(all.end(), replies.begin(), replies.end());
        EXPECT_TRUE(openWith(std::move(all)));
        EXPECT_EQ(drive_->pendingReplies(), 0u);
        return device_->mediumClass;
    }
};

ScriptedReply discInfo(std::uint8_t byte2) {
    Bytes data(34, 0);
    data[1] = 32;
    data[2] = byte2;
    return ScriptedReply::good(data);
}

// A TOC of the given (control, track) descriptors.
ScriptedReply toc(std::vector<std::pair<std::uint8_t, std::uint8_t>> tracks) {
    Bytes data = {0, static_cast<std::uint8_t>(2 + 8 * tracks.size()), 1, 1};
    for (auto [control, track] : tracks) {
        data.insert(data.end(), {0, control, track, 0, 0, 0, 0, 0});
    }
    return ScriptedReply::good(data);
}

ScriptedReply fullToc(std::vector<std::uint8_t> points) {
    Bytes data = {0, static_cast<std::uint8_t>(2 + 11 * points.size()), 1, 1};
    for (std::uint8_t point : points) {
        data.insert(data.end(), {1, 0x14, 0, point, 0, 0, 0, 0, 0, 0, 0});
    }
    return ScriptedReply::good(data);
}

ScriptedReply atip(std::uint8_t byte6) {
    Bytes data(28, 0);
    data[1] = 26;
    data[6] = byte6;
    return ScriptedReply::good(data);
}

TEST_F(SptiOpen, EnumeratesCdLettersAndFindsTheDiskName) {
    EXPECT_EQ(device_->AddressName(), "");
    EXPECT_TRUE(device_->FindFirst());
    EXPECT_EQ(device_->AddressName(), "D:");
    EXPECT_EQ(device_->registryName, "DiskVendor  DiskModel Wi");
    auto clone = CloneDevice(*device_);
    EXPECT_TRUE(clone->FindNext());
    EXPECT_EQ(clone->AddressName(), "F:");
    EXPECT_FALSE(clone->FindNext());
    EXPECT_EQ(device_->AddressName(), "D:") << "the clone moves on alone";
}

TEST_F(SptiOpen, AccessDeniedAndOtherOpenErrors) {
    ASSERT_TRUE(device_->FindFirst());
    openError_ = EACCES;
    EXPECT_FALSE(device_->Open());
    openError_ = ENOENT;
    EXPECT_FALSE(device_->Open());
    ASSERT_EQ(messages_.size(), 2u);
    EXPECT_EQ(messages_[0].id, 3012);
    EXPECT_EQ(messages_[0].args, (std::vector<MessageValue>{std::string("/dev/test-D")}));
    EXPECT_EQ(messages_[1].id, 3011);
    EXPECT_EQ(messages_[1].args,
              (std::vector<MessageValue>{std::string("/dev/test-D"), std::string("refused"),
                                         std::int64_t{ENOENT}}));
    // A node that opened but refuses the first command.
    openError_ = 0;
    messages_.clear();
    drive_->queue(ScriptedReply::transportError(EACCES, "Permission denied"));
    EXPECT_FALSE(device_->Open());
    ASSERT_EQ(messages_.size(), 1u);
    EXPECT_EQ(messages_[0].id, 3012);
}

TEST_F(SptiOpen, MmcDriveFromItsModePages) {
    Bytes pages = {0x05, 0x02, 0, 0,                        // write parameters
                   0x0D, 0x06, 0, 0xF5, 0, 0x3C, 0, 0x4B};  // CD parameters
    Bytes caps = testing::capabilitiesPage(0x0F, 1);
    pages.insert(pages.end(), caps.begin(), caps.end());
    Bytes inquiry = testing::inquiryData(0, "AC  ME", "CD\x01 ROM   X");
    device_->SetDebugLevel(1);
    ASSERT_TRUE(openWith(
        {ScriptedReply::good(inquiry), ScriptedReply::good(testing::modeSense10(0x12, pages)),
         ScriptedReply::checkCondition(2, 0x3A, 0), ScriptedReply::checkCondition(2, 0x3A, 0),
         ScriptedReply::checkCondition(2, 0x3A, 0)}));
    EXPECT_EQ(device_->DeviceDescription(), "AC ME CD ROM X");
    EXPECT_EQ(cdb(1), (Bytes{0x5A, 0, 0x3F, 0, 0, 0, 0, 0x04, 0x00, 0}));
    DeviceProfile& p = *device_->profile;
    EXPECT_EQ(device_->atapi, 1);
    EXPECT_EQ(p.Mode10, 1);
    EXPECT_EQ(device_->writer, 1);
    EXPECT_EQ(device_->page0dByte3, 0x05) << "only the low four bits";
    EXPECT_EQ(device_->mediumClass, 0x12);
    EXPECT_EQ(p.mmcCdda, 1);
    EXPECT_EQ(p.accurateStream, 1);
    EXPECT_EQ(p.SubRWAvail, 1);
    EXPECT_EQ(p.SubRWDe, 1);
    EXPECT_EQ(p.MechType, 1);
    EXPECT_EQ(p.LoadDisc, 1);
    EXPECT_EQ(p.RawCmd, 0xBE);
    EXPECT_EQ(p.TrkInfo, 0x52);
    EXPECT_EQ(p.CDDACmd, 0xBE);
    EXPECT_EQ(p.CDDAScan, 1);
    EXPECT_EQ(p.Raw, 1);
    EXPECT_EQ(p.SpeedCode, 0xFF);
    EXPECT_EQ(p.SubQVal, 2);
    std::array<std::uint8_t, 30> copy{};
    EXPECT_TRUE(device_->GetCapabilitiesPage(copy));
    EXPECT_EQ(copy[0], 0x2A);
    EXPECT_EQ(copy[5], 0x0F);
    EXPECT_EQ(copy[20], 0);
    EXPECT_EQ(logLines_.front(), "CD Device: AC ME CD ROM X at D");
    EXPECT_NE(std::find(dumpTitles_.begin(), dumpTitles_.end(), "CD device mode parameters"),
              dumpTitles_.end());
}

TEST_F(SptiOpen, DatabaseEntryComesBeforeTheDefaults) {
    testing::TempFolder folder;
    SetDatabaseFileName(folder / "ASPIDEV.DDB");
    testing::writeFile(folder / "ASPIDEV.DDB", "[ACME]\r\n\tCDROM-*:TrkInfo=0xe6,CDDALen=10\r\n");
    ASSERT_TRUE(openWith(
        {ScriptedReply::good(testing::inquiryData(2)), ScriptedReply::checkCondition(2, 0x3A, 0)}));
    EXPECT_EQ(device_->profile->TrkInfo, 0xE6);
    EXPECT_EQ(device_->profile->CDDALen, 10);
    EXPECT_EQ(device_->profile->CDDACmd, 0) << "no defaults over a database entry";

    testing::writeFile(folder / "ASPIDEV.DDB", "[ACME]\r\n\tCDROM-*:TrkInfo=0x1e6\r\n");
    drive_->queue(ScriptedReply::good(testing::inquiryData(2)));
    EXPECT_FALSE(device_->Open());
    ASSERT_FALSE(messages_.empty());
    EXPECT_EQ(messages_.back().id, 3201);
    SetDatabaseFileName({});
}

TEST_F(SptiOpen, ModeSenseResendsAreBounded) {
    drive_->setResponder([](const scsi::RecordedCommand& c, std::span<std::uint8_t> buffer) {
        scsi::Result r;
        if (c.cdb[0] == 0x12) {
            Bytes data = testing::inquiryData(2);
            std::copy(data.begin(), data.end(), buffer.begin());
            r.transferred = data.size();
            return r;
        }
        r.status = scsi::status::kCheckCondition;
        r.sense = scsi::Sense::make(6, 0x28, 0);
        return r;
    });
    ASSERT_TRUE(device_->FindFirst());
    EXPECT_TRUE(device_->Open()) << "no mode data, but a usable drive";
    EXPECT_EQ(commands().size(), 1u + 6u);
    EXPECT_EQ(device_->profile->TrkInfo, 0xE5) << "the defaults apply without mode data";
    EXPECT_EQ(device_->profile->LoadEj, 0x1B);
}

TEST_F(SptiOpen, ModeSenseSwitchesToTheTenByteCommand) {
    ASSERT_TRUE(openWith(
        {ScriptedReply::good(testing::inquiryData(2)), ScriptedReply::checkCondition(5, 0x20, 0),
         ScriptedReply::good(testing::modeSense10(0, {})),
         ScriptedReply::checkCondition(2, 0x3A, 0), ScriptedReply::checkCondition(2, 0x3A, 0),
         ScriptedReply::checkCondition(2, 0x3A, 0)}));
    EXPECT_EQ(cdb(1), (Bytes{0x1A, 0, 0x3F, 0, 0xFF, 0}));
    EXPECT_EQ(cdb(2)[0], 0x5A);
    EXPECT_EQ(device_->profile->Mode10, 1);
    EXPECT_EQ(device_->profile->modified, 1);
}

TEST_F(SptiOpen, BlockLengthFromTheDescriptorOrALongPageOne) {
    Bytes page1 = {0x01, 0x0B, 0, 0, 0x80, 0, 0, 0, 0, 0, 0x09, 0x30, 0};
    ASSERT_TRUE(openWith(
        {ScriptedReply::good(testing::inquiryData(0)),
         ScriptedReply::good(testing::modeSense10(0, page1, {0, 0, 0, 0, 0, 0, 0x08, 0})),
         ScriptedReply::checkCondition(2, 0x3A, 0), ScriptedReply::checkCondition(2, 0x3A, 0),
         ScriptedReply::checkCondition(2, 0x3A, 0)}));
    EXPECT_EQ(device_->blockLength, 2352) << "page 1 is read after the descriptor";
    EXPECT_EQ(device_->densityCode, 0x80);
}

TEST_F(SptiOpen, PressedDataDiscKeepsItsMediumType) {
    EXPECT_EQ(classify({discInfo(0x0E), ScriptedReply::checkCondition(5, 0x24, 0),
                        toc({{0x14, 1}, {0x14, 0xAA}}), fullToc({0xA0, 0xA1, 0xA2, 1})}),
              0);
    EXPECT_TRUE(messages_.empty());
}

TEST_F(SptiOpen, RecordableDiscs) {
    EXPECT_EQ(classify({discInfo(0x01)}), medium_class::kRecordable) << "open CD-R";
}

TEST_F(SptiOpen, RewritableDisc) {
    EXPECT_EQ(classify({discInfo(0x10 | 0x02)}), medium_class::kRewritable);
}

TEST_F(SptiOpen, BlankDisc) {
    EXPECT_EQ(classify({discInfo(0x00)}), medium_class::kRecordable);
}

TEST_F(SptiOpen, AtipDecidesWhenDiscInformationIsMissing) {
    EXPECT_EQ(classify({ScriptedReply::checkCondition(5, 0x20, 0), atip(0x40)}),
              medium_class::kRewritable);
}

TEST_F(SptiOpen, EmptyAtipAudioDiscWithASecondSessionPointer) {
    EXPECT_EQ(
        classify({ScriptedReply::checkCondition(5, 0x20, 0), ScriptedReply::good({0, 2, 0, 0}),
                  toc({{0x10, 1}, {0x10, 0xAA}}), fullToc({0xA0, 0xB0})}),
        medium_class::kAtipEmpty | medium_class::kNoDataTrack | medium_class::kRecordable);
}

TEST_F(SptiOpen, TocWithoutLeadOutOrUnreadableIsRecordable) {
    EXPECT_EQ(classify({discInfo(0x0E), ScriptedReply::checkCondition(5, 0x24, 0),
                        toc({{0x14, 1}, {0x14, 2}})}),
              medium_class::kRecordable);
}

TEST_F(SptiOpen, TocLongerThanTheReplyIsReadOnlyAsFarAsItCame) {
    ScriptedReply lying = toc({{0x14, 1}, {0x14, 0xAA}});
    lying.data[1] = 0xFA;  // claims 31 descriptors
    EXPECT_EQ(classify({discInfo(0x0E), ScriptedReply::checkCondition(5, 0x24, 0), lying,
                        fullToc({0xA0})}),
              0);
}

}  // namespace
}  // namespace kel::diag
