#include <gtest/gtest.h>

#include "tools/mkdisc/recipe_parser.h"
#include "tools/mkdisc/recipe_values.h"

namespace kel::mkdisc {
namespace {

const std::filesystem::path kOrigin = "/recipes/master.recipe";

Recipe parsed(const std::string& text) {
    auto result = parseRecipe(text, kOrigin);
    if (auto* error = std::get_if<BuildError>(&result)) {
        ADD_FAILURE() << error->text();
        return {};
    }
    return std::get<Recipe>(result);
}

TEST(RecipeParser, ReadsEverySettingOfAMixedDisc) {
    const Recipe recipe = parsed(R"(# the demo disc
[disc]
name = demo
layout = mixed
bin = per-track
catalog = 0123456789012

[inquiry]
vendor = KELTEST
product = CDROM-4X
revision = 1.2
date = 19970315

[drive]
personality = scsi2
vendor-cdda-read = yes
atip-on-pressed = short-reply
error-recovery-changeable = 0x3F

[faults]
hard = 1000-1010, 5000
marginal = 300-301
other = 7
reject-opcodes = 43, 0xBE
becoming-ready-polls = 3

[data]
mode = 2
folder = tree
file = "DOCS/READ ME.TXT" text=Hello, disc
file = DATA.BIN size=0x1000
dir = EMPTY
iso-level = 1
joliet = yes
rock-ridge = on
volume-id = DEMO_1

[audio]
pregap = 2s
length = 01:00:00
tone = 440.5
level = 0.25
pre-emphasis = yes
copy = yes
four-channel = true
isrc = DEKEL2600001

[audio]
pregap = 75
pregap-stored = no
length = 300
)");
    EXPECT_EQ(recipe.name, "demo");
    EXPECT_EQ(recipe.layout, Layout::Mixed);
    EXPECT_EQ(recipe.binFiles, BinFiles::PerTrack);
    EXPECT_EQ(recipe.catalog, "0123456789012");

    const emu::DriveDescription& drive = recipe.drive;
    EXPECT_EQ(drive.vendor, "KELTEST");
    EXPECT_EQ(drive.product, "CDROM-4X");
    EXPECT_EQ(drive.revision, "1.2");
    EXPECT_EQ(drive.date, "19970315");
    EXPECT_EQ(drive.personality, emu::Personality::Scsi2);
    EXPECT_TRUE(drive.vendorCddaRead);
    EXPECT_EQ(drive.atipOnPressed, emu::AtipOnPressed::ShortReply);
    EXPECT_EQ(drive.errorRecoveryChangeable, 0x3F);
    ASSERT_EQ(drive.faults.hard.size(), 2u);
    EXPECT_EQ(drive.faults.hard[0].first, 1000);
    EXPECT_EQ(drive.faults.hard[0].last, 1010);
    EXPECT_EQ(drive.faults.hard[1].first, 5000);
    EXPECT_EQ(drive.faults.hard[1].last, 5000);
    ASSERT_EQ(drive.faults.marginal.size(), 1u);
    ASSERT_EQ(drive.faults.other.size(), 1u);
    EXPECT_EQ(drive.faults.rejectedOpcodes, (std::vector<std::uint8_t>{0x43, 0xBE}));
    EXPECT_EQ(drive.faults.becomingReadyPolls, 3);

    ASSERT_EQ(recipe.tracks.size(), 3u);
    const TrackRecipe& data = recipe.tracks[0];
    EXPECT_EQ(data.kind, TrackKind::Data);
    EXPECT_EQ(data.line, 27);
    EXPECT_EQ(data.mode, DataMode::Mode2Form1);
    EXPECT_EQ(data.folder, std::filesystem::path("/recipes/tree"));
    EXPECT_EQ(data.folderLine, 29);
    ASSERT_EQ(data.files.size(), 2u);
    EXPECT_EQ(data.files[0].path, "DOCS/READ ME.TXT");
    EXPECT_TRUE(data.files[0].hasText);
    EXPECT_EQ(data.files[0].text, "Hello, disc\n");
    EXPECT_EQ(data.files[1].path, "DATA.BIN");
    EXPECT_FALSE(data.files[1].hasText);
    EXPECT_EQ(data.files[1].size, 4096u);
    EXPECT_EQ(data.emptyDirs, (std::vector<std::string>{"EMPTY"}));
    EXPECT_EQ(data.fileSystem.isoLevel, 1);
    EXPECT_TRUE(data.fileSystem.joliet);
    EXPECT_TRUE(data.fileSystem.rockRidge);
    EXPECT_EQ(data.fileSystem.volumeId, "DEMO_1");

    const TrackRecipe& tone = recipe.tracks[1];
    EXPECT_EQ(tone.kind, TrackKind::Audio);
    EXPECT_EQ(tone.pregap, 150);
    EXPECT_TRUE(tone.pregapStored);
    EXPECT_EQ(tone.length, 60 * 75);
    EXPECT_DOUBLE_EQ(tone.tone.frequency, 440.5);
    EXPECT_DOUBLE_EQ(tone.tone.level, 0.25);
    EXPECT_TRUE(tone.preEmphasis);
    EXPECT_TRUE(tone.copyPermitted);
    EXPECT_TRUE(tone.fourChannel);
    EXPECT_EQ(tone.isrc, "DEKEL2600001");

    const TrackRecipe& last = recipe.tracks[2];
    EXPECT_EQ(last.pregap, 75);
    EXPECT_FALSE(last.pregapStored);
    EXPECT_EQ(last.length, 300);
    EXPECT_FALSE(last.copyPermitted);
}

TEST(RecipeParser, ReadsSessionsMediaAndWriteMethods) {
    const Recipe recipe = parsed(R"([disc]
layout = multi-session
medium = cd-rw
state = open
write-method = tao
packet-size = variable
altered = 20-21
[atip]
lead-in-start = 97:15:17
last-lead-out = 74:59:74
disc-sub-type = 3
writing-power = 6
reference-speed = 2
unrestricted-use = no
[drive]
full-toc-bcd = yes
vendor-track-info = on
[faults]
unwritten-sense = 3/02/00
[data]
filesystem = udf-sparable
min-size = 1000
[session]
import = no
[data]
maker = genisoimage
write-method = packet
packet-size = 32
)");
    EXPECT_EQ(recipe.layout, Layout::MultiSession);
    EXPECT_EQ(recipe.medium, Medium::CdRw);
    EXPECT_EQ(recipe.state, DiscState::Open);
    EXPECT_EQ(recipe.writeMethod, WriteMethod::Tao);
    EXPECT_EQ(recipe.packetSize, 0) << "variable";
    ASSERT_EQ(recipe.altered.size(), 1u);
    EXPECT_EQ(recipe.alteredLine, 7);
    ASSERT_TRUE(recipe.atip);
    EXPECT_EQ(recipe.atip->leadInStart, "97:15:17");
    EXPECT_EQ(recipe.atip->lastLeadOut, "74:59:74");
    EXPECT_EQ(recipe.atip->discSubType, 3);
    EXPECT_EQ(recipe.atip->writingPower, 6);
    EXPECT_EQ(recipe.atip->referenceSpeed, 2);
    EXPECT_EQ(recipe.atip->unrestrictedUse, 0);
    EXPECT_TRUE(recipe.drive.fullTocBcd);
    EXPECT_TRUE(recipe.drive.vendorTrackInfo);
    EXPECT_EQ(recipe.drive.faults.unwrittenSense, (std::array<std::uint8_t, 3>{3, 2, 0}));

    ASSERT_EQ(recipe.tracks.size(), 2u);
    ASSERT_EQ(recipe.sessions.size(), 1u);
    EXPECT_FALSE(recipe.sessions[0].import);
    const TrackRecipe& first = recipe.tracks[0];
    EXPECT_EQ(first.session, 1);
    EXPECT_EQ(first.fileSystem.kind, fs::FileSystemKind::UdfSparable);
    EXPECT_EQ(first.fileSystem.minBlocks, 1000);
    EXPECT_EQ(recipe.methodOf(first), WriteMethod::Tao);
    const TrackRecipe& second = recipe.tracks[1];
    EXPECT_EQ(second.session, 2);
    EXPECT_EQ(second.fileSystem.maker, IsoMaker::Genisoimage);
    EXPECT_EQ(recipe.methodOf(second), WriteMethod::Packet);
    EXPECT_EQ(recipe.packetSizeOf(second), 32);
    EXPECT_EQ(second.writeLine, 27);
}

TEST(RecipeParser, DefaultsNameTheOutputAfterTheRecipe) {
    const Recipe recipe = parsed("[data]\n");
    EXPECT_EQ(recipe.name, "master");
    EXPECT_EQ(recipe.layout, Layout::CdRom);
    EXPECT_EQ(recipe.binFiles, BinFiles::Single);
    EXPECT_EQ(recipe.tracks.at(0).mode, DataMode::Mode1);
    EXPECT_EQ(recipe.drive.vendor, emu::DriveDescription{}.vendor);
}

struct BadRecipe {
    const char* what;
    const char* text;
    int line;
    const char* says;
};

class RecipeErrors : public ::testing::TestWithParam<BadRecipe> {};

TEST_P(RecipeErrors, NameTheFileAndLine) {
    const BadRecipe& bad = GetParam();
    auto result = parseRecipe(bad.text, kOrigin);
    ASSERT_TRUE(std::holds_alternative<BuildError>(result)) << bad.what;
    const BuildError& error = std::get<BuildError>(result);
    EXPECT_EQ(error.file, kOrigin);
    EXPECT_EQ(error.line, bad.line) << error.text();
    EXPECT_NE(error.message.find(bad.says), std::string::npos) << error.text();
    const std::string where = bad.line > 0
                                  ? kOrigin.string() + ":" + std::to_string(bad.line) + ": "
                                  : kOrigin.string() + ": ";
    EXPECT_EQ(error.text().rfind(where, 0), 0u) << error.text();
}

INSTANTIATE_TEST_SUITE_P(
    Recipes, RecipeErrors,
    ::testing::Values(
        BadRecipe{"empty", "# nothing\n", 0, "no [data] or [audio] track"},
        BadRecipe{"key first", "layout = audio\n[audio]\n", 1, "before any [section]"},
        BadRecipe{"no equals", "[disc]\nlayout audio\n", 2, "key = value"},
        BadRecipe{"open header", "[disc\n", 1, "ends with ']'"},
        BadRecipe{"unknown section", "[data]\n[cd-text]\n", 2, "unknown section [cd-text]"},
        BadRecipe{"section twice", "[disc]\n[drive]\n[disc]\n", 3, "[disc] given twice"},
        BadRecipe{"key twice", "[disc]\nname = a\nname = b\n[data]\n", 3, "given twice"},
        BadRecipe{"unknown key", "[data]\nlabel = X\n", 2, "unknown key 'label' in [data]"},
        BadRecipe{"audio key in data", "[data]\ntone = 440\n", 2, "unknown key 'tone'"},
        BadRecipe{"layout", "[disc]\nlayout = floppy\n", 2, "layout wants"},
        BadRecipe{"bin", "[disc]\nbin = many\n", 2, "bin wants"},
        BadRecipe{"name with slash", "[disc]\nname = a/b\n", 2, "plain file name"},
        BadRecipe{"catalog", "[disc]\ncatalog = 12345\n", 2, "13 digits"},
        BadRecipe{"vendor too long", "[inquiry]\nvendor = NINECHARS\n", 2, "at most 8"},
        BadRecipe{"personality", "[drive]\npersonality = ide\n", 2, "wants mmc, scsi2"},
        BadRecipe{"changeable", "[drive]\nerror-recovery-changeable = 1FF\n", 2, "one byte"},
        BadRecipe{"reversed range", "[faults]\nhard = 20-10\n", 2, "ranges first-last"},
        BadRecipe{"opcode", "[faults]\nreject-opcodes = 43 xyz\n", 2, "hexadecimal"},
        BadRecipe{"polls", "[faults]\nbecoming-ready-polls = -1\n", 2, "0 to 10000"},
        BadRecipe{"mode", "[data]\nmode = 3\n", 2, "mode wants 1 or 2"},
        BadRecipe{"iso level", "[data]\niso-level = 4\n", 2, "1, 2 or 3"},
        BadRecipe{"volume id", "[data]\nvolume-id = lower\n", 2, "A-Z"},
        BadRecipe{"escaping path", "[data]\nfile = ../etc/passwd size=1\n", 2, "inside the disc"},
        BadRecipe{"absolute path", "[data]\ndir = /tmp\n", 2, "inside the disc"},
        BadRecipe{"file content", "[data]\nfile = A.TXT\n", 2, "size=N"},
        BadRecipe{"open quote", "[data]\nfile = \"A B size=1\n", 2, "closing"},
        BadRecipe{"file size", "[data]\nfile = A.TXT size=lots\n", 2, "byte count"},
        BadRecipe{"same file twice", "\n[data]\nfile = A size=1\nfile = A text=b\n", 4,
                  "listed twice"},
        BadRecipe{"yes/no", "[data]\njoliet = maybe\n", 2, "yes or no"},
        BadRecipe{"half frame", "[disc]\nlayout = audio\n[audio]\nlength = 1.01s\n", 4,
                  "length wants"},
        BadRecipe{"bad msf", "[disc]\nlayout = audio\n[audio]\nlength = 1:60:00\n", 4,
                  "length wants"},
        BadRecipe{"zero length", "[disc]\nlayout = audio\n[audio]\nlength = 0\n", 4, "more than 0"},
        BadRecipe{"no length", "[disc]\nlayout = audio\n[audio]\ntone = 440\n", 3,
                  "needs a length"},
        BadRecipe{"tone", "[disc]\nlayout = audio\n[audio]\ntone = -5\n", 4, "frequency"},
        BadRecipe{"level", "[disc]\nlayout = audio\n[audio]\nlevel = 2\n", 4, "0 to 1"},
        BadRecipe{"isrc", "[disc]\nlayout = audio\n[audio]\nlength = 75\nisrc = 1234\n", 3,
                  "isrc wants"},
        BadRecipe{"cd-rom with audio", "[audio]\nlength = 75\n", 0, "layout cd-rom"},
        BadRecipe{"audio with data", "[disc]\nlayout = audio\n[data]\n", 0, "layout audio"},
        BadRecipe{"mixed audio first", "[disc]\nlayout = mixed\n[audio]\nlength = 75\n[data]\n", 0,
                  "layout mixed"},
        BadRecipe{"unstored data pregap", "[data]\npregap = 150\npregap-stored = no\n", 1,
                  "always stored"},
        // Sessions, media and their states.
        BadRecipe{"medium", "[disc]\nmedium = dvd\n[data]\n", 2, "medium wants pressed"},
        BadRecipe{"state", "[disc]\nstate = half\n[data]\n", 2, "state wants closed"},
        BadRecipe{"pressed appendable", "[disc]\nstate = appendable\n[data]\n", 2,
                  "a pressed disc is closed"},
        BadRecipe{"pressed tao", "[data]\nwrite-method = tao\n", 2, "a pressed disc is not"},
        BadRecipe{"pressed disc at once", "[disc]\nwrite-method = packet\n[data]\n", 2,
                  "a pressed disc is not"},
        BadRecipe{"pressed atip", "[atip]\nlead-in-start = 97:10:00\n[data]\n", 1,
                  "a pressed disc has no ATIP"},
        BadRecipe{"write method", "[disc]\nmedium = cd-r\n[data]\nwrite-method = sao\n", 4,
                  "dao, tao or packet"},
        BadRecipe{"packet size", "[disc]\nmedium = cd-r\npacket-size = 0\n[data]\n", 3,
                  "variable or 1 to 65535"},
        BadRecipe{"audio packets",
                  "[disc]\nlayout = audio\nmedium = cd-r\n[audio]\nlength = 75\n"
                  "write-method = packet\n",
                  6, "audio is not written in packets"},
        BadRecipe{"open without packets", "[disc]\nmedium = cd-r\nstate = open\n[data]\n", 4,
                  "state open leaves the last track open"},
        BadRecipe{"blank with tracks", "[disc]\nmedium = cd-r\nstate = blank\n[data]\n", 4,
                  "a blank disc has no tracks"},
        BadRecipe{"lead-in", "[disc]\nmedium = cd-r\n[atip]\nlead-in-start = 96:10:00\n", 4,
                  "97:SS:FF"},
        BadRecipe{"lead-out", "[disc]\nmedium = cd-r\n[atip]\nlast-lead-out = 79:60:00\n", 4,
                  "MM:SS:FF"},
        BadRecipe{"atip number", "[disc]\nmedium = cd-r\n[atip]\nwriting-power = 8\n", 4, "0 to 7"},
        BadRecipe{"unknown atip", "[disc]\nmedium = cd-r\n[atip]\ndye = cyanine\n", 4,
                  "unknown key 'dye' in [atip]"},
        BadRecipe{"unwritten sense", "[faults]\nunwritten-sense = 5/21\n[data]\n", 2, "K/AA/QQ"},
        BadRecipe{"session first", "[session]\n[data]\n", 1, "comes after a track"},
        BadRecipe{"session twice", "[data]\n[session]\n[session]\n[data]\n", 3,
                  "comes after a track"},
        BadRecipe{"empty session", "[disc]\nlayout = multi-session\n[data]\n[session]\n", 4,
                  "has no track"},
        BadRecipe{"session import", "[data]\n[session]\nimport = perhaps\n[data]\n", 3,
                  "yes or no"},
        BadRecipe{"unknown session key", "[data]\n[session]\nstart = 100\n[data]\n", 3,
                  "unknown key 'start' in [session]"},
        BadRecipe{"cd-rom of two sessions", "[data]\n[session]\n[data]\n", 0, "layout cd-rom"},
        BadRecipe{"multi-session of one", "[disc]\nlayout = multi-session\n[data]\n", 0,
                  "two or more sessions"},
        BadRecipe{"cd-extra data first",
                  "[disc]\nlayout = cd-extra\n[data]\n[session]\n[audio]\nlength = 75\n", 0,
                  "layout cd-extra"},
        BadRecipe{"cd-extra in mode 1",
                  "[disc]\nlayout = cd-extra\n[audio]\nlength = 75\n[session]\n[data]\n", 0,
                  "mode 2"},
        BadRecipe{"later session pregap",
                  "[disc]\nlayout = multi-session\n[data]\n[session]\n[data]\npregap = 150\n", 5,
                  "leave pregap out"},
        BadRecipe{"altered", "[disc]\naltered = 5-\n[data]\n", 2, "altered wants"},
        // File systems.
        BadRecipe{"filesystem", "[data]\nfilesystem = fat\n", 2, "filesystem wants iso9660"},
        BadRecipe{"maker", "[data]\nmaker = mkisofs\n", 2, "xorriso or genisoimage"},
        BadRecipe{"boot without el torito", "[data]\nboot-image = boot.img\n", 1,
                  "boot-image goes with filesystem el-torito"},
        BadRecipe{"el torito without boot", "[data]\nfilesystem = el-torito\n", 1,
                  "needs a boot-image"},
        BadRecipe{"boot emulation", "[data]\nboot-emulation = tape\n", 2, "none, floppy"},
        BadRecipe{"udf in a later session",
                  "[disc]\nlayout = multi-session\n[data]\n[session]\n[data]\nfilesystem = udf\n",
                  5, "first session only"},
        BadRecipe{"import from udf",
                  "[disc]\nlayout = multi-session\n[data]\nfilesystem = udf\n[session]\n[data]\n",
                  5, "import = no"},
        BadRecipe{"min size", "[data]\nmin-size = 0\n", 2, "2048-byte blocks"},
        // CD+G.
        BadRecipe{"cdg in data", "[data]\ncdg = memory-preset colour=1\n", 2,
                  "unknown key 'cdg' in [data]"},
        BadRecipe{"cdg instruction", "[disc]\nlayout = audio\n[audio]\nlength = 75\ncdg = wipe\n",
                  5, "unknown CD+G instruction 'wipe'"},
        BadRecipe{"cdg past the end",
                  "[disc]\nlayout = audio\n[audio]\nlength = 2\ncdg = @1 border-preset colour=1\n"
                  "cdg = memory-preset colour=0 repeat=5\n",
                  6, "past the track's end"},
        BadRecipe{"cdg back in time",
                  "[disc]\nlayout = audio\n[audio]\nlength = 75\ncdg = memory-preset colour=0 "
                  "repeat=16\ncdg = @3 border-preset colour=1\n",
                  6, "before the end of the packs"},
        BadRecipe{"too long",
                  "[disc]\nlayout = audio\n[audio]\nlength = 99:00:00\n[audio]\nlength = "
                  "01:00:00\n",
                  5, "longer than 99:59:74"}),
    [](const ::testing::TestParamInfo<BadRecipe>& info) {
        std::string name = info.param.what;
        for (char& c : name) {
            c = std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
        }
        return name;
    });

TEST(RecipeValues, LengthsInFramesSecondsAndMinutes) {
    EXPECT_EQ(parseFrames("300"), 300);
    EXPECT_EQ(parseFrames("4s"), 300);
    EXPECT_EQ(parseFrames("0.2s"), 15);
    EXPECT_EQ(parseFrames("01:02:03"), 62 * 75 + 3);
    EXPECT_FALSE(parseFrames("99:59:74")) << "beyond the last lead-out";
    EXPECT_FALSE(parseFrames("1.5s")) << "112.5 frames";
    EXPECT_FALSE(parseFrames("00:00:75"));
    EXPECT_FALSE(parseFrames("1:2"));
    EXPECT_FALSE(parseFrames("-4"));
    EXPECT_FALSE(parseFrames("4 s"));
    EXPECT_FALSE(parseFrames(""));
}

TEST(RecipeValues, RangesAndOpcodesAsTheDescriptorWritesThem) {
    const auto ranges = parseLbaRanges("1000-1010, 5000,7 - 9");
    ASSERT_TRUE(ranges);
    ASSERT_EQ(ranges->size(), 3u);
    EXPECT_EQ((*ranges)[2].first, 7);
    EXPECT_EQ((*ranges)[2].last, 9);
    EXPECT_TRUE(parseLbaRanges("")->empty());
    EXPECT_FALSE(parseLbaRanges("5-"));
    EXPECT_FALSE(parseLbaRanges("99999999"));

    EXPECT_EQ(parseHexBytes("43 0xbe,FF"), (std::vector<std::uint8_t>{0x43, 0xBE, 0xFF}));
    EXPECT_FALSE(parseHexBytes("100"));
    EXPECT_FALSE(parseHexBytes("0x"));
}

}  // namespace
}  // namespace kel::mkdisc
