// The manufacturer file's rows and their lookup, the lead-in time from the
// ATIP and the full TOC, and the manufacturer line of the analysis.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <sstream>
#include <string>

#include "analysis_fixture.h"
#include "diag/disc/analysis/analysis.h"
#include "diag/disc/analysis/lead_in_time.h"
#include "platform/base/paths.h"

namespace kel::diag::testing {
namespace {

using Result = ManufacturerLookup::Result;

const char* const kRows =
    "Alpha Media\t26.6\t26.5\r\n"
    "Beta Discs Ltd\t\t24.0\t45.2\r\n"
    "Gamma\t33.1\r\n";

TEST(ManufacturerFile, ACodeMatchesItsSecondAndTheTensOfTheFrame) {
    for (int frame = 60; frame <= 69; ++frame) {
        const ManufacturerLookup found = LookUpManufacturer(kRows, {26, frame});
        EXPECT_EQ(found.result, Result::Found) << frame;
        EXPECT_EQ(found.name, "Alpha Media");
    }
    EXPECT_EQ(LookUpManufacturer(kRows, {26, 70}).result, Result::NotFound);
    EXPECT_EQ(LookUpManufacturer(kRows, {25, 65}).result, Result::NotFound);
    EXPECT_EQ(LookUpManufacturer(kRows, {26, 52}).name, "Alpha Media") << "second code";
    EXPECT_EQ(LookUpManufacturer(kRows, {45, 29}).name, "Beta Discs Ltd") << "after two TABs";
    EXPECT_EQ(LookUpManufacturer(kRows, {33, 10}).name, "Gamma");
    EXPECT_EQ(LookUpManufacturer("", {33, 10}).result, Result::NotFound);
}

TEST(ManufacturerFile, LineEndsOtherThanCrLfAreTaken) {
    EXPECT_EQ(LookUpManufacturer("Alpha\t26.6\nBeta\t24.0\n", {24, 3}).name, "Beta");
    EXPECT_EQ(LookUpManufacturer("Alpha\t26.6", {26, 61}).name, "Alpha") << "no final line end";
}

TEST(ManufacturerFile, MalformedRowsGiveTheirErrorAndLine) {
    struct Case {
        const char* text;
        int error;
        int line;
    };
    const Case cases[] = {
        {"Alpha Media 26.6\r\n", 1, 1},        // no TAB after the name
        {"Alpha\t26.6\r\nBeta\tx\r\n", 2, 2},  // no code
        {"Alpha\t\r\n", 2, 1},                 // nothing after the TABs
        {"Alpha\t26,6\r\n", 3, 1},             // no "." in the code
        {"Alpha\t26.6 \r\n", 4, 1},            // a blank behind the code
        {"Alpha\t26.6\r\n\r\nGamma\t33.1x\r\n", 4, 3},
    };
    for (const Case& c : cases) {
        const ManufacturerLookup lookup = LookUpManufacturer(c.text, {99, 0});
        EXPECT_EQ(lookup.result, Result::Malformed) << c.text;
        EXPECT_EQ(lookup.error, c.error) << c.text;
        EXPECT_EQ(lookup.lineNumber, c.line) << c.text;
    }
    // The search stops at the first match, before a bad row behind it.
    EXPECT_EQ(LookUpManufacturer("Alpha\t26.6\r\nBad row\r\n", {26, 60}).name, "Alpha");
    // Huge numbers are no code at all, and cost nothing.
    EXPECT_EQ(LookUpManufacturer("Alpha\t99999999999999999999.6\r\n", {26, 60}).result,
              Result::NotFound);
}

// The file the build puts beside the programs, read as the program reads it.
std::string shippedRows() {
    std::ifstream in(paths::programDir() / "MORVALE.mandb", std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// The public list of makers by their lead-in start time, kept beside this
// test: per row the time 97:SS:F (F the tens digit of the frame), TAB, a
// second code of the same maker or "-", TAB, the maker; "#" starts a note.
// Every code of the list, at both ends of its frames, names its maker in
// the shipped file, so no row is missing, malformed or given another name.
TEST(ManufacturerFile, ShippedFileNamesTheMakerOfEveryListedCode) {
    const std::string text = shippedRows();
    ASSERT_FALSE(text.empty()) << "MORVALE.mandb beside the programs";
    std::ifstream list(KEL_ATIP_MAKER_LIST);
    ASSERT_TRUE(list) << KEL_ATIP_MAKER_LIST;
    int codes = 0;
    for (std::string line; std::getline(list, line);) {
        if (line.empty() || line.front() == '#') {
            continue;
        }
        std::istringstream fields(line);
        std::string first, second, maker;
        std::getline(fields, first, '\t');
        std::getline(fields, second, '\t');
        std::getline(fields, maker);
        for (const std::string& code : {first, second}) {
            if (code == "-") {
                continue;
            }
            ASSERT_TRUE(code.size() == 7 && code.starts_with("97:")) << line;
            const int seconds = std::stoi(code.substr(3, 2));
            const int tens = code[6] - '0';
            for (const int frame : {tens * 10, tens * 10 + 9}) {
                const ManufacturerLookup found = LookUpManufacturer(text, {seconds, frame});
                EXPECT_EQ(found.result, Result::Found) << code;
                EXPECT_EQ(found.name, maker) << code;
            }
            ++codes;
        }
    }
    EXPECT_EQ(codes, 109) << "the codes of the list's 73 rows";
    EXPECT_EQ(LookUpManufacturer(text, {99, 0}).result, Result::NotFound) << "no malformed row";
}

std::vector<std::uint8_t> atip(std::uint8_t second, std::uint8_t frame) {
    std::vector<std::uint8_t> reply(28, 0);
    reply[1] = 26;
    reply[4] = 0x80;
    reply[6] = 0x80;
    reply[8] = 97;
    reply[9] = second;
    reply[10] = frame;
    return reply;
}

// A full TOC with one A0 entry and one C0 entry holding PMIN, PSEC, PFRAME.
std::vector<std::uint8_t> fullToc(std::uint8_t pmin, std::uint8_t psec, std::uint8_t pframe) {
    std::vector<std::uint8_t> reply(4 + 2 * 11, 0);
    reply[1] = 2 + 2 * 11;
    reply[4 + 3] = 0xA0;
    reply[15 + 3] = 0xC0;
    reply[15 + 8] = pmin;
    reply[15 + 9] = psec;
    reply[15 + 10] = pframe;
    return reply;
}

TEST(LeadInTime, ComesFromAValidAtipOnly) {
    const auto time = LeadInTimeFromAtip(atip(26, 66));
    ASSERT_TRUE(time);
    EXPECT_EQ(time->seconds, 26);
    EXPECT_EQ(time->frame, 66);
    auto noMark = atip(26, 66);
    noMark[6] = 0;
    EXPECT_FALSE(LeadInTimeFromAtip(noMark));
    auto reserved = atip(26, 66);
    reserved[3] = 1;
    EXPECT_FALSE(LeadInTimeFromAtip(reserved));
    EXPECT_FALSE(LeadInTimeFromAtip(std::vector<std::uint8_t>(2, 0))) << "short reply";
}

TEST(LeadInTime, FullTocEntryC0AsMinuteSecondFrameOrAsFrameCount) {
    auto msf = LeadInTimeFromFullToc(fullToc(97, 24, 1));
    ASSERT_TRUE(msf);
    EXPECT_EQ(msf->seconds, 24);
    EXPECT_EQ(msf->frame, 1);
    auto count = LeadInTimeFromFullToc(fullToc(0x06, 0xAF, 0x6C));
    ASSERT_TRUE(count);
    EXPECT_EQ(count->seconds, 21);
    EXPECT_EQ(count->frame, 49);
    EXPECT_FALSE(LeadInTimeFromFullToc(fullToc(0, 0, 5))) << "not in minute 97";
    auto noC0 = fullToc(97, 24, 1);
    noC0[15 + 3] = 0xB0;
    EXPECT_FALSE(LeadInTimeFromFullToc(noC0));
    EXPECT_FALSE(LeadInTimeFromFullToc(std::vector<std::uint8_t>(30, 0)));
}

TEST(LeadInTime, AFullTocLongerThanItsReplyIsReadOnlyAsFarAsTheReplyGoes) {
    auto reply = fullToc(97, 24, 1);
    reply[0] = 0xFF;
    reply[1] = 0xFF;
    reply[15 + 3] = 0;
    EXPECT_FALSE(LeadInTimeFromFullToc(reply));
}

using ManufacturerLine = AnalysisTest;

TEST_F(ManufacturerLine, NamesTheMakerAndTheDye) {
    writeManufacturerFile(kRows);
    drive_.tocReplies[0x400] = atip(26, 66);
    add(1, kData, 0, 1000);
    AnalyzeManufacturer();
    EXPECT_EQ(lineText(15047), "\tDisc manufacturer: Alpha Media  Type: Phthalocyanine (gold)");
    EXPECT_EQ(drive_.quiet, 0) << "quiet is cleared again";

    StartAnalysisLines();
    drive_.tocReplies[0x400] = atip(24, 3);
    Tracks().first->flags |= track_flags::kErasable;
    AnalyzeManufacturer();
    EXPECT_EQ(lineText(15047), "\tDisc manufacturer: Beta Discs Ltd  Type: CD-RW media");
}

TEST_F(ManufacturerLine, ShippedFileNamesTheMaker) {
    SetManufacturerFilePath(paths::programDir() / "MORVALE.mandb");
    drive_.tocReplies[0x400] = atip(26, 66);
    add(1, kData, 0, 1000);
    AnalyzeManufacturer();
    EXPECT_TRUE(messages_.empty());
    EXPECT_EQ(lineText(15047),
              "\tDisc manufacturer: CMC Magnetics Corporation  Type: Phthalocyanine (gold)");
}

TEST_F(ManufacturerLine, FallsBackToTheFullTocAndNamesUnknownCodes) {
    writeManufacturerFile(kRows);
    drive_.tocReplies[0x200] = fullToc(0x06, 0xAF, 0x6C);
    AnalyzeManufacturer();
    EXPECT_EQ(lineText(15047),
              "\tDisc manufacturer: Unknown, code=21.49  Type: Phthalocyanine (gold)");
}

TEST_F(ManufacturerLine, NoTimeFromTheDiscGivesItsOwnLine) {
    AnalyzeManufacturer();
    EXPECT_EQ(lineIds(), std::vector<int>{15056});
    EXPECT_TRUE(messages_.empty()) << "the file is not even opened";
}

TEST_F(ManufacturerLine, AMalformedFileGivesTheErrorLine) {
    writeManufacturerFile("Alpha\t26-6\r\n");
    drive_.tocReplies[0x400] = atip(26, 66);
    AnalyzeManufacturer();
    EXPECT_EQ(lineText(15058),
              "\tError 3 in manufacturer determination, manufacturer information  not available.");
    EXPECT_FALSE(hasLine(15047));
}

TEST_F(ManufacturerLine, AMissingFileIsToldOnceAndGivesNoLine) {
    drive_.tocReplies[0x400] = atip(26, 66);
    AnalyzeManufacturer();
    EXPECT_TRUE(lineIds().empty());
    ASSERT_EQ(messageIds(), std::vector<int>{223});
    EXPECT_NE(messages_[0].second.find("TEST.mandb"), std::string::npos);
    EXPECT_NE(messages_[0].second.find("No such file"), std::string::npos);
}

}  // namespace
}  // namespace kel::diag::testing
