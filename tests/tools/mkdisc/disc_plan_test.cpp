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

// Every data track's file system is `dataSectors` long; `starts` records
// where the planner asked each to begin.
MakeDataTrack fixedSize(std::int32_t dataSectors, std::vector<std::int32_t>* starts = nullptr) {
    return [dataSectors, starts](std::size_t, std::int32_t dataStart) {
        if (starts != nullptr) {
            starts->push_back(dataStart);
        }
        return std::variant<std::int32_t, BuildError>(dataSectors);
    };
}

DiscPlan planOf(const Recipe& recipe, std::int32_t dataSectors,
                std::vector<std::int32_t>* starts = nullptr) {
    auto result = planDisc(recipe, fixedSize(dataSectors, starts));
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
    auto result = planDisc(recipe, fixedSize(150));
    ASSERT_TRUE(std::holds_alternative<BuildError>(result));
    EXPECT_EQ(std::get<BuildError>(result).line, 1);
}

const char* const kThreeSessions = R"([disc]
name = ms
layout = multi-session
medium = cd-r
state = appendable
write-method = tao
[data]
[session]
[data]
write-method = dao
[session]
[data]
)";

TEST(DiscPlan, StartsLaterSessionsAfterTheirLeadOutLeadInAndPregap) {
    const Recipe recipe = recipeFrom(kThreeSessions);
    std::vector<std::int32_t> starts;
    const DiscPlan plan = planOf(recipe, 300, &starts);
    ASSERT_EQ(plan.tracks.size(), 3u);
    ASSERT_EQ(plan.sessions.size(), 3u);
    const TrackPlacement& first = plan.tracks[0];
    const TrackPlacement& second = plan.tracks[1];
    const TrackPlacement& third = plan.tracks[2];

    // Session 1, track-at-once: 300 blocks, padded so that session 2 starts
    // on a 32-block boundary, then the two run-out blocks.
    EXPECT_EQ(first.dataStart, 0);
    EXPECT_EQ(first.dataEnd, 300);
    EXPECT_EQ(first.end - first.writtenEnd, 2);
    EXPECT_EQ(second.start - first.end, 11400) << "6750 lead-out + 4500 lead-in + 150 pregap";
    EXPECT_EQ(second.start % 32, 0);
    EXPECT_LT(first.writtenEnd - first.dataEnd, 32);

    // Session 2, disc-at-once: no run-out; session 3 after a later lead-out.
    EXPECT_EQ(second.dataStart, second.start) << "a later session's image starts at index 1";
    EXPECT_EQ(second.end, second.writtenEnd);
    EXPECT_EQ(third.start - second.end, 6900) << "2250 lead-out + 4500 lead-in + 150 pregap";
    EXPECT_EQ(third.start % 32, 0);
    EXPECT_EQ(third.end - third.writtenEnd, 2) << "the last track is track-at-once again";
    EXPECT_EQ(third.writtenEnd, third.dataEnd) << "no padding after the last session";

    EXPECT_EQ(starts, (std::vector<std::int32_t>{0, second.start, third.start}));
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(plan.sessions[i].number, static_cast<int>(i) + 1);
        EXPECT_EQ(plan.sessions[i].firstTrack, i);
        EXPECT_EQ(plan.sessions[i].start, plan.tracks[i].start);
        EXPECT_EQ(plan.sessions[i].leadOut, plan.tracks[i].end);
    }
    EXPECT_EQ(plan.leadOut, third.end);
    EXPECT_EQ(plan.nextWritable, -1) << "an appendable disc has no open track";

    // The gap is stored in the BIN as the session's index 0.
    EXPECT_EQ(second.pregapStart, first.end);
    EXPECT_EQ(second.storedFrom, first.end);
    EXPECT_EQ(second.binFrame, first.end);
}

TEST(DiscPlan, AnOpenPacketTrackHoldsWholePacketsAndEndsAtTheNextWritableAddress) {
    const Recipe recipe = recipeFrom(R"([disc]
medium = cd-r
state = open
write-method = packet
packet-size = 16
[data]
)");
    const DiscPlan plan = planOf(recipe, 300);
    const TrackPlacement& track = plan.tracks[0];
    EXPECT_EQ(track.dataEnd, 300);
    EXPECT_EQ(track.writtenEnd, 304) << "19 packets of 16 blocks";
    EXPECT_EQ(track.end, 304);
    EXPECT_EQ(plan.nextWritable, 304);
}

TEST(DiscPlan, PlacesTheDataSessionOfACdExtraAfterTheAudio) {
    const Recipe recipe = recipeFrom(R"([disc]
layout = cd-extra
[audio]
length = 1000
[session]
[data]
mode = 2
)");
    std::vector<std::int32_t> starts;
    const DiscPlan plan = planOf(recipe, 200, &starts);
    EXPECT_EQ(plan.tracks[1].start, 1000 + 11400) << "an audio session is not padded";
    EXPECT_EQ(starts, (std::vector<std::int32_t>{1000 + 11400}));
    EXPECT_EQ(plan.leadOut, 12600);
}

TEST(DiscPlan, RefusesAlteredSectorsOutsideTheWrittenBlocks) {
    const std::string head = "[disc]\nlayout = multi-session\nmedium = cd-r\n";
    const std::string tracks = "[data]\n[session]\n[data]\n";
    const Recipe inside = recipeFrom(head + "altered = 20-21, 299\n" + tracks);
    EXPECT_TRUE(std::holds_alternative<DiscPlan>(planDisc(inside, fixedSize(300))));

    const Recipe gap = recipeFrom(head + "altered = 5000\n" + tracks);
    auto result = planDisc(gap, fixedSize(300));
    ASSERT_TRUE(std::holds_alternative<BuildError>(result));
    EXPECT_EQ(std::get<BuildError>(result).line, 4);
    EXPECT_NE(std::get<BuildError>(result).message.find("5000"), std::string::npos);
}

TEST(DiscPlan, MarksSessionsInTheCueSheet) {
    const Recipe recipe = recipeFrom(kThreeSessions);
    const std::string cue = cueSheet(recipe, planOf(recipe, 300));
    const auto second = cue.find("  REM SESSION 02\n  TRACK 02 MODE1/2352\n    INDEX 00 ");
    const auto third = cue.find("  REM SESSION 03\n  TRACK 03 MODE1/2352\n    INDEX 00 ");
    EXPECT_NE(second, std::string::npos) << cue;
    EXPECT_NE(third, std::string::npos) << cue;
    EXPECT_LT(second, third);
}

}  // namespace
}  // namespace kel::mkdisc
