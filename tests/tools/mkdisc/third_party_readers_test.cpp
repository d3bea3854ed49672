// What libcdio's readers make of the discs mkdisc writes: cd-info must see
// the tracks the emulated drive's READ TOC reports, iso-info and iso-read the
// files of the mounted folder, read back through the drive's sectors.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <chrono>
#include <fstream>
#include <functional>
#include <iterator>
#include <regex>
#include <set>
#include <sstream>

#include "built_layout.h"
#include "drive_queries.h"
#include "tools/mkdisc/run_program.h"

namespace kel::mkdisc {
namespace {

using testing::BuiltLayouts;
using testing::haveProgram;
using testing::kLayoutRecipes;

struct CdInfoTrack {
    int number = 0;
    std::int32_t lsn = 0;
    std::string type;  // data, XA, audio, leadout
    std::string copy;  // yes/no (tracks only)
    int channels = 0;  // audio only
    std::string preEmphasis;
};

// The "CD-ROM Track List" lines: "  2: 00:07:08  000383 audio  false  yes   2  no".
std::vector<CdInfoTrack> cdInfoTracks(const std::string& output) {
    static const std::regex line(
        R"(^\s*(\d+): \d\d:\d\d:\d\d\s+(\d+)\s+(\w+)(?:\s+\w+\s+(\w+))?(?:\s+(\d)\s+(\w+))?)");
    std::vector<CdInfoTrack> tracks;
    std::istringstream lines(output);
    std::string text;
    while (std::getline(lines, text)) {
        std::smatch match;
        if (std::regex_search(text, match, line)) {
            CdInfoTrack track;
            track.number = std::stoi(match[1]);
            track.lsn = std::stoi(match[2]);
            track.type = match[3];
            track.copy = match[4];
            track.channels = match[5].matched ? std::stoi(match[5]) : 0;
            track.preEmphasis = match[6];
            tracks.push_back(track);
        }
    }
    return tracks;
}

struct TocEntry {
    int track = 0;
    std::uint8_t control = 0;
    std::int32_t lba = 0;
};

// READ TOC format 0 in LBA form from the emulated drive.
std::vector<TocEntry> readToc(const std::filesystem::path& descriptor) {
    testing::DriveQueries drive(descriptor);
    const testing::Answer toc = drive.readToc(0);
    if (!toc.ok) {
        ADD_FAILURE() << "READ TOC failed: sense " << int(toc.key) << "/" << int(toc.asc);
        return {};
    }
    std::vector<TocEntry> entries;
    for (std::size_t at = 4; at + 8 <= toc.data.size(); at += 8) {
        entries.push_back({toc.data[at + 2], static_cast<std::uint8_t>(toc.data[at + 1] & 0x0F),
                           static_cast<std::int32_t>(testing::bigEndian32(toc.data, at + 4))});
    }
    return entries;
}

class ThirdPartyReaders : public BuiltLayouts {
protected:
    std::string run(const std::vector<std::string>& argv) {
        auto result = runProgram(argv, scratch_.path() / "tool.log");
        if (auto* failure = std::get_if<std::string>(&result)) {
            ADD_FAILURE() << *failure;
            return {};
        }
        const auto& finished = std::get<ProgramRun>(result);
        EXPECT_EQ(finished.exitCode, 0) << argv[0] << " said:\n" << finished.output;
        return finished.output;
    }

