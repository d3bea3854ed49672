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
        BadRecipe{"personality", "[drive]\npersonality = ide\n", 2, "mmc or scsi2"},
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
        BadRecipe{"same file twice", "\n[data]\nfile = A size=1\nfile = A text=b\n", 2,
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
