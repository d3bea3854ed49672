// The analysis of discs made by mkdisc, after a real scan through the
// emulated drive: recordable media open and closed, CD-RW, mixed mode, UDF.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>

#include "diag/disc/analysis/analysis.h"
#include "diag/disc/analysis/analysis_lines.h"
#include "diag/disc/analysis/manufacturer_file.h"
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
    std::string text(int id) const {
        for (const AnalysisLine& line : AnalysisLines()) {
            if (line.id == id) {
                return line.text;
            }
        }
        return "(no line " + std::to_string(id) + ")";
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