    // The data track's user data as the drive reads it: a 2048-byte-sector image.
    std::filesystem::path userDataImage() {
        const auto iso = scratch_.path() / "readback.iso";
        std::ofstream out(iso, std::ios::binary);
        emu::SectorReader reader(loaded_.disc);
        const emu::Track& track = loaded_.disc.tracks.front();
        const std::size_t at = track.format == emu::SectorFormat::Mode1 ? 16 : 24;
        std::array<std::uint8_t, emu::kRawSectorSize> raw{};
        for (std::int32_t lba = 0; lba < track.end; ++lba) {
            const auto error = reader.readRaw(lba, raw);
            EXPECT_EQ(error, std::nullopt);
            out.write(reinterpret_cast<const char*>(raw.data() + at), 2048);
        }
        return iso;
    }
};

// cd-info reads a disc image with a single BIN named after the CUE, closed
// sessions only (an open one has no TOC on the disc), and places tracks as if
// a CUE's PREGAP lines were absent.
bool cdInfoReads(const Recipe& recipe) {
    if (recipe.tracks.empty() || recipe.binFiles != BinFiles::Single ||
        recipe.state == DiscState::Open) {
        return false;
    }
    return std::none_of(recipe.tracks.begin(), recipe.tracks.end(), [](const TrackRecipe& track) {
        return track.pregap > 0 && !track.pregapStored;
    });
}

// iso-info reads the first session only; the xorriso test reads them all.
bool isoInfoReads(const Recipe& recipe) {
    return recipe.sessions.empty() &&
           std::any_of(recipe.tracks.begin(), recipe.tracks.end(),
                       [](const TrackRecipe& track) { return track.kind == TrackKind::Data; });
}

// Only a disc of data sessions is an ISO 9660 multi-session image.
bool xorrisoReads(const Recipe& recipe) {
    return recipe.layout == Layout::MultiSession;
}

class CdInfoReader : public ThirdPartyReaders {};
class IsoInfoReader : public ThirdPartyReaders {};
class XorrisoReader : public ThirdPartyReaders {};

TEST_P(CdInfoReader, SeesTheTracksOfTheDrivesToc) {
    if (!haveProgram("cd-info")) {
        GTEST_SKIP() << "cd-info is not installed (Debian package libcdio-utils)";
    }
    const std::string output = run({"cd-info", "--no-header", "--no-device-info", "--no-cddb",
                                    "--no-analyze", built_.cue.string()});
    const auto tracks = cdInfoTracks(output);
    const auto toc = readToc(built_.descriptor);
    const emu::Disc& disc = loaded_.disc;
    ASSERT_EQ(toc.size(), disc.tracks.size() + 1);
    ASSERT_EQ(tracks.size(), toc.size()) << output;
    for (std::size_t i = 0; i < toc.size(); ++i) {
        SCOPED_TRACE("TOC entry " + std::to_string(i));
        const TocEntry& ours = toc[i];
        const CdInfoTrack& theirs = tracks[i];
        const bool leadOut = i + 1 == toc.size();
        EXPECT_EQ(theirs.number, leadOut ? 170 : ours.track);
        EXPECT_EQ(ours.track, leadOut ? 0xAA : static_cast<int>(i) + 1);
        // A multi-session disc's lead-out is its last session's.
        EXPECT_EQ(theirs.lsn, ours.lba);
        EXPECT_EQ(ours.lba, leadOut ? disc.leadOut : disc.tracks[i].start);
        if (leadOut) {
            EXPECT_EQ(theirs.type, "leadout");
            continue;
        }
        const emu::SectorFormat format = disc.tracks[i].format;
        const char* type = format == emu::SectorFormat::Audio   ? "audio"
                           : format == emu::SectorFormat::Mode1 ? "data"
                                                                : "XA";
        EXPECT_EQ(theirs.type, type);
        EXPECT_EQ(ours.control, disc.tracks[i].control);
        EXPECT_EQ(theirs.copy, ours.control & emu::control::kCopyPermitted ? "yes" : "no");
        if (format == emu::SectorFormat::Audio) {
            EXPECT_EQ(theirs.channels, ours.control & emu::control::kFourChannel ? 4 : 2);
            EXPECT_EQ(theirs.preEmphasis, ours.control & emu::control::kPreEmphasis ? "yes" : "no");
        }
    }
    if (!disc.catalog.empty()) {
        EXPECT_NE(output.find("Media Catalog Number (MCN): " + disc.catalog), std::string::npos)
            << output;
    }
}

// iso-info -l: "/dir/:" headers, then one line per entry ending in its name.
std::set<std::string> isoInfoPaths(const std::string& output) {
    static const std::regex entry(
        R"(^\s+(\S)\S*.*\]\s+\d+\s+\w{3}\s+\d+\s+\d+\s+\d+:\d+:\d+\s+(.+)$)");
    std::set<std::string> paths;
    std::string folder;
    std::istringstream lines(output);
    std::string text;
    while (std::getline(lines, text)) {
        std::smatch match;
        if (text.size() > 2 && text.front() == '/' && text.back() == ':') {
            folder = text.substr(1, text.size() - 2);
        } else if (std::regex_match(text, match, entry) && match[2] != "." && match[2] != "..") {
            paths.insert(folder + match[2].str());
        }
    }
    return paths;
}

TEST_P(IsoInfoReader, ListsTheMountedFolder) {
    if (!haveProgram("iso-info") || !haveProgram("iso-read")) {
        GTEST_SKIP() << "iso-info or iso-read is not installed (Debian package libcdio-utils)";
    }
    ASSERT_FALSE(built_.folder.empty());
    const auto iso = userDataImage();
    const std::set<std::string> listed =
        isoInfoPaths(run({"iso-info", "--no-header", "-l", iso.string()}));

    // A disc without Rock Ridge or Joliet holds only ISO 9660 names, which
    // libcdio shows, and finds, in lower case.
    const auto data = std::find_if(recipe_.tracks.begin(), recipe_.tracks.end(),
                                   [](const TrackRecipe& t) { return t.kind == TrackKind::Data; });
    ASSERT_NE(data, recipe_.tracks.end());
    const bool isoNamesOnly = !data->fileSystem.rockRidge && !data->fileSystem.joliet;
    const auto shown = [isoNamesOnly](const std::filesystem::path& path) {
        std::string name = path.generic_string();
        if (isoNamesOnly) {
            std::transform(name.begin(), name.end(), name.begin(),
                           [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        }
        return name;
    };
    std::set<std::string> expected;
    std::filesystem::path someFile;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(built_.folder)) {
        expected.insert(shown(entry.path().lexically_relative(built_.folder)));
        if (entry.is_regular_file()) {
            someFile = entry.path();
        }
    }
    EXPECT_EQ(listed, expected);

    // And a file's bytes come back whole through the drive's sectors.
    ASSERT_FALSE(someFile.empty());
    const auto copy = scratch_.path() / "extracted";
    const std::string inside = "/" + shown(someFile.lexically_relative(built_.folder));
    run({"iso-read", "-i", iso.string(), "-e", inside, "-o", copy.string()});
    const auto slurp = [](const std::filesystem::path& file) {
        std::ifstream in(file, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    };
    EXPECT_EQ(slurp(copy), slurp(someFile)) << inside;
}

// xorriso -toc on an image of the disc's user data sees the ISO 9660
// sessions where the drive's TOC has them, and the last session's tree holds
// every file imported into it.
TEST_P(XorrisoReader, SeesTheSessionsOfTheDrivesToc) {
    if (!haveProgram("xorriso")) {
        GTEST_SKIP() << "xorriso is not installed (Debian package xorriso)";
    }
    const auto iso = scratch_.path() / "sessions.iso";
    testing::writeUserDataImage(built_.descriptor, iso);
    // Without the wide scan xorriso stops at the end of the first session.
    const std::string output =
        run({"xorriso", "-rom_toc_scan", "on:emul_wide", "-indev", iso.string(), "-toc"});
    static const std::regex session(R"(ISO session\s*:\s*(\d+)\s*,\s*(\d+)\s*,)");
    std::vector<std::int32_t> starts;
    for (auto it = std::sregex_iterator(output.begin(), output.end(), session);
         it != std::sregex_iterator(); ++it) {
        starts.push_back(std::stoi((*it)[2]));
    }
    std::vector<std::int32_t> expected;
    for (const emu::Session& session : loaded_.disc.sessions) {
        expected.push_back(
            loaded_.disc.tracks[static_cast<std::size_t>(session.firstTrack - 1)].start);
    }
    if (recipe_.state == DiscState::Open) {
        EXPECT_EQ(starts.size(), expected.size()) << output;
    } else {
        const auto toc = readToc(built_.descriptor);
        std::vector<std::int32_t> tocStarts;
        for (const emu::Session& session : loaded_.disc.sessions) {
            tocStarts.push_back(toc.at(static_cast<std::size_t>(session.firstTrack - 1)).lba);
        }
        EXPECT_EQ(tocStarts, expected);
    }
    EXPECT_EQ(starts, expected) << output;

    // The last session's tree, loaded by its start, is the mounted folder.
    const std::string listing = run({"xorriso", "-indev", iso.string(), "-load", "sbsector",
                                     std::to_string(expected.back()), "-find", "/", "-type", "f"});
    for (const auto& entry : std::filesystem::recursive_directory_iterator(built_.folder)) {
        if (entry.is_regular_file()) {
            const std::string inside =
                "'/" + entry.path().lexically_relative(built_.folder).generic_string() + "'";
            EXPECT_NE(listing.find(inside), std::string::npos) << inside << " in\n" << listing;
        }
    }
}

// Each reader's test is made for every disc, pressed or recordable, that the
// reader can read.
std::vector<testing::LayoutRecipe> readableBy(const std::function<bool(const Recipe&)>& reads) {
    std::vector<testing::LayoutRecipe> all = kLayoutRecipes;
    all.insert(all.end(), testing::kRecordableRecipes.begin(), testing::kRecordableRecipes.end());
    return testing::recipesWhere(all, reads);
}

std::string recipeName(const ::testing::TestParamInfo<testing::LayoutRecipe>& info) {
    return info.param.name;
}

INSTANTIATE_TEST_SUITE_P(Discs, CdInfoReader, ::testing::ValuesIn(readableBy(cdInfoReads)),
                         recipeName);
INSTANTIATE_TEST_SUITE_P(Discs, IsoInfoReader, ::testing::ValuesIn(readableBy(isoInfoReads)),
                         recipeName);
INSTANTIATE_TEST_SUITE_P(Discs, XorrisoReader, ::testing::ValuesIn(readableBy(xorrisoReads)),
                         recipeName);

}  // namespace
}  // namespace kel::mkdisc
