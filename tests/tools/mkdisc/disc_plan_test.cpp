#include <gtest/gtest.h>

#include "tools/mkdisc/cue_sheet.h"
#include "tools/mkdisc/disc_plan.h"
#include "tools/mkdisc/recipe_parser.h"

namespace kel::mkdisc {
namespace {

Recipe recipeFrom(const std::string& text) {
    auto result = parseRecipe(text, "plan.recipe");
    if (auto* error = std::get_if<BuildError>(&result)) {
        ADD_FAILURE() << error->text();
        return {};
    }
    return std::get<Recipe>(result);
}

DiscPlan planOf(const Recipe& recipe, std::int32_t dataSectors) {
    auto result = planDisc(recipe, dataSectors);
    if (auto* error = std::get_if<BuildError>(&result)) {
        ADD_FAILURE() << error->text();
        return {};
    }
    return std::get<DiscPlan>(result);
}

// Track 1 at 150 with its pregap in the image, a stored and a generated
// audio pregap: the three ways index 0 can be laid out.
const char* const kMixed = R"([disc]
name = mix
layout = mixed
catalog = 1234567890123
[data]
pregap = 150
[audio]
pregap = 2s
length = 750
copy = yes
isrc = DEKEL2600001
[audio]
pregap = 00:01:00
pregap-stored = no
length = 300
four-channel = yes
pre-emphasis = yes
)";

TEST(DiscPlan, PlacesStoredAndGeneratedPregaps) {
    const Recipe recipe = recipeFrom(kMixed);
    const DiscPlan plan = planOf(recipe, 400);
    ASSERT_EQ(plan.tracks.size(), 3u);

    const TrackPlacement& data = plan.tracks[0];
    EXPECT_EQ(data.pregapStart, 0);
    EXPECT_EQ(data.start, 150);
    EXPECT_EQ(data.end, 400) << "the pregap is the file system's first 150 sectors";
    EXPECT_EQ(data.storedFrom, 0);

    const TrackPlacement& stored = plan.tracks[1];
    EXPECT_EQ(stored.pregapStart, 400);
    EXPECT_EQ(stored.start, 550);
    EXPECT_EQ(stored.end, 1300);
    EXPECT_EQ(stored.storedFrom, 400);
    EXPECT_EQ(stored.binFrame, 400);

    const TrackPlacement& generated = plan.tracks[2];
    EXPECT_EQ(generated.pregapStart, 1300);
    EXPECT_EQ(generated.start, 1375);
    EXPECT_EQ(generated.end, 1675);
    EXPECT_EQ(generated.storedFrom, 1375);
    EXPECT_EQ(generated.binFrame, 1300) << "a generated pregap takes no room in the BIN";

    EXPECT_EQ(plan.leadOut, 1675);
    EXPECT_EQ(plan.binNames, (std::vector<std::string>{"mix.bin"}));
}

TEST(DiscPlan, WritesTheCueSheetOfASingleBin) {
    const Recipe recipe = recipeFrom(kMixed);
    EXPECT_EQ(cueSheet(recipe, planOf(recipe, 400)),
              "CATALOG 1234567890123\n"
              "FILE \"mix.bin\" BINARY\n"
              "  TRACK 01 MODE1/2352\n"
              "    INDEX 00 00:00:00\n"
              "    INDEX 01 00:02:00\n"
              "  TRACK 02 AUDIO\n"
              "    FLAGS DCP\n"
              "    ISRC DEKEL2600001\n"
              "    INDEX 00 00:05:25\n"
              "    INDEX 01 00:07:25\n"
              "  TRACK 03 AUDIO\n"
              "    FLAGS 4CH PRE\n"
              "    PREGAP 00:01:00\n"
              "    INDEX 01 00:17:25\n");
}

TEST(DiscPlan, GivesEachTrackItsOwnBinWhenAsked) {
    const Recipe recipe = recipeFrom(
        "[disc]\nname = a\nlayout = audio\nbin = per-track\n"
        "[audio]\nlength = 100\n[audio]\npregap = 150\nlength = 100\n");
    const DiscPlan plan = planOf(recipe, 0);
    EXPECT_EQ(plan.binNames, (std::vector<std::string>{"a-01.bin", "a-02.bin"}));
    EXPECT_EQ(plan.tracks[1].binFile, 1u);
    EXPECT_EQ(plan.tracks[1].binFrame, 0);
    EXPECT_EQ(cueSheet(recipe, plan),
              "FILE \"a-01.bin\" BINARY\n"
              "  TRACK 01 AUDIO\n"
              "    INDEX 01 00:00:00\n"
              "FILE \"a-02.bin\" BINARY\n"
              "  TRACK 02 AUDIO\n"
              "    INDEX 00 00:00:00\n"
              "    INDEX 01 00:02:00\n");
}

TEST(DiscPlan, RefusesAFileSystemNoLongerThanItsPregap) {
    const Recipe recipe = recipeFrom("[data]\npregap = 150\n");
    auto result = planDisc(recipe, 150);
    ASSERT_TRUE(std::holds_alternative<BuildError>(result));
    EXPECT_EQ(std::get<BuildError>(result).line, 1);
}

}  // namespace
}  // namespace kel::mkdisc
