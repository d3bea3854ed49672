#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <fstream>
#include <iterator>

#include "built_layout.h"
#include "emu/disc/loader.h"
#include "scratch_disc.h"
#include "tools/mkdisc/disc_folder.h"
#include "tools/mkdisc/recipe_parser.h"
#include "tools/mkdisc/tone.h"

namespace kel::mkdisc {
namespace {

using testing::BuiltLayouts;
using testing::kLayoutRecipes;
using testing::ScratchFolder;

TEST_P(BuiltLayouts, LoadBackAsPlannedThroughTheDescriptor) {
    const emu::Disc& disc = loaded_.disc;
    ASSERT_EQ(disc.tracks.size(), recipe_.tracks.size());
    EXPECT_EQ(disc.leadOut, built_.plan.leadOut);
    EXPECT_EQ(disc.catalog, recipe_.catalog);
    for (std::size_t i = 0; i < disc.tracks.size(); ++i) {
        SCOPED_TRACE("track " + std::to_string(i + 1));
        const emu::Track& track = disc.tracks[i];
        const TrackRecipe& wanted = recipe_.tracks[i];
        const TrackPlacement& placed = built_.plan.tracks[i];
        EXPECT_EQ(track.number, static_cast<int>(i) + 1);
        EXPECT_EQ(track.pregapStart, placed.pregapStart);
        EXPECT_EQ(track.start, placed.start);
        EXPECT_EQ(track.start - track.pregapStart, wanted.pregap);
        EXPECT_EQ(track.end, placed.end);
        EXPECT_EQ(track.storedFrom, placed.storedFrom);
        EXPECT_EQ(track.storage, emu::StorageFormat::Raw2352);
        EXPECT_EQ(track.isrc, wanted.isrc);
        if (wanted.kind == TrackKind::Audio) {
            EXPECT_EQ(track.format, emu::SectorFormat::Audio);
            EXPECT_EQ(track.end - track.start, wanted.length);
            std::uint8_t control = 0;
            control |= wanted.preEmphasis ? emu::control::kPreEmphasis : 0;
            control |= wanted.copyPermitted ? emu::control::kCopyPermitted : 0;
            control |= wanted.fourChannel ? emu::control::kFourChannel : 0;
            EXPECT_EQ(track.control, control);
        } else {
            EXPECT_EQ(track.format, wanted.mode == DataMode::Mode1 ? emu::SectorFormat::Mode1
                                                                   : emu::SectorFormat::Mode2);
            EXPECT_EQ(track.control, emu::control::kData);
        }
    }
}

TEST_P(BuiltLayouts, PassTheDriveThroughAndNameTheMountedFolder) {
    const emu::DriveDescription& drive = loaded_.drive;
    const emu::DriveDescription& wanted = recipe_.drive;
    EXPECT_EQ(drive.vendor, wanted.vendor);
    EXPECT_EQ(drive.product, wanted.product);
    EXPECT_EQ(drive.revision, wanted.revision);
    EXPECT_EQ(drive.date, wanted.date);
    EXPECT_EQ(drive.personality, wanted.personality);
    EXPECT_EQ(drive.vendorCddaRead, wanted.vendorCddaRead);
    EXPECT_EQ(drive.atipOnPressed, wanted.atipOnPressed);
    EXPECT_EQ(drive.errorRecoveryChangeable, wanted.errorRecoveryChangeable);
    const auto sameRanges = [](const std::vector<emu::LbaRange>& a,
                               const std::vector<emu::LbaRange>& b) {
        return a.size() == b.size() &&
               std::equal(a.begin(), a.end(), b.begin(),
                          [](auto x, auto y) { return x.first == y.first && x.last == y.last; });
    };
    EXPECT_TRUE(sameRanges(drive.faults.hard, wanted.faults.hard));
    EXPECT_TRUE(sameRanges(drive.faults.marginal, wanted.faults.marginal));
    EXPECT_TRUE(sameRanges(drive.faults.other, wanted.faults.other));
    EXPECT_EQ(drive.faults.rejectedOpcodes, wanted.faults.rejectedOpcodes);
    EXPECT_EQ(drive.faults.becomingReadyPolls, wanted.faults.becomingReadyPolls);

    if (recipe_.tracks.front().kind == TrackKind::Data) {
        EXPECT_TRUE(std::filesystem::equivalent(drive.mountedFolder, built_.folder));
        EXPECT_EQ(drive.volumeLabel, recipe_.tracks.front().fileSystem.volumeId);
    } else {
        EXPECT_TRUE(drive.mountedFolder.empty());
        EXPECT_TRUE(built_.folder.empty());
    }
}

TEST_P(BuiltLayouts, StoreRealSectorsWhereThePlanSays) {
    emu::SectorReader reader(loaded_.disc);
    std::array<std::uint8_t, emu::kRawSectorSize> raw{};
    for (std::size_t i = 0; i < recipe_.tracks.size(); ++i) {
        SCOPED_TRACE("track " + std::to_string(i + 1));
        const TrackRecipe& wanted = recipe_.tracks[i];
        const TrackPlacement& placed = built_.plan.tracks[i];
        if (wanted.kind == TrackKind::Data) {
            // The primary volume descriptor at LBA 16, whatever the pregap.
            ASSERT_EQ(reader.readRaw(16, raw), std::nullopt);
            const std::size_t data = wanted.mode == DataMode::Mode1 ? 16 : 24;
            EXPECT_EQ(raw[15], wanted.mode == DataMode::Mode1 ? 1 : 2);
            EXPECT_EQ(std::memcmp(raw.data() + data,
                                  "\x01"
                                  "CD001",
                                  6),
                      0);
            if (wanted.mode != DataMode::Mode1) {
                // Form 1 data; the track's last sector also ends its record
                // and its file (submode bits 0 and 7), in both copies.
                EXPECT_EQ(raw[18], 0x08);
                EXPECT_EQ(raw[22], 0x08);
                ASSERT_EQ(reader.readRaw(placed.writtenEnd - 1, raw), std::nullopt);
                EXPECT_EQ(raw[18], 0x89);
                EXPECT_EQ(raw[22], 0x89);
            }
            continue;
        }
        std::array<std::uint8_t, emu::kRawSectorSize> tone{};
        for (std::int32_t frame : {0, wanted.length - 1}) {
            ASSERT_EQ(reader.readRaw(placed.start + frame, raw), std::nullopt);
            synthesiseFrame(wanted.tone, frame, tone);
            EXPECT_EQ(raw, tone) << "frame " << frame;
        }
        if (wanted.pregap > 0) {
            ASSERT_EQ(reader.readRaw(placed.pregapStart, raw), std::nullopt);
            EXPECT_EQ(raw, (std::array<std::uint8_t, emu::kRawSectorSize>{}))
                << "a pregap is silence";
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Layouts, BuiltLayouts, ::testing::ValuesIn(kLayoutRecipes),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(BuildDisc, MountedFolderHoldsTheSourceFolderAndInlineFiles) {
    ScratchFolder scratch;
    const auto source = scratch.path() / "tree";
    std::filesystem::create_directories(source / "SUB");
    std::ofstream(source / "SUB" / "NOTE.TXT") << "from the folder\n";
    auto result = scratch.build("tree.recipe",
                                "[data]\nfolder = tree\nfile = GEN.BIN size=5000\n"
                                "file = SUB/HI.TXT text=hi there\ndir = EMPTY/DEEP\n");
    ASSERT_TRUE(std::holds_alternative<BuiltDisc>(result)) << std::get<BuildError>(result).text();
    const auto folder = std::get<BuiltDisc>(result).folder;

    const auto slurp = [](const std::filesystem::path& file) {
        std::ifstream in(file, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    };
    EXPECT_EQ(slurp(folder / "SUB" / "NOTE.TXT"), "from the folder\n");
    EXPECT_EQ(slurp(folder / "SUB" / "HI.TXT"), "hi there\n");
    EXPECT_TRUE(std::filesystem::is_directory(folder / "EMPTY" / "DEEP"));
    const std::string generated = slurp(folder / "GEN.BIN");
    ASSERT_EQ(generated.size(), 5000u);
    std::vector<std::uint8_t> expected(5000);
    generatedContent("GEN.BIN", 0, expected);
    EXPECT_EQ(std::memcmp(generated.data(), expected.data(), expected.size()), 0);
    EXPECT_FALSE(std::filesystem::exists(scratch.path() / "out" / "tree.work"))
        << "the intermediate image is removed";
}

TEST(BuildDisc, GeneratedContentDependsOnlyOnPathAndOffset) {
    std::array<std::uint8_t, 40> whole{}, tail{}, other{};
    generatedContent("A/B.BIN", 0, whole);
    generatedContent("A/B.BIN", 13, std::span(tail.data(), 27));
    generatedContent("A/C.BIN", 0, other);
    EXPECT_EQ(std::memcmp(whole.data() + 13, tail.data(), 27), 0);
    EXPECT_NE(whole, other);
}

struct ToolFailure {
    const char* what;
    const char* xorriso;
    const char* recipe;
    int line;
    const char* says;
};

class ToolFailures : public ::testing::TestWithParam<ToolFailure> {};

TEST_P(ToolFailures, NameTheRecipeLine) {
    const ToolFailure& failure = GetParam();
    ScratchFolder scratch;
    auto result = scratch.build("broken.recipe", failure.recipe, failure.xorriso);
    ASSERT_TRUE(std::holds_alternative<BuildError>(result));
    const BuildError& error = std::get<BuildError>(result);
    EXPECT_EQ(error.file, scratch.path() / "broken.recipe");
    EXPECT_EQ(error.line, failure.line) << error.text();
    EXPECT_NE(error.message.find(failure.says), std::string::npos) << error.text();
    EXPECT_FALSE(std::filesystem::exists(scratch.path() / "out" / "broken.work"));
}

INSTANTIATE_TEST_SUITE_P(
    Tools, ToolFailures,
    ::testing::Values(
        ToolFailure{"missing_xorriso", "kel-no-such-xorriso", "\n[data]\n", 2, "not installed"},
        ToolFailure{"failing_xorriso", "false", "[data]\n", 1, "false failed (exit 1)"},
        ToolFailure{"file_over_a_file", "xorriso", "[data]\nfile = A text=x\nfile = A/B text=y\n",
                    3, "cannot create"},
        ToolFailure{"missing_folder", "xorriso", "[data]\nfolder = nowhere\n", 2,
                    "no such folder"}),
    [](const auto& info) { return std::string(info.param.what); });

TEST(Tone, IsASineOfTheChosenFrequencyAndLevel) {
    const Tone tone{1000.0, 0.5};
    int crossings = 0;
    int peak = 0;
    std::int16_t previous = 0;
    std::array<std::uint8_t, 2352> frame{};
    for (int f = 0; f < 75; ++f) {
        synthesiseFrame(tone, f, frame);
        for (std::size_t s = 0; s < kSamplesPerFrame; ++s) {
            const auto left = static_cast<std::int16_t>(frame[s * 4] | frame[s * 4 + 1] << 8);
            const auto right = static_cast<std::int16_t>(frame[s * 4 + 2] | frame[s * 4 + 3] << 8);
            ASSERT_EQ(left, right);
            crossings += (previous < 0) != (left < 0) ? 1 : 0;
            peak = std::max(peak, std::abs(static_cast<int>(left)));
            previous = left;
        }
    }
    EXPECT_NEAR(crossings, 2000, 2) << "two crossings a cycle, 1000 cycles a second";
    EXPECT_NEAR(peak, 16384, 2);

    synthesiseFrame(Tone{0.0, 0.5}, 7, frame);
    EXPECT_EQ(frame, (std::array<std::uint8_t, 2352>{})) << "0 Hz is silence";
}

}  // namespace
}  // namespace kel::mkdisc
