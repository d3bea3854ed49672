// ReadUdfVolume over hand-built volumes: the standard path, the fallbacks
// for missing structures, and damaged descriptors that must end in a
// finding rather than a crash or an endless read.
#include <gtest/gtest.h>

#include "diag/fs/udf/udf_reader.h"
#include "tests/diag/fs/udf/udf_fixture.h"

namespace kel::diag::testing {
namespace {

using UdfVolume = UdfFixture;

TEST_F(UdfVolume, ReadsTheTreeOfAReadOnlyVolume) {
    udf_.standardVolume();
    ASSERT_TRUE(read());
    EXPECT_EQ(track_.flags & (track_flags::kUdf | track_flags::kIso9660), track_flags::kUdf);
    EXPECT_EQ(track_.partitionStart, 300);
    const FileNode* root = track_.root;
    ASSERT_NE(root, nullptr);
    EXPECT_STREQ(root->name, "\\ KELUDF (Session 1)");
    EXPECT_EQ(root->startBlock, 301);
    EXPECT_EQ(root->count, 3u) << "README.TXT, SUB and A.BIN";
    EXPECT_EQ(root->recordingDate[0], 126);

    const FileNode* readme = child(root, "README.TXT");
    ASSERT_NE(readme, nullptr);
    EXPECT_EQ(readme->startBlock, 310);
    EXPECT_EQ(readme->size, 100u);
    EXPECT_EQ(readme->reserved1, 303u) << "the file entry's block";
    EXPECT_EQ(readme->flags, 0);
    EXPECT_EQ(readme->recordingDate[0], 125);
    EXPECT_EQ(readme->recordingDate[1], 7);

    const FileNode* sub = child(root, "SUB");
    ASSERT_NE(sub, nullptr);
    EXPECT_EQ(sub->flags, node_flags::kDirectory);
    EXPECT_EQ(sub->startBlock, 305);
    const FileNode* data = child(sub, "A.BIN");
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(data->startBlock, 320);
    EXPECT_EQ(data->size, 5000u);
    EXPECT_EQ(data->parent, sub);
    EXPECT_EQ(data->track, &track_);

    std::string implementation;
    ASSERT_TRUE(UdfImplementationId(track_, implementation));
    EXPECT_EQ(implementation, "Kel Test Writer");
    EXPECT_TRUE(messages_.empty());
    EXPECT_NE(log().find("UDF File: \\SUB\\A.BIN at 320 for 5000"), std::string::npos);
}

TEST_F(UdfVolume, ExtendedFileEntriesReadAsPlainOnes) {
    udf_.standardVolume();
    for (const std::int32_t entry : {1, 4, 6}) {
        udf_.makeExtended(entry);
    }
    ASSERT_TRUE(read());
    EXPECT_EQ(track_.root->count, 3u);
    const FileNode* sub = child(track_.root, "SUB");
    ASSERT_NE(sub, nullptr);
    EXPECT_EQ(sub->startBlock, 305);
    const FileNode* data = child(sub, "A.BIN");
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(data->startBlock, 320);
    EXPECT_EQ(data->size, 5000u);
    EXPECT_EQ(data->recordingDate[0], 125);
    EXPECT_EQ(data->recordingDate[1], 7);
    EXPECT_FALSE(track_.flags & track_flags::kUdfAllocationNotFound);

    // A damaged tag stays damaged once the entry is made plain.
    ++udf_.logical(6)[4];
    FreeFileTree(track_.root);
    track_.root = nullptr;
    track_.flags = 0;
    ASSERT_TRUE(read());
    EXPECT_NE(child(child(track_.root, "SUB"), "A.BIN")->flags & udf_node_flags::kBadEntry, 0);
}

TEST_F(UdfVolume, OverwritablePartitionWithoutVatIsReadPlain) {
    udf_.standardVolume();
    udf_.sequence(32, "KELUDF", 0, 4);
    ASSERT_TRUE(read());
    EXPECT_FALSE(track_.flags & track_flags::kUdfAllocationNotFound);
    EXPECT_EQ(track_.root->count, 3u);
    EXPECT_NE(child(child(track_.root, "SUB"), "A.BIN"), nullptr);
    EXPECT_EQ(track_.udfStatus, 0);
}

TEST_F(UdfVolume, IsoTrackWithoutAnchorAtBlock256IsLeftToTheIsoReader) {
    udf_.standardVolume();
    track_.flags = track_flags::kIso9660;
    device_.block(256)[0] ^= 1;
    EXPECT_FALSE(read());
    EXPECT_EQ(track_.udfStatus, 'i');
    EXPECT_EQ(track_.root, nullptr);
}

TEST_F(UdfVolume, WithoutAnyAnchorTheTrackIsNotUdf) {
    EXPECT_FALSE(read());
    EXPECT_EQ(track_.udfStatus, 'j');
}

TEST_F(UdfVolume, ReserveSequenceStandsInForADamagedMainOne) {
    udf_.standardVolume();
    udf_.anchor(256, 32, 64);
    udf_.sequence(64, "RESERVE", 0);
    device_.failing = {33};
    ASSERT_TRUE(read());
    EXPECT_STREQ(track_.root->name, "\\ RESERVE (Session 1)");
    EXPECT_NE(log().find("Switching to reserve VRS at 64 for 16"), std::string::npos);
}

TEST_F(UdfVolume, ChecksumErrorsWithNoFileReadLeadToASecondPass) {
    udf_.standardVolume();
    ++udf_.logical(3)[4];
    ++udf_.logical(4)[4];
    ASSERT_TRUE(read());
    EXPECT_NE(track_.flags & track_flags::kUdfChecksumsIgnored, 0u);
    const FileNode* readme = child(track_.root, "README.TXT");
    ASSERT_NE(readme, nullptr);
    EXPECT_EQ(readme->startBlock, 310) << "read with checksums ignored";
    EXPECT_NE(child(child(track_.root, "SUB"), "A.BIN"), nullptr);
    EXPECT_EQ(track_.root->count, 3u) << "the first pass's nodes are gone";
}

TEST_F(UdfVolume, SelfReferenceIsFlaggedAndNotDescended) {
    udf_.standardVolume();
    udf_.directory(4, 5, {Fid("", 1, 0x0A), Fid("A.BIN", 6), Fid("ME", 4, 0x02)});
    ASSERT_TRUE(read());
    const FileNode* sub = child(track_.root, "SUB");
    ASSERT_NE(sub, nullptr);
    EXPECT_EQ(sub->flags, node_flags::kDirectory | udf_node_flags::kSelfReference);
    EXPECT_EQ(children(sub).size(), 1u);
}

TEST_F(UdfVolume, DirectoryLoopsEndWithAFinding) {
    udf_.standardVolume();
    // SUB holds two identifiers of a directory that holds two of SUB: read
    // naively that is a tree of 2^20 nodes.
    udf_.directory(4, 5, {Fid("", 1, 0x0A), Fid("X1", 7, 0x02), Fid("X2", 7, 0x02)});
    udf_.directory(7, 8,
                   {Fid("", 4, 0x0A), Fid("S1", 4, 0x02), Fid("S2", 4, 0x02), Fid("UP", 1, 0x02)});
    ASSERT_TRUE(read());
    const FileNode* sub = child(track_.root, "SUB");
    ASSERT_NE(sub, nullptr);
    const FileNode* x1 = child(sub, "X1");
    const FileNode* x2 = child(sub, "X2");
    ASSERT_NE(x1, nullptr);
    ASSERT_NE(x2, nullptr);
    EXPECT_EQ(children(x1).size(), 3u);
    EXPECT_TRUE(children(x2).empty()) << "the same directory is not read twice";
    for (const FileNode* node : children(x1)) {
        EXPECT_EQ(node->firstChild, nullptr) << node->name;
    }
    EXPECT_LT(device_.readCalls, 1000);
}

TEST_F(UdfVolume, DeepTreesAreReadAndTheFoldersPastTheLimitReported) {
    udf_ = UdfBuilder(device_, 300, 800);
    track_.end = 1200;
    leadOut_.start = 1200;
    udf_.standardVolume();
    // SUB (level 1) holds D2, which holds D3, ... each with its file entry
    // at 50 + 2k and its identifiers in the block after: two levels more
    // than the reader goes into.
    const auto entryOf = [](int level) { return 46 + 2 * level; };
    udf_.directory(4, 5, {Fid("", 1, 0x0A), Fid("A.BIN", 6), Fid("D2", entryOf(2), 0x02)});
    for (int level = 2; level <= kMaxDirectoryDepth + 2; ++level) {
        udf_.directory(entryOf(level), entryOf(level) + 1,
                       {Fid("", entryOf(level - 1), 0x0A),
                        Fid("D" + std::to_string(level + 1), entryOf(level + 1), 0x02)});
    }
    ASSERT_TRUE(read());
    const FileNode* node = child(track_.root, "SUB");
    for (int level = 2; level <= kMaxDirectoryDepth; ++level) {
        ASSERT_NE(node->firstChild, nullptr) << "level " << level - 1 << " is read";
        node = child(node, "D" + std::to_string(level));
        ASSERT_NE(node, nullptr) << "level " << level;
    }
    EXPECT_EQ(node->firstChild, nullptr) << "the deepest folder is listed, not read";
    EXPECT_EQ(messages_, std::vector<int>{272});
}

TEST_F(UdfVolume, ExtentsOutsideTheVolumeAreMarkedBad) {
    udf_.standardVolume();
    udf_.fileEntry(3, 5, 100, {{5000, 100}});
    udf_.fileEntry(6, 5, 5000, {{0, 5000}});
    ASSERT_TRUE(read());
    const FileNode* readme = child(track_.root, "README.TXT");
    ASSERT_NE(readme, nullptr);
    EXPECT_EQ(readme->startBlock, -1);
    EXPECT_EQ(readme->flags, udf_node_flags::kBadEntry);
    const FileNode* data = child(child(track_.root, "SUB"), "A.BIN");
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(data->startBlock, -1) << "the partition's own first block";

    Options().acceptErrors = 1;
    FreeFileTree(track_.root);
    track_.root = nullptr;
    ASSERT_TRUE(read());
    EXPECT_EQ(child(track_.root, "README.TXT")->startBlock, 5300);
}

TEST_F(UdfVolume, EntriesPastBlock340000AreReadOnALongDisc) {
    // A 93-minute disc whose partition fills it.
    track_.end = 418500;
    leadOut_.start = 418500;
    udf_ = UdfBuilder(device_, 300, 418000);
    udf_.standardVolume();
    udf_.directory(1, 2, {Fid("", 1, 0x0A), Fid("README.TXT", 345000), Fid("SUB", 346000, 0x02)});
    udf_.fileEntry(345000, 5, 100, {{345010, 100}});
    udf_.directory(346000, 346001, {Fid("", 1, 0x0A), Fid("A.BIN", 6)});
    ASSERT_TRUE(read());
    const FileNode* readme = child(track_.root, "README.TXT");
    ASSERT_NE(readme, nullptr);
    EXPECT_EQ(readme->startBlock, 345310);
    EXPECT_EQ(readme->flags, 0);
    EXPECT_NE(child(child(track_.root, "SUB"), "A.BIN"), nullptr);
}

TEST_F(UdfVolume, AbsurdLengthsAreCutToTheBlock) {
    udf_.standardVolume();
    // Directory: a length of 4 GiB and descriptors past the block's end.
    auto root = udf_.logical(1);
    Put32(root, 56, 0xFFFFFFF0);
    Put32(root, 64, 0xFFFFFFFF);
    Put32(root, 172, 0xFFFFFFFF);
    Put32(root, 176, 0x3FFFFFFF);
    Checksum(root);
    ASSERT_TRUE(read());
    EXPECT_LT(device_.readCalls, 2000);
    FreeFileTree(track_.root);
    track_.root = nullptr;

    // A file identifier whose implementation use runs past the data ends
    // the directory as damage: the block scan finds what lay behind it.
    udf_.standardVolume();
    Bytes fid = Fid("BIG", 3);
    Put16(fid, 36, 0xFFFF);
    Checksum(fid);
    udf_.directory(1, 2, {Fid("", 1, 0x0A), Fid("README.TXT", 3), fid, Fid("SUB", 4, 0x02)});
    ASSERT_TRUE(read());
    EXPECT_NE(child(track_.root, "README.TXT"), nullptr);
    EXPECT_EQ(child(track_.root, "SUB"), nullptr);
    EXPECT_NE(log().find("Intensive scan completed"), std::string::npos);
    const FileNode* unattached = children(track_.root).back();
    ASSERT_STREQ(unattached->name, "Unattached Items");
    EXPECT_FALSE(children(unattached).empty());
}

TEST_F(UdfVolume, UnreadableFileEntryIsABadNodeAndStartsTheScan) {
    udf_.standardVolume();
    // An identifier block no directory reaches, with an entry of its own.
    udf_.data(50, [] {
        Bytes bytes = Fid("", 1, 0x0A);
        const Bytes lost = Fid("LOST.TXT", 51);
        bytes.insert(bytes.end(), lost.begin(), lost.end());
        return bytes;
    }());
    udf_.fileEntry(51, 5, 10, {{52, 10}});
    device_.failing = {303};
    ASSERT_TRUE(read());
    const FileNode* readme = child(track_.root, "README.TXT");
    ASSERT_NE(readme, nullptr);
    EXPECT_EQ(readme->flags, udf_node_flags::kBadEntry);
    EXPECT_EQ(readme->startBlock, -1);

    const std::vector<const FileNode*> top = children(track_.root);
    ASSERT_FALSE(top.empty());
    const FileNode* unattached = top.back();
    EXPECT_STREQ(unattached->name, "Unattached Items");
    EXPECT_EQ(unattached->flags, node_flags::kDirectory | udf_node_flags::kFoundByScan);
    EXPECT_EQ(unattached->startBlock, 300);
    const FileNode* lost = child(unattached, "LOST.TXT");
    ASSERT_NE(lost, nullptr);
    EXPECT_EQ(lost->startBlock, 352);
    EXPECT_NE(log().find("Intensive scan completed"), std::string::npos);
}

TEST_F(UdfVolume, ScanNamesEntriesFoundWithoutIdentifier) {
    udf_.standardVolume();
    udf_.fileEntry(60, 5, 10, {{61, 10}});
    Options().intensiveUdfScan = 1;
    ASSERT_TRUE(read());
    const FileNode* unattached = children(track_.root).back();
    ASSERT_STREQ(unattached->name, "Unattached Items");
    ASSERT_EQ(children(unattached).size(), 1u);
    const FileNode* found = unattached->firstChild;
    EXPECT_EQ(std::string(found->name).rfind("Unnamed_", 0), 0u) << found->name;
    EXPECT_EQ(found->flags, udf_node_flags::kFoundByScan);
    EXPECT_EQ(found->startBlock, 361);
}

TEST_F(UdfVolume, BrokenContinuationOfLongDescriptorsIsFlagged) {
    udf_.standardVolume();
    udf_.fileEntry(6, 5, 5000, {{20, 2048}, {30, 0xC0000000u | 2048}}, 1);
    ASSERT_TRUE(read());
    const FileNode* data = child(child(track_.root, "SUB"), "A.BIN");
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(data->flags, udf_node_flags::kBrokenChain);
    EXPECT_EQ(data->startBlock, 320);
}

TEST_F(UdfVolume, DataStartsAtTheFirstExtentThatHasAPlace) {
    udf_.standardVolume();
    // A sparse start: neither recorded nor allocated, at position 0.
    udf_.fileEntry(6, 5, 5000, {{0, 0x80000000u | 2048}, {20, 2952}});
    ASSERT_TRUE(read());
    const FileNode* data = child(child(track_.root, "SUB"), "A.BIN");
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(data->startBlock, 320);
}

TEST_F(UdfVolume, FileSetWithCompressionIdentifierIsNoted) {
    udf_.standardVolume();
    udf_.fileSet(0, 1, 392);
    ASSERT_TRUE(read());
    EXPECT_NE(track_.flags & udf_track_flags::kCompressedFileSet, 0u);
    EXPECT_NE(child(track_.root, "README.TXT"), nullptr);
}

TEST_F(UdfVolume, LostFileSetIsSearchedFor) {
    udf_.standardVolume();
    udf_.sequence(32, "KELUDF", 77);
    ASSERT_TRUE(read());
    EXPECT_NE(child(track_.root, "SUB"), nullptr);
    EXPECT_NE(log().find("Found FSD at 300, partition start at 300"), std::string::npos);
}

TEST_F(UdfVolume, SparingTableRedirectsLogicalBlocks) {
    udf_.standardVolume();
    auto lvd = device_.block(33);
    lvd[440] = 2;
    lvd[441] = 64;
    lvd[440 + 42] = 1;
    Put32(lvd, 440 + 48, 250);
    Checksum(lvd);
    auto table = device_.block(250);
    const std::string identifier = "*UDF Sparing Table";
    std::copy(identifier.begin(), identifier.end(), table.begin() + 17);
    Put16(table, 48, 1);
    Put32(table, 56, 0);   // the file set's block
    Put32(table, 60, 40);  // spared to 40
    Seal(table, 0, 250);
    // The file set is found only where the table sends it.
    std::copy(udf_.logical(0).begin(), udf_.logical(0).end(), udf_.logical(40).begin());
    udf_.logical(0)[1] = 0;
    ASSERT_TRUE(read());
    EXPECT_NE(child(track_.root, "README.TXT"), nullptr);
    EXPECT_NE(track_.flags & udf_track_flags::kSparableMap, 0u);
    EXPECT_EQ(track_.flags & track_flags::kUdfSparableWithoutTable, 0u);
}

TEST_F(UdfVolume, SparableMapWithoutTableIsAFinding) {
    udf_.standardVolume();
    auto lvd = device_.block(33);
    lvd[440] = 2;
    lvd[440 + 42] = 1;
    Put32(lvd, 440 + 48, 250);
    Checksum(lvd);
    ASSERT_TRUE(read());
    EXPECT_NE(track_.flags & track_flags::kUdfSparableWithoutTable, 0u);
}

}  // namespace
}  // namespace kel::diag::testing
