// Sequentially written volumes: the virtual allocation table found where
// the track's next writable address says, by the forward search, or an
// earlier one when the last is damaged; and the fixed layout of a disc that
// lost its anchor.
#include <gtest/gtest.h>

#include "diag/fs/udf/udf_reader.h"
#include "tests/diag/fs/udf/udf_fixture.h"

namespace kel::diag::testing {
namespace {

// A VAT of UDF 1.50 embedded in its file entry: the entries, the regid and
// the previous VAT's block.
void WriteVat(UdfBuilder& udf, std::int32_t at, const std::vector<std::uint32_t>& entries) {
    Bytes data(entries.size() * 4 + 36, 0);
    for (std::size_t i = 0; i < entries.size(); ++i) {
        Put32(data, i * 4, entries[i]);
    }
    const std::string regid = "*UDF Virtual Alloc Tbl";
    std::copy(regid.begin(), regid.end(), data.begin() + entries.size() * 4 + 1);
    udf.embeddedEntry(at, 0, data);
}

class UdfVat : public UdfFixture {
protected:
    UdfVat() {
        track_.flags = track_flags::kPacket;
        track_.control = 0x15;
        track_.end = 1100;
        leadOut_.start = 1100;
        udf_ = UdfBuilder(device_, 300, 800);
        udf_.standardVolume();
        udf_.sequence(32, "KELVAT", 0, 2);
        // The root is reached through the table only.
        std::copy(udf_.logical(1).begin(), udf_.logical(1).end(), udf_.logical(90).begin());
        udf_.logical(1)[0] = 0;
        Put16(udf_.logical(0), 408, 1);
    }
};

TEST_F(UdfVat, TableAtTheNextWritableAddressIsFoundBackwards) {
    WriteVat(udf_, 700, {0, 90, 2, 3});
    // SUB's block, 4, is the first past the table's entries: it is not
    // translated (the table's regid follows the entries).
    udf_.directory(90, 2, {Fid("", 90, 0x0A), Fid("README.TXT", 3), Fid("SUB", 4, 0x02, 1)});
    track_.nextWritable = 1008;
    ASSERT_TRUE(read());
    const FileNode* sub = child(track_.root, "SUB");
    ASSERT_NE(sub, nullptr);
    EXPECT_EQ(sub->startBlock, 305);
    EXPECT_NE(child(sub, "A.BIN"), nullptr);
    EXPECT_EQ(track_.udfStatus, 0);
    EXPECT_EQ(track_.flags & track_flags::kUdfVatBySearch, 0u);
    EXPECT_EQ(track_.root->startBlock, 390);
    EXPECT_NE(child(track_.root, "README.TXT"), nullptr);
    EXPECT_NE(log().find("VAT search, looking at 1000 for 256."), std::string::npos);
}

TEST_F(UdfVat, TableElsewhereIsFoundByTheForwardSearch) {
    WriteVat(udf_, 200, {0, 90, 2, 3});
    track_.nextWritable = 1008;
    ASSERT_TRUE(read());
    EXPECT_NE(track_.flags & track_flags::kUdfVatBySearch, 0u);
    EXPECT_NE(child(track_.root, "SUB"), nullptr);
    EXPECT_NE(log().find("Found VAT at 500"), std::string::npos);
}

TEST_F(UdfVat, NoTableLeavesTheRootAlone) {
    track_.nextWritable = 1008;
    ASSERT_TRUE(read());
    EXPECT_NE(track_.flags & track_flags::kUdfAllocationNotFound, 0u);
    EXPECT_EQ(track_.udfStatus, 'f') << "file entries were met, none a VAT";
    // Without a table the directories are not read; the block scan still
    // collects what it finds.
    const FileNode* unattached = track_.root->firstChild;
    ASSERT_NE(unattached, nullptr);
    EXPECT_STREQ(unattached->name, "Unattached Items");
    EXPECT_NE(child(unattached, "README.TXT"), nullptr);
}

TEST_F(UdfVat, DamagedLastTableGivesWayToAnEarlierOne) {
    WriteVat(udf_, 600, {0, 90, 2, 3});
    WriteVat(udf_, 700, {0, 95, 2, 3});
    track_.nextWritable = 1008;
    ASSERT_TRUE(read());
    EXPECT_NE(track_.flags & udf_track_flags::kEarlierVatRetry, 0u);
    EXPECT_EQ(track_.root->startBlock, 390);
    EXPECT_NE(child(track_.root, "README.TXT"), nullptr);
    EXPECT_NE(log().find("Trying to locate prior VAT due to errors..."), std::string::npos);
}

// The last session emptied the volume: its root reads without fault and
// holds nothing, which is the volume as it now is, not a damaged table.
TEST_F(UdfVat, EmptiedVolumeKeepsItsLastTable) {
    WriteVat(udf_, 600, {0, 90, 2, 3});
    udf_.directory(91, 92, {Fid("", 91, 0x0A)});
    WriteVat(udf_, 700, {0, 91, 2, 3});
    track_.nextWritable = 1008;
    ASSERT_TRUE(read());
    EXPECT_EQ(track_.flags & (track_flags::kUdfAllocationNotFound |
                              udf_track_flags::kEarlierVatRetry | track_flags::kUdfVatBySearch),
              0u);
    EXPECT_NE(track_.flags & track_flags::kUdf, 0u);
    EXPECT_EQ(track_.udfStatus, 0);
    EXPECT_EQ(track_.root->startBlock, 391);
    EXPECT_EQ(track_.root->firstChild, nullptr);
    EXPECT_EQ(log().find("Trying to locate prior VAT"), std::string::npos);
}

// From UDF 2.00 on the table has a file type of its own and opens with a
// header (152 bytes here) that the entries follow.
TEST_F(UdfVat, TableOfLaterRevisionsStartsAfterItsHeader) {
    Bytes data(152 + 16, 0);
    Put16(data, 0, 152);
    Put32(data, 152 + 4, 90);
    udf_.embeddedEntry(700, 248, data);
    track_.nextWritable = 1008;
    ASSERT_TRUE(read());
    EXPECT_EQ(track_.root->startBlock, 390);
    EXPECT_NE(child(track_.root, "README.TXT"), nullptr);
}

TEST_F(UdfVat, BridgeDiscWithoutTableIsLeftToTheIsoReader) {
    auto primary = device_.block(16);
    primary[0] = 1;
    std::copy_n("CD001\1", 6, primary.begin() + 1);
    auto joliet = device_.block(17);
    joliet[0] = 2;
    std::copy_n("CD001\1", 6, joliet.begin() + 1);
    joliet[88] = '%';
    joliet[89] = '/';
    track_.nextWritable = 1008;
    EXPECT_FALSE(read());
    EXPECT_EQ(track_.root, nullptr);
    EXPECT_NE(log().find("Switching to ISO-9660 directory"), std::string::npos);
}

TEST_F(UdfVat, TableWithExtendedDescriptorsIsRefused) {
    WriteVat(udf_, 700, {0, 90, 2, 3});
    auto entry = udf_.logical(700);
    Put16(entry, 34, 2);
    track_.nextWritable = 1008;
    ASSERT_TRUE(read());
    EXPECT_EQ(track_.udfStatus, 'g');
    EXPECT_NE(track_.flags & track_flags::kUdfAllocationNotFound, 0u);
}

// A write-once disc whose formatter put an ISO 9660 track first and the UDF
// partition 35 blocks into the packet track at 512, with its anchor lost.
TEST_F(UdfFixture, DiscWithoutAnchorTakesTheFixedLayout) {
    TrackInfo packet;
    packet.track = 2;
    packet.session = 1;
    packet.control = 0x15;
    packet.flags = track_flags::kPacket;
    packet.start = 512;
    packet.end = 2000;
    track_.end = 512;
    track_.next = &packet;
    packet.prev = &track_;
    packet.next = &leadOut_;
    leadOut_.prev = &packet;
    leadOut_.start = 2000;
    device_.block(2100);
    UdfBuilder udf(device_, 547, 1453);
    udf.fileSet(548, 1);
    Put16(udf.logical(548), 408, 1);
    udf.directory(600, 601, {Fid("", 600, 0x0A), Fid("FILE.TXT", 602)});
    udf.fileEntry(602, 5, 10, {{603, 10}});
    WriteVat(udf, 1452, {0, 600, 2, 3});
    device_.failing = {1744};

    ASSERT_TRUE(read());
    EXPECT_EQ(track_.partitionStart, 547);
    EXPECT_EQ(track_.end, 2000);
    EXPECT_NE(packet.flags & track_flags::kContinuation, 0u);
    EXPECT_STREQ(track_.root->name, "\\ Unknown (Session 1)");
    const FileNode* file = child(track_.root, "FILE.TXT");
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(file->startBlock, 1150);
    track_.next = &leadOut_;
    leadOut_.prev = &track_;
}

}  // namespace
}  // namespace kel::diag::testing
