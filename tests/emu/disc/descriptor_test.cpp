// The descriptor file: every key, its defaults, and malformed descriptors.
#include <gtest/gtest.h>

#include "emu/disc/loader.h"
#include "image_folder.h"

namespace kel::emu {
namespace {

using test::expectFailure;
using test::expectLoaded;
using test::ImageFolder;
using test::patternSectors;

class Descriptor : public ::testing::Test {
protected:
    Descriptor() {
        folder.write("images/disc.iso", patternSectors(3, 2048));
        std::filesystem::create_directories(folder.path("images/files"));
    }
    std::filesystem::path write(std::string_view text) {
        return folder.write("images/drive.emu", text);
    }
    ImageFolder folder;
};

TEST_F(Descriptor, EveryKeyReachesTheDriveDescription) {
    const auto path = write(
        "# the demo drive\n"
        "[disc]\n"
        "image = disc.iso\n"
        "mounted-folder = files\n"
        "volume-label = DEMO DISC\n"
        "\n"
        "[Inquiry]\r\n"
        "Vendor = ACME\r\n"
        "product = CDROM-4000\n"
        "revision = 2.1a\n"
        "date = 19970311\n"
        "; drive behaviour\n"
        "[drive]\n"
        "personality = SCSI2\n"
        "vendor-cdda-read = on\n"
        "atip-on-pressed = short-reply\n"
        "error-recovery-changeable = 0x3F\n"
        "[faults]\n"
        "hard = 1000-1010, 5000\n"
        "marginal = 20-21\n"
        "other = 7\n"
        "reject-opcodes = 0x43, be 51\n"
        "becoming-ready-polls = 3\n");
    const auto loaded = expectLoaded(loadDrive(path));
    const auto& drive = loaded.drive;
    EXPECT_EQ(loaded.disc.leadOut, 3);
    EXPECT_EQ(loaded.disc.files.at(0), folder.path("images/disc.iso"));
    EXPECT_EQ(drive.mountedFolder, folder.path("images/files"));
    EXPECT_EQ(drive.volumeLabel, "DEMO DISC");
    EXPECT_EQ(drive.vendor, "ACME");
    EXPECT_EQ(drive.product, "CDROM-4000");
    EXPECT_EQ(drive.revision, "2.1a");
    EXPECT_EQ(drive.date, "19970311");
    EXPECT_EQ(drive.personality, Personality::Scsi2);
    EXPECT_TRUE(drive.vendorCddaRead);
    EXPECT_EQ(drive.atipOnPressed, AtipOnPressed::ShortReply);
    EXPECT_EQ(drive.errorRecoveryChangeable, 0x3F);
    ASSERT_EQ(drive.faults.hard.size(), 2u);
    EXPECT_EQ(drive.faults.hard[0].first, 1000);
    EXPECT_EQ(drive.faults.hard[0].last, 1010);
    EXPECT_TRUE(drive.faults.hard[1].contains(5000));
    EXPECT_FALSE(drive.faults.hard[1].contains(5001));
    ASSERT_EQ(drive.faults.marginal.size(), 1u);
    EXPECT_EQ(drive.faults.marginal[0].last, 21);
    ASSERT_EQ(drive.faults.other.size(), 1u);
    EXPECT_EQ(drive.faults.other[0].first, 7);
    EXPECT_EQ(drive.faults.rejectedOpcodes, (std::vector<std::uint8_t>{0x43, 0xBE, 0x51}));
    EXPECT_EQ(drive.faults.becomingReadyPolls, 3);
}

TEST_F(Descriptor, AnImageAloneKeepsTheDefaults) {
    folder.write("images/disc.cue",
                 std::string_view("FILE t.bin BINARY\nTRACK 01 AUDIO\nINDEX 01 00:00:00\n"));
    folder.write("images/t.bin", patternSectors(2, 2352));
    const auto loaded =
        expectLoaded(loadDrive(write("[disc]\nimage = disc.cue\n[faults]\nhard =\n")));
    const DriveDescription defaults;
    EXPECT_EQ(loaded.disc.tracks.at(0).format, SectorFormat::Audio);
    EXPECT_EQ(loaded.drive.vendor, defaults.vendor);
    EXPECT_EQ(loaded.drive.personality, Personality::Mmc);
    EXPECT_EQ(loaded.drive.atipOnPressed, AtipOnPressed::IllegalField);
    EXPECT_EQ(loaded.drive.errorRecoveryChangeable, defaults.errorRecoveryChangeable);
    EXPECT_TRUE(loaded.drive.mountedFolder.empty());
    EXPECT_TRUE(loaded.drive.faults.hard.empty());
}

TEST_F(Descriptor, AnErrorInTheNamedSheetNamesTheSheet) {
    const auto cue =
        folder.write("images/bad.cue", std::string_view("FILE t.bin BINARY\nTRACK 01 MODE9\n"));
    const auto error = expectFailure(loadDrive(write("[disc]\nimage = bad.cue\n")));
    EXPECT_EQ(error.file, cue);
    EXPECT_EQ(error.line, 2);
}

struct BadDescriptor {
    const char* name;
    const char* text;
    int line;
    const char* says;
};

void PrintTo(const BadDescriptor& bad, std::ostream* out) {
    *out << bad.name;
}

const BadDescriptor kBadDescriptors[] = {
    {"NoImage", "[inquiry]\nvendor = X\n", 0, "no image"},
    {"ImageMissing", "[disc]\nimage = gone.iso\n", 2, "gone.iso"},
    {"ImageOfUnknownType", "[disc]\n\nimage = disc.bin\n", 3, "neither an .iso nor a .cue"},
    {"ImageIsADescriptor", "[disc]\nimage = drive.emu\n", 2, "neither an .iso nor a .cue"},
    {"MountedFolderMissing", "[disc]\nimage = disc.iso\nmounted-folder = nowhere\n", 3,
     "not a folder"},
    {"UnknownKey", "[disc]\nimage = disc.iso\nlabel = X\n", 3, "unknown key \"label\""},
    {"KeyInWrongSection", "[drive]\nimage = disc.iso\n", 2, "unknown key \"image\" in [drive]"},
    {"UnknownSection", "[disc]\nimage = disc.iso\n[sessions]\n", 3, "unknown section"},
    {"KeyOutsideSection", "image = disc.iso\n", 1, "outside a section"},
    {"NoEquals", "[disc]\nimage disc.iso\n", 2, "expected key = value"},
    {"BadSectionHeader", "[disc\nimage = disc.iso\n", 1, "malformed section header"},
    {"KeyTwice", "[disc]\nimage = disc.iso\nIMAGE = disc.iso\n", 3, "given twice"},
    {"VendorTooLong", "[disc]\nimage = disc.iso\n[inquiry]\nvendor = NINECHARS\n", 4,
     "longer than 8"},
    {"ProductTooLong", "[inquiry]\nproduct = SEVENTEEN CHARS!!\n", 2, "longer than 16"},
    {"RevisionTooLong", "[inquiry]\nrevision = 1.000\n", 2, "longer than 4"},
    {"DateTooLong", "[inquiry]\ndate = 2026/12/01\n", 2, "longer than 8"},
    {"LabelNotAscii", "[disc]\nvolume-label = caf\xC3\xA9\n", 2, "printable ASCII"},
    {"BadPersonality", "[drive]\npersonality = atapi\n", 2, "expected mmc or scsi2"},
    {"BadSwitch", "[drive]\nvendor-cdda-read = maybe\n", 2, "expected on or off"},
    {"BadAtipChoice", "[drive]\natip-on-pressed = none\n", 2, "invalid-field or short-reply"},
    {"MaskTooLarge", "[drive]\nerror-recovery-changeable = 0x100\n", 2, "hexadecimal byte"},
    {"RangeReversed", "[faults]\nhard = 10-5\n", 2, "ends before it starts"},
    {"RangeNotNumbers", "[faults]\nmarginal = 1000-abc\n", 2, "not an LBA"},
    {"RangeNegative", "[faults]\nother = -5\n", 2, "not an LBA"},
    {"RangeBeyondACd", "[faults]\nhard = 500000\n", 2, "beyond any CD"},
    {"OpcodeNotHex", "[faults]\nreject-opcodes = 0x43, 0xZZ\n", 2, "hexadecimal byte"},
    {"PollsNegative", "[faults]\nbecoming-ready-polls = -1\n", 2, "from 0 to 10000"},
    {"PollsEmpty", "[faults]\nbecoming-ready-polls =\n", 2, "from 0 to 10000"},
};

class DescriptorErrors : public ::testing::TestWithParam<BadDescriptor> {};

TEST_P(DescriptorErrors, NameTheDescriptorAndTheLine) {
    ImageFolder folder;
    folder.write("disc.iso", patternSectors(1, 2048));
    folder.write("disc.bin", patternSectors(1, 2352));
    const auto path = folder.write("drive.emu", std::string_view(GetParam().text));
    const auto error = expectFailure(loadDrive(path));
    EXPECT_EQ(error.file, path);
    EXPECT_EQ(error.line, GetParam().line) << error.text();
    EXPECT_NE(error.message.find(GetParam().says), std::string::npos) << error.text();
}

INSTANTIATE_TEST_SUITE_P(Malformed, DescriptorErrors, ::testing::ValuesIn(kBadDescriptors),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace kel::emu
