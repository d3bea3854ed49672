// The request checks every kind shares, the recipe words, and how a missing
// tool is reported.
#include <gtest/gtest.h>

#include "fs_test_support.h"
#include "tests/support/search_path.h"

namespace kel::mkdisc::fs {
namespace {

using testing::Scratch;

TEST(FileSystemKinds, EveryRecipeWordNamesItsKindAndBack) {
    for (const FileSystemKind kind :
         {FileSystemKind::Udf, FileSystemKind::UdfVat, FileSystemKind::UdfSparable,
          FileSystemKind::UdfBridge, FileSystemKind::Hfs, FileSystemKind::IsoHfs,
          FileSystemKind::ElTorito, FileSystemKind::HighSierra}) {
        EXPECT_EQ(parseFileSystemKind(fileSystemKindName(kind)), kind) << fileSystemKindName(kind);
    }
    EXPECT_FALSE(parseFileSystemKind("UDF"));
    EXPECT_FALSE(parseFileSystemKind(""));
    EXPECT_FALSE(parseFileSystemKind("iso9660"));
}

TEST(FileSystemRequests, BadRequestsNameTheRecipeLine) {
    Scratch scratch;
    scratch.file("plain_file", "x");
    struct Case {
        const char* what;
        FileSystemRequest request;
        std::string expected;
    };
    const auto make = [&](auto change) {
        auto request = testing::request(FileSystemKind::HighSierra, {}, "VOL");
        change(request);
        return request;
    };
    const std::vector<Case> cases = {
        {"empty id", make([](auto& r) { r.volumeId.clear(); }), "volume identifier is empty"},
        {"negative size", make([](auto& r) { r.minBlocks = -1; }), "outside 0.."},
        {"huge size", make([](auto& r) { r.minBlocks = 1 << 30; }), "outside 0.."},
        {"zero packet", make([](auto& r) { r.packetSize = 0; }), "packet size 0"},
        {"missing folder", make([&](auto& r) { r.folder = scratch.path() / "absent"; }),
         "is not a folder"},
        {"file as folder", make([&](auto& r) { r.folder = scratch.path() / "plain_file"; }),
         "is not a folder"},
    };
    for (const Case& bad : cases) {
        auto made = makeFileSystemImage(bad.request, scratch.path() / "out.img");
        ASSERT_TRUE(std::holds_alternative<BuildError>(made)) << bad.what;
        const BuildError& error = std::get<BuildError>(made);
        EXPECT_EQ(error.file, "disc.recipe") << bad.what;
        EXPECT_EQ(error.line, testing::kRecipeLine) << bad.what;
        EXPECT_NE(error.message.find(bad.expected), std::string::npos) << error.message;
    }
}

TEST(FileSystemRequests, SymbolicLinksInTheFolderAreRefused) {
    Scratch source;
    source.file("real.txt", "x");
    std::filesystem::create_symlink(source.path() / "real.txt", source.path() / "link.txt");
    Scratch scratch;
    auto made = makeFileSystemImage(
        testing::request(FileSystemKind::HighSierra, source.path(), "VOL"), scratch.path() / "o");
    ASSERT_TRUE(std::holds_alternative<BuildError>(made));
    EXPECT_NE(std::get<BuildError>(made).message.find("link.txt"), std::string::npos);
}

TEST(FileSystemRequests, AMissingToolIsNamedNotTheWrapperThatRanIt) {
    Scratch scratch;
    Scratch source;
    source.file("boot.img", "boot");
    struct Case {
        FileSystemKind kind;
        const char* tool;
    };
    // env itself must stay reachable for hfsutils, which runs through it.
    const std::filesystem::path bin = scratch.path() / "bin";
    std::filesystem::create_directories(bin);
    if (testing::haveProgram("env")) {
        std::filesystem::create_symlink("/usr/bin/env", bin / "env");
    }
    const kel::test::ScopedSearchPath noTools(bin);
    for (const Case& missing :
         {Case{FileSystemKind::Udf, "mkudffs"}, Case{FileSystemKind::UdfBridge, "genisoimage"},
          Case{FileSystemKind::Hfs, "hformat"}, Case{FileSystemKind::ElTorito, "xorriso"}}) {
        auto request = testing::request(missing.kind, {}, "VOL");
        request.bootImage = source.path() / "boot.img";
        auto made = makeFileSystemImage(request, scratch.path() / "out.img");
        ASSERT_TRUE(std::holds_alternative<BuildError>(made)) << missing.tool;
        EXPECT_EQ(std::get<BuildError>(made).text(), std::string("disc.recipe:7: cannot run ") +
                                                         missing.tool +
                                                         ": not installed (not found in PATH)");
    }
}

}  // namespace
}  // namespace kel::mkdisc::fs
