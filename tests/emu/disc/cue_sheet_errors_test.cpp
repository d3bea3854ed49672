// Malformed CUE sheets: each fails with the sheet's name, the line at fault
// and a message saying what is wrong.
#include <gtest/gtest.h>

#include "emu/disc/loader.h"
#include "image_folder.h"

namespace kel::emu {
namespace {

struct BadSheet {
    const char* name;
    std::string sheet;
    int line;
    const char* says;
};

void PrintTo(const BadSheet& bad, std::ostream* out) {
    *out << bad.name;
}

std::string ninetyNineTracksAndOneMore() {
    std::string sheet = "FILE a.bin BINARY\n";
    for (int track = 1; track <= 100; ++track) {
        const int frame = track - 1;
        sheet += "TRACK " + std::to_string(track) + " AUDIO\nINDEX 01 00:0" +
                 std::to_string(frame / 75) + ":" + std::to_string(frame % 75 / 10) +
                 std::to_string(frame % 75 % 10) + "\n";
    }
    return sheet;
}

const BadSheet kBadSheets[] = {
    {"MissingFile", "FILE \"not here.bin\" BINARY\nTRACK 01 AUDIO\nINDEX 01 00:00:00\n", 1,
     "not here.bin"},
    {"FileIsAFolder", "FILE sub BINARY\nTRACK 01 AUDIO\nINDEX 01 00:00:00\n", 1,
     "not a regular file"},
    {"UnknownFileType", "FILE a.bin FLAC\nTRACK 01 AUDIO\nINDEX 01 00:00:00\n", 1,
     "unknown FILE type"},
    {"WaveFile", "FILE a.wav WAVE\nTRACK 01 AUDIO\nINDEX 01 00:00:00\n", 1, "WAVE"},
    {"UnknownMode", "FILE a.bin BINARY\nTRACK 01 MODE3/2352\nINDEX 01 00:00:00\n", 2,
     "unknown track mode \"MODE3/2352\""},
    {"TrackSkipped",
     "FILE a.bin BINARY\nTRACK 01 AUDIO\nINDEX 01 00:00:00\nTRACK 03 AUDIO\nINDEX 01 00:00:01\n", 4,
     "out of order"},
    {"TrackRepeated",
     "FILE a.bin BINARY\nTRACK 01 AUDIO\nINDEX 01 00:00:00\nTRACK 01 AUDIO\nINDEX 01 00:00:01\n", 4,
     "out of order"},
    {"TrackBeforeFile", "TRACK 01 AUDIO\nFILE a.bin BINARY\n", 1, "TRACK before any FILE"},
    {"IndexBeforeTrack", "FILE a.bin BINARY\nINDEX 01 00:00:00\nTRACK 01 AUDIO\n", 2,
     "INDEX before any TRACK"},
    {"IndexGoesBack", "FILE a.bin BINARY\nTRACK 01 AUDIO\nINDEX 01 00:00:02\nINDEX 02 00:00:01\n",
     4, "does not lie after"},
    {"IndexNumberSkipped",
     "FILE a.bin BINARY\nTRACK 01 AUDIO\nINDEX 01 00:00:00\nINDEX 03 00:00:01\n", 4,
     "out of order"},
    {"IndexZeroAfterOne",
     "FILE a.bin BINARY\nTRACK 01 AUDIO\nINDEX 01 00:00:00\nINDEX 00 00:00:01\n", 4,
     "out of order"},
    {"FirstIndexTwo", "FILE a.bin BINARY\nTRACK 01 AUDIO\nINDEX 02 00:00:00\n", 3,
     "must be 00 or 01"},
    {"TrackStartsInsidePrevious",
     "FILE a.bin BINARY\nTRACK 01 AUDIO\nINDEX 01 00:00:02\nTRACK 02 AUDIO\nINDEX 01 00:00:01\n", 5,
     "starts before"},
    {"TrackWithoutStart",
     "FILE a.bin BINARY\nTRACK 01 AUDIO\nINDEX 00 00:00:00\nTRACK 02 AUDIO\nINDEX 01 00:00:01\n", 2,
     "no INDEX 01"},
    {"FramesOutOfRange", "FILE a.bin BINARY\nTRACK 01 AUDIO\nINDEX 01 00:00:75\n", 3,
     "frames must be below 75"},
    {"SecondsOutOfRange", "FILE a.bin BINARY\nTRACK 01 AUDIO\nINDEX 01 00:60:00\n", 3,
     "seconds must be below 60"},
    {"MalformedTime", "FILE a.bin BINARY\nTRACK 01 AUDIO\nINDEX 01 0:1\n", 3, "malformed time"},
    {"PregapOutOfRange", "FILE a.bin BINARY\nTRACK 01 AUDIO\nPREGAP 00:02:80\n", 3,
     "frames must be below 75"},
    {"TruncatedBeforeNextTrack",
     "FILE short.bin BINARY\nTRACK 01 AUDIO\nINDEX 01 00:00:00\nTRACK 02 AUDIO\n"
     "INDEX 01 00:00:03\n",
     5, "truncated"},
    {"TruncatedLastTrack", "FILE a.bin BINARY\nTRACK 01 AUDIO\nINDEX 01 00:00:04\n", 3,
     "truncated"},
    {"SizeNotAMultiple", "FILE odd.bin BINARY\nTRACK 01 MODE1/2352\nINDEX 01 00:00:00\n", 1,
     "not a multiple of 2352"},
    {"IsoSizeNotAMultiple", "FILE a.bin BINARY\nTRACK 01 MODE1/2048\nINDEX 01 00:00:00\n", 1,
     "not a multiple of 2048"},
    {"MoreThan99Tracks", ninetyNineTracksAndOneMore(), 200, "no more than 99 tracks"},
    {"EmptySheet", "", 0, "no FILE and no TRACK"},
    {"OnlyRemarks", "REM nothing\r\n\r\n", 0, "no FILE and no TRACK"},
    {"FileWithoutTrack", "FILE a.bin BINARY\nFILE short.bin BINARY\nTRACK 01 AUDIO\n", 1,
     "has no TRACK"},
    {"TrackAcrossFiles",
     "FILE a.bin BINARY\nTRACK 01 AUDIO\nINDEX 01 00:00:00\nTRACK 02 AUDIO\nINDEX 00 00:00:02\n"
     "FILE short.bin BINARY\nINDEX 01 00:00:00\n",
     6, "a track must lie in one file"},
    {"IndexAfterNewFile",
     "FILE a.bin BINARY\nTRACK 01 AUDIO\nINDEX 01 00:00:00\nFILE short.bin BINARY\n"
     "INDEX 02 00:00:01\n",
     5, "a track must lie in one file"},
    {"UnknownCommand", "FILE a.bin BINARY\nTRACK 01 AUDIO\nSPEED 4\n", 3, "unknown command"},
    {"CatalogNotDigits", "CATALOG 12345\n", 1, "not 13 digits"},
    {"IsrcMalformed", "FILE a.bin BINARY\nTRACK 01 AUDIO\nISRC gbaye2600123\n", 3, "ISRC"},
    {"UnknownFlag", "FILE a.bin BINARY\nTRACK 01 AUDIO\nFLAGS DCP XYZ\n", 3, "unknown flag"},
    {"PreEmphasisOnData", "FILE a.bin BINARY\nTRACK 01 MODE1/2352\nFLAGS PRE\n", 3,
     "audio tracks only"},
    {"PregapAfterIndex", "FILE a.bin BINARY\nTRACK 01 AUDIO\nINDEX 01 00:00:00\nPREGAP 00:02:00\n",
     4, "PREGAP after an INDEX"},
    {"IndexAfterPostgap",
     "FILE a.bin BINARY\nTRACK 01 AUDIO\nINDEX 01 00:00:00\nPOSTGAP 00:02:00\n"
     "INDEX 02 00:00:01\n",
     5, "INDEX after POSTGAP"},
    {"UnterminatedQuote", "FILE \"a.bin BINARY\n", 1, "unterminated"},
    {"MissingArgument", "FILE a.bin BINARY\nTRACK 01\n", 2, "takes 2 arguments"},
};

class CueSheetErrors : public ::testing::TestWithParam<BadSheet> {};

TEST_P(CueSheetErrors, NameTheSheetAndTheLine) {
    test::ImageFolder folder;
    folder.write("a.bin", test::patternSectors(4, 2352));
    folder.write("short.bin", test::patternSectors(2, 2352));
    folder.write("odd.bin", std::string(1000, 'x'));
    std::filesystem::create_directory(folder.path("sub"));
    const auto cue = folder.write("bad.cue", GetParam().sheet);

    const auto error = test::expectFailure(loadDrive(cue));
    EXPECT_EQ(error.file, cue);
    EXPECT_EQ(error.line, GetParam().line) << error.text();
    EXPECT_NE(error.message.find(GetParam().says), std::string::npos) << error.text();
    const auto where = GetParam().line > 0 ? "bad.cue:" + std::to_string(GetParam().line) + ": "
                                           : std::string("bad.cue: ");
    EXPECT_NE(error.text().find(where), std::string::npos) << error.text();
}

INSTANTIATE_TEST_SUITE_P(Malformed, CueSheetErrors, ::testing::ValuesIn(kBadSheets),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace kel::emu
