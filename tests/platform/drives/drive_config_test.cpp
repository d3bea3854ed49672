#include "platform/drives/drive_config.h"

#include <gtest/gtest.h>

namespace kel::drives {
namespace {

TEST(DriveConfig, ReadsEntriesInOrderWithLettersInAnyCase) {
    ParsedConfig parsed = parseDriveConfig("e:=demo/master.cue; D:=/dev/sr0 ;f:=Copy.ISO;");
    EXPECT_TRUE(parsed.problems.empty());
    ASSERT_EQ(parsed.entries.size(), 3u);
    EXPECT_EQ(parsed.entries[0].letter, 'E');
    EXPECT_EQ(parsed.entries[0].source, "demo/master.cue");
    EXPECT_EQ(parsed.entries[0].kind, SourceKind::Image);
    EXPECT_EQ(parsed.entries[1].letter, 'D');
    EXPECT_EQ(parsed.entries[1].source, "/dev/sr0");
    EXPECT_EQ(parsed.entries[1].kind, SourceKind::Device);
    EXPECT_EQ(parsed.entries[2].letter, 'F');
    EXPECT_EQ(parsed.entries[2].source, "Copy.ISO");
}

TEST(DriveConfig, FolderLettersNameTheirKindAndFolder) {
    ParsedConfig parsed =
        parseDriveConfig("a:=floppy:/srv/a;R:=Removable:media/usb;D:=x.iso;N:=network: /mnt/s");
    EXPECT_TRUE(parsed.problems.empty());
    ASSERT_EQ(parsed.entries.size(), 1u);
    ASSERT_EQ(parsed.folders.size(), 3u);
    EXPECT_EQ(parsed.folders[0].letter, 'A');
    EXPECT_EQ(parsed.folders[0].kind, FolderKind::Floppy);
    EXPECT_EQ(parsed.folders[0].folder, "/srv/a");
    EXPECT_EQ(parsed.folders[1].kind, FolderKind::Removable);
    EXPECT_EQ(parsed.folders[1].folder, "media/usb");
    EXPECT_EQ(parsed.folders[2].kind, FolderKind::Network);
    EXPECT_EQ(parsed.folders[2].folder, "/mnt/s");
    EXPECT_TRUE(parsed.folders[2].device.empty());
}

TEST(DriveConfig, EmptyTextAndEmptyEntriesGiveNothing) {
    for (const char* text : {"", ";", " ; ;", "\t"}) {
        ParsedConfig parsed = parseDriveConfig(text);
        EXPECT_TRUE(parsed.entries.empty()) << text;
        EXPECT_TRUE(parsed.problems.empty()) << text;
    }
}

// A node that its name does not betray still names a device; a folder or a
// missing node does not.
TEST(DriveConfig, ACharacterDeviceOfAnyNameIsADevice) {
    ParsedConfig parsed = parseDriveConfig("E:=/dev/null;F:=/dev;G:=/dev/sg-missing");
    ASSERT_EQ(parsed.entries.size(), 1u);
    EXPECT_EQ(parsed.entries[0].letter, 'E');
    EXPECT_EQ(parsed.entries[0].kind, SourceKind::Device);
    EXPECT_EQ(parsed.problems.size(), 2u);
}

struct BadEntry {
    const char* text;
    const char* why;  // a word the problem line must hold
};

class DriveConfigBadEntry : public testing::TestWithParam<BadEntry> {};

// Each bad entry is skipped, named in its problem line, and the good entries
// around it still count.
TEST_P(DriveConfigBadEntry, IsSkippedAndNamedWhileTheRestWorks) {
    const BadEntry& bad = GetParam();
    ParsedConfig parsed = parseDriveConfig(std::string("D:=a.iso;") + bad.text + ";G:=/dev/sg1");
    ASSERT_EQ(parsed.problems.size(), 1u);
    EXPECT_NE(parsed.problems[0].find(bad.text), std::string::npos) << parsed.problems[0];
    EXPECT_NE(parsed.problems[0].find(bad.why), std::string::npos) << parsed.problems[0];
    ASSERT_EQ(parsed.entries.size(), 2u);
    EXPECT_EQ(parsed.entries[0].letter, 'D');
    EXPECT_EQ(parsed.entries[1].letter, 'G');
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DriveConfigBadEntry,
    testing::Values(BadEntry{"E:/dev/sr0", "X:=SOURCE"}, BadEntry{"1:=b.iso", "letter"},
                    BadEntry{"EE:=b.iso", "letter"}, BadEntry{"E=b.iso", "letter"},
                    BadEntry{"\xC4:=b.iso", "letter"}, BadEntry{"d:=b.iso", "already"},
                    BadEntry{"C:=b.iso", "fixed disk"}, BadEntry{"E:=", "no source"},
                    BadEntry{"E:=b.bin", "source must"}, BadEntry{"E:=/dev/sda", "source must"},
                    BadEntry{"E:=/dev/sr", "source must"}, BadEntry{"E:=/dev/sr0x", "source must"},
                    BadEntry{"E:=.iso", "source must"}, BadEntry{"C:=network:/n", "fixed disk"},
                    BadEntry{"E:=floppy:/f", "floppy"}, BadEntry{"B:=removable:/r", "floppy"},
                    BadEntry{"E:=network:", "no folder"}, BadEntry{"E:=tape:/t", "source must"},
                    BadEntry{"d:=network:/n", "already"}));

TEST(DriveConfig, SourceKindIsJudgedBySpelling) {
    EXPECT_EQ(sourceKindOf("/dev/sr0"), SourceKind::Device);
    EXPECT_EQ(sourceKindOf("/dev/sg12"), SourceKind::Device);
    EXPECT_EQ(sourceKindOf("disc.EMU"), SourceKind::Image);
    EXPECT_EQ(sourceKindOf("/images/a.Cue"), SourceKind::Image);
    EXPECT_EQ(sourceKindOf("/dev/sr0/../sda"), std::nullopt);
    EXPECT_EQ(sourceKindOf("/dev/sr12345"), std::nullopt);
    EXPECT_EQ(sourceKindOf("a.iso.txt"), std::nullopt);
}

}  // namespace
}  // namespace kel::drives
