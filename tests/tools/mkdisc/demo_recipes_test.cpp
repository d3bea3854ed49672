// The demo's discs (demo/*.recipe), built as scripts/demo builds them and
// loaded by the emulated drive: each is the kind of disc its name promises.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <set>

#include "emu/disc/loader.h"
#include "scratch_disc.h"
#include "tools/mkdisc/recipe_parser.h"

namespace kel::mkdisc {
namespace {

using testing::haveProgram;
using testing::ScratchFolder;

const std::filesystem::path kDemo = KEL_DEMO_DIR;

struct DemoDisc {
    Recipe recipe;
    BuiltDisc built;
    emu::LoadedDrive loaded;
};

// Builds demo/NAME.recipe into `scratch` and loads it.
std::optional<DemoDisc> buildDemo(const ScratchFolder& scratch, const std::string& name) {
    auto recipe = readRecipe(kDemo / (name + ".recipe"));
    if (auto* error = std::get_if<BuildError>(&recipe)) {
        ADD_FAILURE() << error->text();
        return std::nullopt;
    }
    BuildOptions options;
    options.outputDir = scratch.path() / name;
    auto built = buildDisc(std::get<Recipe>(recipe), options);
    if (auto* error = std::get_if<BuildError>(&built)) {
        ADD_FAILURE() << error->text();
        return std::nullopt;
    }
    auto loaded = emu::loadDrive(std::get<BuiltDisc>(built).descriptor);
    if (auto* error = std::get_if<emu::LoadError>(&loaded)) {
        ADD_FAILURE() << error->text();
        return std::nullopt;
    }
    return DemoDisc{std::get<Recipe>(recipe), std::get<BuiltDisc>(built),
                    std::get<emu::LoadedDrive>(loaded)};
}

TEST(DemoRecipes, MixedModeDiscIsADataTrackThenAudio) {
    ScratchFolder scratch;
    const auto demo = buildDemo(scratch, "mixed");
    ASSERT_TRUE(demo);
    const emu::Disc& disc = demo->loaded.disc;
    ASSERT_EQ(disc.tracks.size(), 4u);
    EXPECT_TRUE(disc.tracks[0].isData());
    for (std::size_t i = 1; i < disc.tracks.size(); ++i) {
        EXPECT_FALSE(disc.tracks[i].isData());
    }
    EXPECT_TRUE(std::filesystem::exists(demo->built.folder / "DATA" / "LEVEL1.DAT"));
}

TEST(DemoRecipes, CopyOfTheMixedDiscDiffersOnlyWhereDamagedOrAltered) {
    ScratchFolder scratch;
    const auto original = buildDemo(scratch, "mixed");
    const auto copy = buildDemo(scratch, "mixed-copy");
    ASSERT_TRUE(original && copy);
    const emu::Disc& disc = copy->loaded.disc;
    ASSERT_EQ(disc.leadOut, original->loaded.disc.leadOut);
    ASSERT_EQ(disc.tracks.size(), original->loaded.disc.tracks.size());

    const auto slurp = [](const std::filesystem::path& file) {
        std::ifstream in(file, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    };
    const std::string a = slurp(original->built.bins.at(0));
    const std::string b = slurp(copy->built.bins.at(0));
    ASSERT_EQ(a.size(), b.size());
    std::set<std::int32_t> differing;
    for (std::size_t lba = 0; lba * 2352 < a.size(); ++lba) {
        if (a.compare(lba * 2352, 2352, b, lba * 2352, 2352) != 0) {
            differing.insert(static_cast<std::int32_t>(lba));
        }
    }
    std::set<std::int32_t> altered;
    for (const emu::LbaRange& range : copy->recipe.altered) {
        for (std::int32_t lba = range.first; lba <= range.last; ++lba) {
            altered.insert(lba);
        }
    }
    EXPECT_FALSE(altered.empty());
    EXPECT_EQ(differing, altered) << "the same recipe makes the same sectors";

    const auto& hard = copy->loaded.drive.faults.hard;
    ASSERT_FALSE(hard.empty());
    bool inData = false, inAudio = false;
    for (const emu::LbaRange& range : hard) {
        for (std::int32_t lba = range.first; lba <= range.last; ++lba) {
            const emu::Track* track = disc.trackAt(lba);
            ASSERT_NE(track, nullptr) << "damaged LBA " << lba << " lies on the disc";
            (track->isData() ? inData : inAudio) = true;
            EXPECT_EQ(altered.count(lba), 0u) << "damaged and altered are apart";
        }
    }
    EXPECT_TRUE(inData && inAudio);
}

TEST(DemoRecipes, CdgDiscCarriesItsSubChannel) {
    ScratchFolder scratch;
    const auto demo = buildDemo(scratch, "cdg");
    ASSERT_TRUE(demo);
    EXPECT_FALSE(demo->loaded.disc.subchannelFile.empty());
    EXPECT_EQ(std::filesystem::file_size(demo->built.subchannel),
              static_cast<std::uintmax_t>(demo->loaded.disc.leadOut + 2) * 96);
    EXPECT_FALSE(demo->recipe.tracks.front().graphics.empty());
}

TEST(DemoRecipes, TwoSessionCdRIsAppendable) {
    if (!haveProgram("xorriso")) {
        GTEST_SKIP() << "xorriso is not installed (Debian package xorriso)";
    }
    ScratchFolder scratch;
    const auto demo = buildDemo(scratch, "cdr-two-sessions");
    ASSERT_TRUE(demo);
    const emu::Disc& disc = demo->loaded.disc;
    EXPECT_EQ(disc.medium, emu::Medium::CdR);
    EXPECT_EQ(disc.status, emu::DiscStatus::Incomplete);
    ASSERT_EQ(disc.sessions.size(), 2u);
    EXPECT_EQ(disc.tracks[1].start, disc.sessions[0].leadOut + emu::kSessionGapAfterFirst);
    EXPECT_TRUE(std::filesystem::exists(demo->built.folder / "FIRST" / "NOTES.TXT"))
        << "the first session's files are imported into the second";
    EXPECT_TRUE(std::filesystem::exists(demo->built.folder / "SECOND" / "NOTES.TXT"));
}

TEST(DemoRecipes, PacketWrittenCdRwHoldsUdf) {
    if (!haveProgram("mkudffs")) {
        GTEST_SKIP() << "mkudffs is not installed (Debian package udftools)";
    }
    ScratchFolder scratch;
    const auto demo = buildDemo(scratch, "cdrw-udf");
    ASSERT_TRUE(demo);
    const emu::Disc& disc = demo->loaded.disc;
    EXPECT_EQ(disc.medium, emu::Medium::CdRw);
    ASSERT_EQ(disc.tracks.size(), 1u);
    EXPECT_EQ(disc.tracks[0].writeMethod, emu::WriteMethod::Packet);
    EXPECT_EQ(disc.tracks[0].packetSize, 32);
    EXPECT_EQ((disc.tracks[0].end - disc.tracks[0].start) % 32, 0);

    // UDF's anchor volume descriptor pointer (tag 2) at block 256.
    emu::SectorReader reader(disc);
    std::array<std::uint8_t, emu::kRawSectorSize> raw{};
    ASSERT_EQ(reader.readRaw(256, raw), std::nullopt);
    EXPECT_EQ(raw[16] | raw[17] << 8, 2);
}

}  // namespace
}  // namespace kel::mkdisc
