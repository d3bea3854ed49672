// Reading a file's data through its descriptors: recorded extents, data
// embedded in the entry, continuation blocks and compressed extents.
#include <gtest/gtest.h>

#include "diag/fs/udf/udf_reader.h"
#include "tests/diag/fs/udf/udf_fixture.h"

namespace kel::diag::testing {
namespace {

class UdfFileAccess : public UdfFixture {
protected:
    UdfFileAccess() { udf_.standardVolume(); }

    FileNode* file() {
        EXPECT_TRUE(read());
        return const_cast<FileNode*>(child(child(track_.root, "SUB"), "A.BIN"));
    }

    // The results of ReadUdfFileBlock until it stops giving 1, and the
    // bytes delivered.
    std::vector<int> readAll(FileNode& node, std::string& data) {
        std::vector<int> results;
        std::array<std::uint8_t, 2048> block{};
        EXPECT_TRUE(InitUDFAccess(node, block));
        for (int i = 0; i < 10; ++i) {
            results.push_back(ReadUdfFileBlock(node, block));
            if (results.back() != 1) {
                break;
            }
            data.append(block.begin(), block.end());
        }
        return results;
    }
};

TEST_F(UdfFileAccess, DeliversRecordedExtentsBlockByBlock) {
    FileNode* node = file();
    ASSERT_NE(node, nullptr);
    std::string data;
    EXPECT_EQ(readAll(*node, data), (std::vector<int>{1, 1, 1, -1}));
    EXPECT_EQ(data.substr(0, 5000), std::string(5000, 'a'));
}

TEST_F(UdfFileAccess, FollowsContinuationBlocks) {
    udf_.fileEntry(6, 5, 5000, {{20, 2048}, {30, 0xC0000000u | 24}}, 1);
    auto next = udf_.logical(30);
    Put32(next, 20, 32);
    Put32(next, 24, 2048);
    Put32(next, 28, 21);
    Put32(next, 40, 904);
    Put32(next, 44, 22);
    Seal(next, 258, 30);
    FileNode* node = file();
    ASSERT_NE(node, nullptr);
    EXPECT_EQ(node->flags, udf_node_flags::kNotOneExtent);
    std::string data;
    EXPECT_EQ(readAll(*node, data), (std::vector<int>{1, 1, 1, -1}));
    EXPECT_EQ(data.substr(0, 5000), std::string(5000, 'a'));

    udf_.logical(30)[0] = 0;
    data.clear();
    EXPECT_EQ(readAll(*node, data), (std::vector<int>{1, -1})) << "a broken chain";
    EXPECT_NE(log().find("Early termination of file \\SUB\\A.BIN - extent at block 330"),
              std::string::npos);
}

TEST_F(UdfFileAccess, OversizedContinuationIsAnUnsupportedFeature) {
    udf_.fileEntry(6, 5, 5000, {{30, 0xC0000000u | 4096}}, 1);
    FileNode* node = file();
    ASSERT_NE(node, nullptr);
    std::string data;
    EXPECT_EQ(readAll(*node, data), (std::vector<int>{0}));
    EXPECT_EQ(messages_, (std::vector<int>{232}));
}

TEST_F(UdfFileAccess, EmbeddedDataComesWhole) {
    udf_.embeddedEntry(6, 5, Bytes{'t', 'i', 'n', 'y'});
    FileNode* node = file();
    ASSERT_NE(node, nullptr);
    EXPECT_EQ(node->startBlock, 306) << "the entry's own block";
    std::string data;
    EXPECT_EQ(readAll(*node, data), (std::vector<int>{1, -1}));
    EXPECT_EQ(data.substr(0, 5), std::string("tiny\0", 5));
}

TEST_F(UdfFileAccess, CompressedExtentIsExpanded) {
    // 126 bytes of 'z' stored as two repeat instructions.
    udf_.data(40, Bytes{0x50, 0x48, 0x01, 0x00, 0xFF, 'z', 0xFF, 'z'});
    udf_.fileEntry(6, 5, 126, {{40, 126}}, 1);
    Put16(udf_.logical(6), 176 + 10, 1);
    Put32(udf_.logical(6), 176 + 12, 8);
    FileNode* node = file();
    ASSERT_NE(node, nullptr);
    track_.flags |= udf_track_flags::kCompressedFileSet;
    std::string data;
    EXPECT_EQ(readAll(*node, data), (std::vector<int>{1, -1}));
    EXPECT_EQ(data.substr(0, 127), std::string(126, 'z') + '\0');

    // Without the file set's mark the same extent is plain data.
    track_.flags &= ~udf_track_flags::kCompressedFileSet;
    data.clear();
    EXPECT_EQ(readAll(*node, data), (std::vector<int>{1, -1}));
    EXPECT_EQ(data.substr(0, 5), std::string("\x50\x48\x01\x00\xFF", 5));
}

TEST_F(UdfFileAccess, NodeWithoutFileEntryIsRefused) {
    FileNode* node = file();
    ASSERT_NE(node, nullptr);
    node->reserved1 = 7;
    std::array<std::uint8_t, 2048> block{};
    EXPECT_FALSE(InitUDFAccess(*node, block));
    EXPECT_EQ(ReadUdfFileBlock(*node, block), -1);
    EXPECT_NE(log().find("Invalid file entry for InitUDFAccess: 7 A.BIN"), std::string::npos);
}

}  // namespace
}  // namespace kel::diag::testing
