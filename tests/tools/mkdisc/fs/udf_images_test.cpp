// UDF images as udfinfo (udftools) reads them: the label, access type and
// the packet structures each CD layout needs, and the bridge disc's files.
#include <gtest/gtest.h>

#include <map>
#include <regex>
#include <sstream>

#include "fs_test_support.h"

namespace kel::mkdisc::fs {
namespace {

using testing::Scratch;

struct UdfInfo {
    std::map<std::string, std::string> fields;  // "key=value" lines
    std::map<std::string, long> areaStarts;     // "start=N, blocks=M, type=T" lines

    std::string field(const std::string& key) const {
        const auto found = fields.find(key);
        return found == fields.end() ? "(missing)" : found->second;
    }
};

UdfInfo udfInfo(const std::filesystem::path& image) {
    const auto output =
        testing::readerOutput({"udfinfo", image.string()}, image.string() + ".udfinfo");
    UdfInfo info;
    if (!output) {
        return info;
    }
    static const std::regex area(R"(^start=(\d+), blocks=\d+, type=(\w+))");
    std::istringstream lines(*output);
    std::string line;
    while (std::getline(lines, line)) {
        std::smatch match;
        if (std::regex_search(line, match, area)) {
            info.areaStarts.emplace(match[2], std::stol(match[1]));
        } else if (const auto equals = line.find('='); equals != std::string::npos) {
            info.fields[line.substr(0, equals)] = line.substr(equals + 1);
        }
    }
    return info;
}

class UdfImages : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* tool : {"mkudffs", "udfinfo"}) {
            if (!testing::haveProgram(tool)) {
                GTEST_SKIP() << tool << " (udftools) is not installed";
            }
        }
    }

    FileSystemImage make(const FileSystemRequest& request) {
        auto made = makeFileSystemImage(request, image_);
        if (auto* error = std::get_if<BuildError>(&made)) {
            ADD_FAILURE() << error->text();
            return {};
        }
        return std::get<FileSystemImage>(made);
    }

    Scratch scratch_;
    std::filesystem::path image_ = scratch_.path() / "udf.img";
};

TEST_F(UdfImages, PlainVolumeIsOverwritableAndWrittenWhole) {
    auto request = testing::request(FileSystemKind::Udf, {}, "PLAIN_UDF");
    request.minBlocks = 3000;
    const FileSystemImage image = make(request);
    EXPECT_EQ(image.blocks, 3000);
    EXPECT_EQ(image.capacityBlocks, 3000);
    EXPECT_EQ(image.packetSize, 0);
    EXPECT_FALSE(image.needsRecordable || image.needsRewritable);

    const UdfInfo info = udfInfo(image_);
    EXPECT_EQ(info.field("label"), "PLAIN_UDF");
    EXPECT_EQ(info.field("blocksize"), "2048");
    EXPECT_EQ(info.field("blocks"), "3000");
    EXPECT_EQ(info.field("accesstype"), "overwritable");
    EXPECT_TRUE(info.areaStarts.count("ANCHOR"));
}

TEST_F(UdfImages, VatVolumeWritesWholePacketsWithTheVatInTheLastBlock) {
    auto request = testing::request(FileSystemKind::UdfVat, {}, "VAT");
    request.minBlocks = 5000;
    request.packetSize = 32;
    const FileSystemImage image = make(request);
    ASSERT_GT(image.blocks, 0);
    EXPECT_EQ(image.blocks % 32, 0);
    EXPECT_LT(image.blocks, 5000);
    EXPECT_EQ(image.capacityBlocks, 5024);  // rounded up to whole packets
    EXPECT_EQ(image.packetSize, 32);
    EXPECT_TRUE(image.needsRecordable);
    EXPECT_FALSE(image.needsRewritable);

    const UdfInfo info = udfInfo(image_);
    EXPECT_EQ(info.field("accesstype"), "writeonce");
    EXPECT_EQ(info.field("vatblock"), std::to_string(image.blocks - 1));
}

TEST_F(UdfImages, SparableVolumeCarriesSparingTables) {
    auto request = testing::request(FileSystemKind::UdfSparable, {}, "SPARABLE");
    request.minBlocks = 6000;
    const FileSystemImage image = make(request);
    EXPECT_EQ(image.blocks, 6016);  // rounded up to whole packets
    EXPECT_EQ(image.packetSize, 32);
    EXPECT_TRUE(image.needsRewritable);

    const UdfInfo info = udfInfo(image_);
    EXPECT_EQ(info.field("accesstype"), "rewritable");
    EXPECT_TRUE(info.areaStarts.count("STABLE"));
    EXPECT_TRUE(info.areaStarts.count("SSPACE"));
}

TEST_F(UdfImages, BridgeDiscHoldsTheFolderInBothFileSystems) {
    if (!testing::haveProgram("genisoimage")) {
        GTEST_SKIP() << "genisoimage is not installed";
    }
    Scratch source;
    source.file("readme.txt", "bridge\n");
    source.file("docs/one.bin", Scratch::pattern(5000, 1));
    source.file("docs/two.bin", Scratch::pattern(10, 2));
    auto request = testing::request(FileSystemKind::UdfBridge, source.path(), "BRIDGE");
    const FileSystemImage image = make(request);
    ASSERT_GT(image.blocks, 0);

    const UdfInfo info = udfInfo(image_);
    EXPECT_EQ(info.field("label"), "BRIDGE");
    EXPECT_EQ(info.field("numfiles"), "3");
    EXPECT_EQ(info.field("numdirs"), "2");  // the root and docs
    EXPECT_EQ(static_cast<std::int32_t>(std::filesystem::file_size(image_) / 2048), image.blocks);
}

TEST_F(UdfImages, FormattedKindsRefuseFilesTheyCouldNotHold) {
    Scratch source;
    source.file("a.txt", "a");
    for (const FileSystemKind kind :
         {FileSystemKind::Udf, FileSystemKind::UdfVat, FileSystemKind::UdfSparable}) {
        auto made = makeFileSystemImage(testing::request(kind, source.path(), "X"), image_);
        ASSERT_TRUE(std::holds_alternative<BuildError>(made)) << fileSystemKindName(kind);
        const BuildError& error = std::get<BuildError>(made);
        EXPECT_EQ(error.line, testing::kRecipeLine);
        EXPECT_NE(error.message.find("udf-bridge"), std::string::npos) << error.message;
    }
}

TEST_F(UdfImages, ToolRejectionNamesTheRecipeLineAndQuotesTheTool) {
    // A sparable partition needs room for its sparing space and tables.
    auto request = testing::request(FileSystemKind::UdfSparable, {}, "TINY");
    request.minBlocks = 40;
    auto made = makeFileSystemImage(request, image_);
    ASSERT_TRUE(std::holds_alternative<BuildError>(made));
    const BuildError& error = std::get<BuildError>(made);
    EXPECT_EQ(error.text().rfind("disc.recipe:7: mkudffs failed", 0), 0u) << error.text();
}

}  // namespace
}  // namespace kel::mkdisc::fs
