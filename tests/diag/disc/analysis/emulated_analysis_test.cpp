// The analysis of discs made by mkdisc, after a real scan through the
// emulated drive: recordable media open and closed, CD-RW, mixed mode, UDF.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>

#include "diag/disc/analysis/analysis.h"
#include "diag/disc/analysis/analysis_lines.h"
#include "diag/disc/analysis/manufacturer_file.h"
#include "diag/disc/disc_info.h"
#include "diag/disc/scan/toc_lines.h"
#include "tests/diag/disc/scan/emulated_scan.h"

namespace kel::diag::testing {
namespace {

class EmulatedAnalysis : public EmulatedScan {
protected:
    void SetUp() override {
        EmulatedScan::SetUp();
        std::ofstream(folder_ / "TEST.mandb", std::ios::binary)
            << "Test Media Works\t26.6\t26.5\r\nOther Maker\t24.0\r\n";
        SetManufacturerFilePath(folder_ / "TEST.mandb");
    }
    void TearDown() override {
        SetManufacturerFilePath({});
        EmulatedScan::TearDown();
    }

    void analyze(const std::string& recipe) {
        ASSERT_NO_FATAL_FAILURE(insert(recipe));
        scan();
        scanMessages_ = messageIds().size();
        RunAnalysis();
    }

    bool has(int id) const {
        const auto& lines = AnalysisLines();
        return std::any_of(lines.begin(), lines.end(),
                           [id](const AnalysisLine& line) { return line.id == id; });
    }
    int count(int id) const {
        const auto& lines = AnalysisLines();
        return static_cast<int>(std::count_if(
            lines.begin(), lines.end(), [id](const AnalysisLine& line) { return line.id == id; }));
    }
    std::vector<std::string> texts(int id) const {
        std::vector<std::string> found;
        for (const AnalysisLine& line : AnalysisLines()) {
            if (line.id == id) {
                found.push_back(line.text);
            }
        }
        return found;
    }
    std::string text(int id) const {
        const std::vector<std::string> found = texts(id);
        return found.empty() ? "(no line " + std::to_string(id) + ")" : found.front();
    }
    // Messages the analysis showed, not the scan.
    std::vector<int> analysisMessages() {
        const std::vector<int> ids = messageIds();
        return {ids.begin() + static_cast<std::ptrdiff_t>(scanMessages_), ids.end()};
    }

    std::size_t scanMessages_ = 0;

    // Every line, for the failure output.
    std::string all() const {
        std::string lines;
        for (const AnalysisLine& line : AnalysisLines()) {
            lines += std::to_string(line.id) + " " + line.text + "\n";
        }
        return lines;
    }
};

TEST_F(EmulatedAnalysis, ClosedCdRPasses) {
    analyze(
        "[disc]\nname = cdr\nmedium = cd-r\n"
        "[data]\nvolume-id = CLOSED\nfile = README.TXT text=hello\nfile = DOCS/A.TXT text=a\n");
    SCOPED_TRACE(all());
    // The drive's default lead-in start is 97:26:66.
    EXPECT_EQ(text(15047), "\tDisc manufacturer: Test Media Works  Type: Phthalocyanine (gold)");
    EXPECT_EQ(text(15002), "\tThis track contains data and is ISO-9660 format.");
    EXPECT_EQ(text(15032), "\bData track 1 recorded as part of session 1.");
    EXPECT_EQ(text(15027),
              "There are 2 accessible files and 1 directories contained in this track.");
    EXPECT_FALSE(has(15031)) << "a closed disc";
    EXPECT_TRUE(has(15067));
    EXPECT_EQ(AnalysisLines().back().id, 15069);
    EXPECT_TRUE(analysisMessages().empty());
}

TEST_F(EmulatedAnalysis, OpenCdRWithAPacketTrackIsQuestionable) {
    analyze(
        "[disc]\nname = open\nmedium = cd-r\nstate = open\n"
        "[atip]\nlead-in-start = 97:24:01\n"
        "[data]\nwrite-method = packet\nvolume-id = OPEN\nfile = README.TXT text=hello\n");
    SCOPED_TRACE(all());
    EXPECT_EQ(text(15047), "\tDisc manufacturer: Other Maker  Type: Cyanine (green) or Azo (blue)");
    EXPECT_EQ(text(15049), "\tTrack was written with fixed-length packets 32 bytes in length.");
    EXPECT_TRUE(has(15052)) << "free blocks to the last possible lead-out";
    EXPECT_TRUE(has(15066));
    EXPECT_TRUE(has(15068)) << "nothing is written behind the open track";
    EXPECT_FALSE(has(15044)) << "the open track may end the list";
    EXPECT_EQ(AnalysisLines().back().id, 15070);
}

TEST_F(EmulatedAnalysis, CdRwIsNamedByItsMedium) {
    analyze(
        "[disc]\nname = rw\nmedium = cd-rw\n"
        "[atip]\nlead-in-start = 97:30:12\n"
        "[data]\nvolume-id = ERASABLE\nfile = README.TXT text=hello\n");
    SCOPED_TRACE(all());
    EXPECT_EQ(text(15047), "\tDisc manufacturer: Unknown, code=30.12  Type: CD-RW media");
    EXPECT_EQ(AnalysisLines().back().id, 15069);
}

TEST_F(EmulatedAnalysis, MixedModeDiscGetsAudioLinesAndItsCddbKey) {
    analyze(
        "[disc]\nname = mixed\nlayout = mixed\n"
        "[data]\nvolume-id = MIXED\nfile = README.TXT text=hello\n"
        "[audio]\npregap = 2s\nlength = 10s\n");
    SCOPED_TRACE(all());
    EXPECT_TRUE(has(15056)) << "a pressed disc has no ATIP";
    EXPECT_EQ(text(15005), "\tThis track contains audio without pre-emphasis.");
    ASSERT_EQ(plan_.tracks.size(), 2u);
    // Digit sums 2 and 6 of seconds 2 and 6, 14 seconds to the lead-out,
    // 2 tracks; the data track's image is 334 blocks long.
    ASSERT_EQ(Tracks().first->next->start, 334);
    EXPECT_EQ(text(15053), "CDDB key for this CD is 8000e02.");
    EXPECT_EQ(AnalysisLines().back().id, 15053);
}

// Pre-emphasis shares its control bit with incremental recording: on audio
// and the lead-out it marks no packet writing.
TEST_F(EmulatedAnalysis, AudioWithPreEmphasisIsNotPacketWritten) {
    analyze(
        "[disc]\nname = mixed\nlayout = mixed\n"
        "[data]\nvolume-id = MIXED\nfile = README.TXT text=hello\n"
        "[audio]\npregap = 2s\nlength = 4s\n"
        "[audio]\npregap = 2s\nlength = 4s\npre-emphasis = yes\n");
    SCOPED_TRACE(all());
    for (const TrackInfo* r = Tracks().first; r != nullptr; r = r->next) {
        EXPECT_EQ(r->flags & track_flags::kPacket, 0u) << "track " << int{r->track};
    }
    EXPECT_EQ(text(15004), "\tThis track contains audio with pre-emphasis.");
    EXPECT_FALSE(has(15066));
}

// Closed tracks of a disc that may or may not take another session are
// described in full; only a track still being written stands for an open
// session.
TEST_F(EmulatedAnalysis, ClosedTracksOfRecordableDiscsGetTheirSizeAndFormat) {
    struct Case {
        const char* recipe;
        int tracks;
        bool open;
    };
    const Case cases[] = {
        {"[disc]\nname = two\nlayout = multi-session\nmedium = cd-r\nwrite-method = tao\n"
         "[data]\nvolume-id = ONE\nfile = A.TXT text=a\n"
         "[session]\n[data]\nvolume-id = TWO\nfile = B.TXT text=b\n",
         2, false},
        {"[disc]\nname = three\nlayout = multi-session\nmedium = cd-r\nwrite-method = tao\n"
         "[data]\nvolume-id = ONE\nfile = A.TXT text=a\n"
         "[session]\n[data]\nvolume-id = TWO\nfile = B.TXT text=b\n"
         "[session]\n[data]\nvolume-id = THREE\nfile = C.TXT text=c\n",
         3, false},
        {"[disc]\nname = rw\nmedium = cd-rw\nstate = appendable\n"
         "[data]\nvolume-id = RW\nfile = A.TXT text=a\n",
         1, true},
        {"[disc]\nname = app\nlayout = multi-session\nmedium = cd-r\nstate = appendable\n"
         "write-method = tao\n[data]\nvolume-id = ONE\nfile = A.TXT text=a\n"
         "[session]\n[data]\nvolume-id = TWO\nfile = B.TXT text=b\n",
         2, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.recipe);
        ASSERT_NO_FATAL_FAILURE(analyze(c.recipe));
        SCOPED_TRACE(all());
        EXPECT_FALSE(has(15046));
        EXPECT_EQ(count(15001), c.tracks);
        EXPECT_EQ(count(15002), c.tracks) << "the format of each track";
        EXPECT_EQ(has(15031), c.open);
        EXPECT_EQ(AnalysisLines().back().id, 15069);
    }
}

// A drive without track information sees the open session only as data
// behind the lead-out: its record stands for the open session, starts
// where the session's first track starts and is read; the lead-out stays
// the one the TOC gives.
TEST_F(EmulatedAnalysis, OpenSessionSeenBehindTheLeadOutGetsItsRecordLine) {
    analyze(
        "[disc]\nname = open2\nlayout = multi-session\nmedium = cd-r\nstate = open\n"
        "[drive]\npersonality = scsi2\n"
        "[data]\nvolume-id = ONE\nfile = A.BIN size=100000\n"
        "[session]\n[data]\nwrite-method = packet\nvolume-id = TWO\nfile = B.BIN size=50000\n");
    SCOPED_TRACE(all());
    EXPECT_EQ(text(15046), "Track 2 has been added to represent an open session");
    EXPECT_EQ(count(15001), 1) << "track 1 only";
    const std::string leadOut = std::to_string(plan_.sessions[0].leadOut);
    EXPECT_EQ(text(15007), "Lead-out track starts at block " + leadOut + ".");
    EXPECT_TRUE(has(15031));

    const TrackInfo* open = Tracks().first->next;
    ASSERT_NE(open, nullptr);
    EXPECT_EQ(open->start, plan_.tracks[1].start);
    ASSERT_NE(open->root, nullptr);
    EXPECT_STREQ(open->root->name, "\\ TWO (Session 2)");
    bool secondSessionFile = false;
    for (const FileNode* c = open->root->firstChild; c != nullptr; c = c->next) {
        secondSessionFile = secondSessionFile || std::string_view(c->name).starts_with("B.BIN");
    }
    EXPECT_TRUE(secondSessionFile);
    const auto lines = TocLines();
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[1], "  2:2\tPos/Data*\tTWO\t" + std::to_string(plan_.tracks[1].start) + "\t" +
                            std::to_string(open->root->count));
    EXPECT_EQ(lines[2], "  2:AA\tLead out (open)\t\t" + leadOut + "\t");
    EXPECT_EQ(messageIds(), std::vector<int>{254}) << "no drive error, only the guide";
}

// Between two sessions lie a lead-out, a lead-in and a pregap: a track's
// size ends where the track ends, not at the next session's first track.
TEST_F(EmulatedAnalysis, LastTrackOfASessionEndsBeforeTheSessionGap) {
    analyze(
        "[disc]\nname = extra\nlayout = cd-extra\n"
        "[audio]\npregap = 2s\nlength = 200s\n[session]\n"
        "[data]\nmode = 2\nvolume-id = EXTRA_DATA\nfile = A.TXT text=extra\n");
    SCOPED_TRACE(all());
    const std::vector<std::string> sizes = texts(15001);
    ASSERT_EQ(sizes.size(), 3u) << "the implicit track, the audio track, the data track";
    EXPECT_EQ(sizes[1], "Track 1 occupies 15000 blocks (3 Min, 20 Sec, 0 Frames).");
    const TrackInfo* audio = Tracks().first->next;
    ASSERT_NE(audio->root, nullptr);
    EXPECT_STREQ(audio->root->name, "Audio 3.20");

    analyze(
        "[disc]\nname = two\nlayout = multi-session\nmedium = cd-r\nwrite-method = tao\n"
        "[data]\nvolume-id = ONE\nfile = A.TXT text=a\n"
        "[session]\n[data]\nvolume-id = TWO\nfile = B.TXT text=b\n");
    const TrackInfo* first = Tracks().first;
    const std::string blocks = std::to_string(first->end - first->start);
    ASSERT_LT(first->end, plan_.tracks[1].start - kSessionGap) << "the end of its last file";
    EXPECT_EQ(texts(15001).at(0).rfind("Track 1 occupies " + blocks + " blocks", 0), 0u);
}

TEST_F(EmulatedAnalysis, BlankDiscShowsItsFreeBlocks) {
    analyze("[disc]\nname = blank\nmedium = cd-r\nstate = blank\n");
    SCOPED_TRACE(all());
    EXPECT_EQ(text(15170), "\tBlank disc with 359849 free blocks");
}

// The CD+G demo disc's tracks: at 150 and 2550, the lead-out at 3300; the
// implicit track in front of them is not the disc's.
TEST_F(EmulatedAnalysis, CddbKeyOfAnAudioDiscStartingAt150) {
    analyze(
        "[disc]\nname = cdg\nlayout = audio\n"
        "[audio]\npregap = 2s\nlength = 30s\ncdg = memory-preset colour=0 repeat=16\n"
        "[audio]\npregap = 2s\nlength = 10s\n");
    SCOPED_TRACE(all());
    ASSERT_EQ(Tracks().first->flags & track_flags::kImplicitFromBlockZero,
              track_flags::kImplicitFromBlockZero);
    EXPECT_EQ(text(15053), "CDDB key for this CD is d002a02.");
    EXPECT_EQ(messageIds(), std::vector<int>{254}) << "no message box in the scan or the analysis";
    EXPECT_EQ(count(15035), 0) << "the implicit track is read as no data";
}

TEST_F(EmulatedAnalysis, UdfBridgeIsCheckedAsUdf) {
    analyze(
        "[disc]\nname = bridge\nmedium = cd-r\n"
        "[data]\nfilesystem = udf-bridge\nvolume-id = BRIDGE\n"
        "file = README.TXT text=hello\nfile = DOCS/A.TXT text=a\n");
    SCOPED_TRACE(all());
    EXPECT_EQ(text(15002), "\tThis track contains data and is UDF format.");
    EXPECT_TRUE(text(15062).starts_with("This track was written by "));
    EXPECT_EQ(text(15027),
              "There are 2 accessible files and 1 directories contained in this track.");
    EXPECT_FALSE(has(15015)) << "the ISO 9660 check is not run as well";
    EXPECT_EQ(AnalysisLines().back().id, 15069);
}

TEST_F(EmulatedAnalysis, PacketWrittenUdfIsNotForReplication) {
    analyze(
        "[disc]\nname = rwudf\nmedium = cd-rw\nwrite-method = packet\npacket-size = 32\n"
        "[data]\nfilesystem = udf-sparable\nvolume-id = KEL_RW\nmin-size = 8192\n");
    SCOPED_TRACE(all());
    EXPECT_TRUE(has(15045));
    EXPECT_TRUE(has(15065));
    EXPECT_FALSE(has(15169)) << "the sparing table is there";
    EXPECT_EQ(AnalysisLines().back().id, 15070);
}

}  // namespace
}  // namespace kel::diag::testing
