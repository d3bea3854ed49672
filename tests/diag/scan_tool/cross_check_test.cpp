// morvale-scan against the tools that made and read the same images: long
// Rock Ridge names (xorriso), an HFS folder moved below a later one
// (hfsutils), hard links on a damaged UDF bridge (genisoimage, isoinfo,
// udfinfo) and the plain UDF volumes of mkudffs (udfinfo). What a listing
// of the image holds must be in the scan's tree, under the same name.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <map>
#include <optional>
#include <regex>
#include <sstream>
#include <string>
#include <variant>
#include <vector>

#include "tests/support/have_program.h"
#include "tests/support/temp_folder.h"
#include "tools/mkdisc/build_disc.h"
#include "tools/mkdisc/fs/apple_partition_map.h"
#include "tools/mkdisc/recipe_parser.h"

namespace kel::diag {
namespace {

namespace fs = std::filesystem;

using kel::test::haveProgram;

struct Entry {
    std::int64_t start = 0;
    std::uint64_t size = 0;
    bool operator==(const Entry&) const = default;
};
// Path from the root ("/" between names, directories ending in "/").
using Listing = std::map<std::string, Entry>;

std::string Quoted(const fs::path& path) {
    return "'" + path.string() + "'";
}

class ScanCrossCheck : public ::testing::Test {
protected:
    // The command's standard output; the test fails on a non-zero status.
    std::string Output(const std::string& command) {
        const fs::path out = folder_ / "command.out";
        const int status = std::system(("(" + command + ") > " + Quoted(out)).c_str());
        EXPECT_EQ(status, 0) << command;
        std::ifstream in(out, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), {}};
    }

    // morvale-scan D: with the image in drive D:; its exit status.
    int Scan(const fs::path& image, Listing& listing, std::string& errors) {
        const fs::path out = folder_ / "scan.out";
        const fs::path err = folder_ / "scan.err";
        fs::create_directories(folder_ / "runtime");
        const std::string command = "KEL_DRIVES='D:=" + image.string() +
                                    "' KEL_RUNTIME_DIR=" + Quoted(folder_ / "runtime") +
                                    " KEL_REGISTRY_DIR=" + Quoted(folder_ / "registry") +
                                    " XDG_CONFIG_HOME=" + Quoted(folder_ / "config") +
                                    " " KEL_MORVALE_SCAN " D: > " + Quoted(out) + " 2> " +
                                    Quoted(err);
        const int status = std::system(command.c_str());
        std::ifstream lines(out);
        for (std::string line; std::getline(lines, line);) {
            std::istringstream fields(line);
            std::string path, start, size;
            std::getline(fields, path, '\t');
            std::getline(fields, start, '\t');
            std::getline(fields, size, '\t');
            listing[path] = {std::stoll(start), std::stoull(size)};
        }
        std::ifstream text(err);
        errors.assign(std::istreambuf_iterator<char>(text), {});
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    Listing Scan(const fs::path& image) {
        Listing listing;
        std::string errors;
        EXPECT_EQ(Scan(image, listing, errors), 0) << errors;
        return listing;
    }

    // Every path of `theirs` is in `ours` with the same size, files only
    // compared by size (directories' sizes differ between the formats).
    static void ExpectHeld(const Listing& ours,
                           const std::map<std::string, std::uint64_t>& theirs) {
        for (const auto& [path, size] : theirs) {
            const auto found = ours.find(path);
            ASSERT_NE(found, ours.end()) << path << " is missing from the scan";
            if (path.back() != '/') {
                EXPECT_EQ(found->second.size, size) << path;
            }
        }
    }

    // udfinfo's key=value lines.
    std::map<std::string, std::string> UdfInfo(const fs::path& image) {
        std::map<std::string, std::string> values;
        std::istringstream lines(Output("udfinfo " + Quoted(image) + " 2>/dev/null"));
        for (std::string line; std::getline(lines, line);) {
            const auto equals = line.find('=');
            if (equals != std::string::npos && !values.contains(line.substr(0, equals))) {
                values[line.substr(0, equals)] = line.substr(equals + 1);
            }
        }
        return values;
    }

    // HOME for hfsutils, whose mounted volume is kept there.
    std::string HfsEnvironment() {
        fs::create_directories(folder_ / "home");
        return "HOME=" + Quoted(folder_ / "home") + " ";
    }

    // An image of `blocks512` 512-byte blocks with a partition map, and an
    // empty HFS volume that hformat made in its partition 1, mounted.
    void FormatHfs(const fs::path& image, std::uint32_t blocks512, const std::string& label) {
        const std::vector<std::uint8_t> map = mkdisc::fs::applePartitionMap(blocks512);
        std::vector<char> bytes(std::size_t{blocks512} * 512, 0);
        std::copy(map.begin(), map.end(), bytes.begin());
        std::ofstream(image, std::ios::binary)
            .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        Output(HfsEnvironment() + "hformat -l " + label + " " + Quoted(image) + " 1 >/dev/null");
    }

    // What hls -laR lists of the HFS volume in partition `partition`, as
    // paths from "/" (folders ending in "/") with the files' data lengths.
    std::map<std::string, std::uint64_t> HlsListing(const fs::path& image, int partition) {
        const std::string hfs = HfsEnvironment();
        std::map<std::string, std::uint64_t> theirs{{"/", 0}};
        const std::string listed =
            Output(hfs + "hmount " + Quoted(image) + " " + std::to_string(partition) +
                   " >/dev/null && " + hfs + "hls -laR && " + hfs + "humount >/dev/null");
        std::istringstream lines(listed);
        const std::regex line(R"(^([df])\S*\s+(\S+)\s+(?:item|items|(\d+)\s+(\d+))\s+)"
                              R"(\w{3}\s+\d+\s+(?:\d\d:\d\d|\d{4})\s(.*)$)");
        std::string directory = "/";
        for (std::string text; std::getline(lines, text);) {
            std::smatch m;
            if (text.size() > 1 && text.front() == ':' && text.back() == ':') {
                directory = text;
                std::replace(directory.begin(), directory.end(), ':', '/');
            } else if (std::regex_match(text, m, line)) {
                const bool isDirectory = m[1] == "d";
                theirs[directory + m[5].str() + (isDirectory ? "/" : "")] =
                    isDirectory ? 0 : std::stoull(m[4].str());
            }
        }
        return theirs;
    }

    // Rewrites the first 2048-byte block of `image` that `change` alters
    // (it gives true when it did); false when no block was altered.
    static bool AlterFirstBlock(
        const fs::path& image,
        const std::function<bool(std::array<unsigned char, 2048>&)>& change) {
        std::fstream bytes(image, std::ios::binary | std::ios::in | std::ios::out);
        std::array<unsigned char, 2048> block{};
        for (std::streamoff at = 0; bytes.read(reinterpret_cast<char*>(block.data()),
                                               static_cast<std::streamsize>(block.size()));
             at += 2048) {
            if (change(block)) {
                bytes.seekp(at);
                bytes.write(reinterpret_cast<const char*>(block.data()),
                            static_cast<std::streamsize>(block.size()));
                return true;
            }
        }
        return false;
    }

    static std::size_t Count(const Listing& listing, bool directories) {
        std::size_t count = 0;
        for (const auto& entry : listing) {
            count += (entry.first.back() == '/') == directories ? 1 : 0;
        }
        return count;
    }

    test::TempFolder folder_;
};

TEST_F(ScanCrossCheck, LongRockRidgeNamesAsXorrisoListsThem) {
    if (!haveProgram("xorriso")) {
        GTEST_SKIP() << "xorriso (Debian package xorriso) makes and lists the image";
    }
    const std::string longest(255, 'n');
    const std::string folder(240, 'd');
    folder_.write("tree/" + longest, "255 characters\n");
    folder_.write("tree/" + folder + "/" + std::string(240, 'f'), std::string(3000, 'x'));
    folder_.write("tree/short.txt", "short\n");
    const fs::path image = folder_ / "long.iso";
    Output("xorriso -as mkisofs -quiet -R -o " + Quoted(image) + " " + Quoted(folder_ / "tree") +
           " 2>/dev/null");

    std::map<std::string, std::uint64_t> theirs;
    std::istringstream lines(
        Output("xorriso -indev " + Quoted(image) + " -find / -exec lsdl 2>/dev/null"));
    const std::regex line(R"(^([d-])\S+\s+\d+\s+\S+\s+\S+\s+(\d+)\s+.*?'(/.*)'$)");
    for (std::string text; std::getline(lines, text);) {
        std::smatch m;
        if (std::regex_match(text, m, line)) {
            const bool directory = m[1] == "d";
            std::string path = m[3].str();
            if (directory && path != "/") {
                path += '/';
            }
            theirs[path] = std::stoull(m[2].str());
        }
    }
    ASSERT_EQ(theirs.size(), 5u) << "the root, a folder and three files";
    const Listing ours = Scan(image);
    ExpectHeld(ours, theirs);
    EXPECT_EQ(ours.size(), theirs.size());
    EXPECT_TRUE(ours.contains("/" + longest));
}

TEST_F(ScanCrossCheck, HfsFolderMovedBelowALaterOneAsHlsListsIt) {
    if (!haveProgram("hformat") || !haveProgram("hls")) {
        GTEST_SKIP() << "hfsutils (Debian package hfsutils) makes and lists the volume";
    }
    // 2 MiB: a partition map, then the volume hformat makes in partition 1.
    const fs::path image = folder_ / "moved.iso";
    FormatHfs(image, 4096, "MOVED");
    const fs::path leaf = folder_.write("leaf.txt", "moved with its folder\n");
    const std::string hfs = HfsEnvironment();
    Output(hfs + "hmkdir :P && " + hfs + "hmkdir :G && " + hfs + "hmkdir :P:X && " + hfs +
           "hcopy -r " + Quoted(leaf) + " :P:X:Leaf && " + hfs + "hrename :P :G:P && " + hfs +
           "humount");

    const auto theirs = HlsListing(image, 1);
    ASSERT_TRUE(theirs.contains("/G/P/X/Leaf")) << "hls lists the moved subtree";
    const Listing ours = Scan(image);
    ExpectHeld(ours, theirs);
    EXPECT_EQ(ours.size(), theirs.size());
}

TEST_F(ScanCrossCheck, HfsCatalogInThreeExtentsAsHlsListsIt) {
    if (!haveProgram("hformat") || !haveProgram("hls")) {
        GTEST_SKIP() << "hfsutils (Debian package hfsutils) makes and lists the volume";
    }
    // 20 MiB; 40 folders of 60 small files each, copied folder by folder,
    // so that the catalog grows in three extents between the files' data.
    const fs::path image = folder_ / "grown.iso";
    FormatHfs(image, 40960, "GROWN");
    std::string sources;
    for (int i = 0; i < 60; ++i) {
        sources += " " + Quoted(folder_.write("files/F" + std::to_string(i) + ".DAT",
                                              std::string(3000, static_cast<char>('a' + i % 26))));
    }
    const std::string hfs = HfsEnvironment();
    std::string commands = hfs + "hmount " + Quoted(image) + " 1 >/dev/null";
    for (int d = 0; d < 40; ++d) {
        const std::string folder = ":D" + std::to_string(d);
        commands += " && " + hfs + "hmkdir " + folder + " && " + hfs + "hcopy -r" + sources + " " +
                    folder + ":";
    }
    Output(commands + " && " + hfs + "humount");
    {
        // The master directory block (block 2 of partition 1) holds the
        // catalog's three extents from byte 150.
        std::ifstream in(image, std::ios::binary);
        std::array<unsigned char, 512> mdb{};
        in.seekg(std::streamoff{mkdisc::fs::kHfsPartitionStart + 2} * 512);
        in.read(reinterpret_cast<char*>(mdb.data()), mdb.size());
        for (int extent = 0; extent < 3; ++extent) {
            EXPECT_NE(mdb[152 + 4 * extent] << 8 | mdb[153 + 4 * extent], 0)
                << "the catalog lies in three extents";
        }
    }

    const auto theirs = HlsListing(image, 1);
    ASSERT_EQ(theirs.size(), 1u + 40 + 40 * 60) << "the root, 40 folders, 2400 files";
    Listing ours;
    std::string errors;
    EXPECT_EQ(Scan(image, ours, errors), 0) << errors;
    ExpectHeld(ours, theirs);
    EXPECT_EQ(ours.size(), theirs.size());
    EXPECT_EQ(errors.find("message "), std::string::npos) << errors;
}

TEST_F(ScanCrossCheck, MkdiscHfsVolumeOfThousandsOfFilesAsHlsListsIt) {
    if (!haveProgram("hformat") || !haveProgram("hls")) {
        GTEST_SKIP() << "hfsutils (Debian package hfsutils) makes and lists the volume";
    }
    std::string recipe = "[disc]\nname = many\n[data]\nfilesystem = hfs\nvolume-id = MANY\n";
    for (int d = 0; d < 40; ++d) {
        for (int f = 0; f < 60; ++f) {
            recipe +=
                "file = D" + std::to_string(d) + "/F" + std::to_string(f) + ".DAT size=3000\n";
        }
    }
    const auto parsed = mkdisc::parseRecipe(recipe, folder_ / "many.recipe");
    ASSERT_TRUE(std::holds_alternative<mkdisc::Recipe>(parsed));
    mkdisc::BuildOptions options;
    options.outputDir = folder_ / "out";
    const auto built = mkdisc::buildDisc(std::get<mkdisc::Recipe>(parsed), options);
    ASSERT_TRUE(std::holds_alternative<mkdisc::BuiltDisc>(built))
        << std::get<mkdisc::BuildError>(built).text();
    const mkdisc::BuiltDisc& disc = std::get<mkdisc::BuiltDisc>(built);

    // The track's user data (mode 1 sectors of 2352 bytes in the BIN) as
    // the image that hls reads.
    const mkdisc::TrackPlacement& track = disc.plan.tracks.front();
    const fs::path image = folder_ / "track.img";
    {
        std::ifstream bin(disc.bins.at(track.binFile), std::ios::binary);
        std::ofstream out(image, std::ios::binary);
        std::array<char, 2352> raw{};
        for (std::int32_t lba = track.dataStart; lba < track.dataEnd; ++lba) {
            bin.seekg((track.binFrame + lba - track.storedFrom) * 2352);
            ASSERT_TRUE(bin.read(raw.data(), raw.size())) << lba;
            out.write(raw.data() + 16, 2048);
        }
    }
    const auto theirs = HlsListing(image, 1);
    ASSERT_EQ(theirs.size(), 1u + 40 + 40 * 60) << "the root, 40 folders, 2400 files";
    Listing ours;
    std::string errors;
    EXPECT_EQ(Scan(disc.descriptor, ours, errors), 0) << errors;
    ExpectHeld(ours, theirs);
    EXPECT_EQ(ours.size(), theirs.size());
    EXPECT_EQ(errors.find("message "), std::string::npos) << errors;
}

TEST_F(ScanCrossCheck, HardLinksOnADamagedUdfBridgeBothStay) {
    if (!haveProgram("genisoimage") || !haveProgram("isoinfo") || !haveProgram("udfinfo")) {
        GTEST_SKIP() << "genisoimage (isoinfo) and udftools (udfinfo) are needed";
    }
    const fs::path first = folder_.write("tree/LINK1.DAT", std::string(5000, 'l'));
    fs::create_directories(folder_ / "tree/SUB");
    fs::create_hard_link(first, folder_ / "tree/SUB/LINK2.DAT");
    folder_.write("tree/BROKEN.TXT", std::string(777, 'b'));
    folder_.write("tree/OTHER.TXT", "other\n");
    const fs::path image = folder_ / "links.iso";
    Output("genisoimage -quiet -udf -R -cache-inodes -o " + Quoted(image) + " " +
           Quoted(folder_ / "tree") + " 2>/dev/null");

    // BROKEN.TXT's UDF file entry (the one of 777 bytes) gets a bad tag
    // checksum: a structure error, so the block scan runs.
    ASSERT_TRUE(AlterFirstBlock(image, [](std::array<unsigned char, 2048>& block) {
        const unsigned tag = block[0] | block[1] << 8;
        const unsigned length = block[56] | block[57] << 8 | block[58] << 16;
        if ((tag == 261 || tag == 266) && length == 777) {
            ++block[4];
            return true;
        }
        return false;
    })) << "no file entry of 777 bytes";

    std::map<std::string, std::uint64_t> theirs;
    std::istringstream lines(Output("isoinfo -l -R -i " + Quoted(image) + " 2>/dev/null"));
    const std::regex line(R"(^([d-])\S+\s+\d+\s+\d+\s+\d+\s+(\d+)\s+.*\]\s+(.*?)\s*$)");
    std::string directory = "/";
    for (std::string text; std::getline(lines, text);) {
        std::smatch m;
        if (text.rfind("Directory listing of ", 0) == 0) {
            directory = text.substr(21);
        } else if (std::regex_match(text, m, line) && m[3] != "." && m[3] != "..") {
            const bool isDirectory = m[1] == "d";
            theirs[directory + m[3].str() + (isDirectory ? "/" : "")] =
                isDirectory ? 0 : std::stoull(m[2].str());
        }
    }
    ASSERT_EQ(theirs.size(), 5u) << "two links, two more files and a folder";
    theirs.erase("/BROKEN.TXT");  // its damaged entry has no size to show

    const Listing ours = Scan(image);
    ExpectHeld(ours, theirs);
    ASSERT_TRUE(ours.contains("/BROKEN.TXT")) << "a damaged entry still shows";
    EXPECT_EQ(ours.at("/BROKEN.TXT").start, -1);
    ASSERT_TRUE(ours.contains("/LINK1.DAT") && ours.contains("/SUB/LINK2.DAT"));
    EXPECT_EQ(ours.at("/LINK1.DAT"), ours.at("/SUB/LINK2.DAT")) << "one extent";
    // Whatever else the block scan found hangs below its own folder.
    for (const auto& [path, entry] : ours) {
        EXPECT_TRUE(theirs.contains(path) || path == "/" || path == "/BROKEN.TXT" ||
                    path.rfind("/Unattached Items/", 0) == 0)
            << path;
    }
    EXPECT_EQ(UdfInfo(image).at("numfiles"), "4") << "udfinfo counts the linked file once";
}

TEST_F(ScanCrossCheck, HardLinksTheBlockScanFoundStayWithTheirFolder) {
    if (!haveProgram("genisoimage")) {
        GTEST_SKIP() << "genisoimage makes the UDF bridge";
    }
    // Three links to one file in three folders, and a file beside one.
    const fs::path first = folder_.write("tree/LINK1.DAT", std::string(5000, 'l'));
    fs::create_directories(folder_ / "tree/SUB");
    fs::create_directories(folder_ / "tree/OTHER");
    fs::create_hard_link(first, folder_ / "tree/SUB/LINK2.DAT");
    fs::create_hard_link(first, folder_ / "tree/OTHER/LINK3.DAT");
    folder_.write("tree/SUB/E2", std::string(300, 'e'));
    const fs::path image = folder_ / "links.iso";
    Output("genisoimage -quiet -udf -R -cache-inodes -o " + Quoted(image) + " " +
           Quoted(folder_ / "tree") + " 2>/dev/null");

    // The root's first file identifier gets an implementation-use length
    // that runs past its block (tag checksum kept right): the root's
    // identifiers are lost and the block scan finds the folders' ones.
    const std::string link1 = "LINK1.DAT";
    ASSERT_TRUE(AlterFirstBlock(image, [&link1](std::array<unsigned char, 2048>& block) {
        const unsigned tag = block[0] | block[1] << 8;
        if (tag != 257 ||
            std::search(block.begin(), block.end(), link1.begin(), link1.end()) == block.end()) {
            return false;
        }
        block[36] = 0xF0;
        block[37] = 0x07;
        unsigned sum = 0;
        for (int i = 0; i < 16; ++i) {
            sum += i == 4 ? 0 : block[i];
        }
        block[4] = static_cast<unsigned char>(sum);
        return true;
    })) << "no root identifiers naming LINK1.DAT";

    Listing ours;
    std::string errors;
    EXPECT_EQ(Scan(image, ours, errors), 0) << errors;
    // The folders' names were in the lost identifiers: the scan names them
    // itself. The path of the entry named `name`, or "".
    const auto pathOf = [&ours](const std::string& name) {
        for (const auto& entry : ours) {
            const std::string& path = entry.first;
            if (path.size() > name.size() &&
                path.compare(path.size() - name.size() - 1, name.size() + 1, "/" + name) == 0) {
                return path;
            }
        }
        return std::string();
    };
    std::string listed;
    for (const auto& entry : ours) {
        listed += entry.first + "\n";
    }
    const std::string link2 = pathOf("LINK2.DAT");
    const std::string link3 = pathOf("LINK3.DAT");
    ASSERT_FALSE(link2.empty()) << listed;
    ASSERT_FALSE(link3.empty()) << listed;
    EXPECT_EQ(ours.at(link2), ours.at(link3)) << "one extent";
    EXPECT_EQ(ours.at(link2).size, 5000u);
    // SUB stays, with both of its entries.
    const std::string sub = link2.substr(0, link2.size() - 9);
    EXPECT_TRUE(ours.contains(sub)) << listed;
    EXPECT_TRUE(ours.contains(sub + "E2")) << listed;
    EXPECT_NE(sub, link3.substr(0, link3.size() - 9)) << listed;
}

TEST_F(ScanCrossCheck, PlainUdfVolumesOfMkudffsShowTheirRoot) {
    if (!haveProgram("mkudffs") || !haveProgram("udfinfo")) {
        GTEST_SKIP() << "udftools (mkudffs, udfinfo) are needed";
    }
    // No packaged tool copies files into a UDF image without mounting it:
    // the empty volumes' roots are what can be compared.
    for (const char* revision : {"0x0102", "0x0201"}) {
        const fs::path image = folder_ / (std::string("hd-") + revision + ".iso");
        Output(std::string("mkudffs --blocksize=2048 --media-type=hd --udfrev=") + revision +
               " --label=KELHD --new-file " + Quoted(image) + " 4096 >/dev/null 2>&1");
        const auto info = UdfInfo(image);
        ASSERT_EQ(info.at("accesstype"), "overwritable") << revision;
        Listing ours;
        std::string errors;
        ASSERT_EQ(Scan(image, ours, errors), 0) << revision << errors;
        ASSERT_TRUE(ours.contains("/")) << revision;
        EXPECT_GT(ours.at("/").start, 0) << revision;
        EXPECT_EQ(std::to_string(Count(ours, true)), info.at("numdirs")) << revision;
        EXPECT_EQ(std::to_string(Count(ours, false)), info.at("numfiles")) << revision;
        EXPECT_EQ(errors.find("message "), std::string::npos) << revision << errors;
    }
}

// A blank disc has no file system: its one node only names the disc.
TEST_F(ScanCrossCheck, BlankDiscListsNothing) {
    auto recipe = mkdisc::parseRecipe("[disc]\nname = blank\nmedium = cd-r\nstate = blank\n",
                                      folder_ / "blank.recipe");
    ASSERT_TRUE(std::holds_alternative<mkdisc::Recipe>(recipe));
    mkdisc::BuildOptions options;
    options.outputDir = folder_ / "blank";
    const auto built = mkdisc::buildDisc(std::get<mkdisc::Recipe>(recipe), options);
    ASSERT_TRUE(std::holds_alternative<mkdisc::BuiltDisc>(built));
    Listing ours;
    std::string errors;
    EXPECT_EQ(Scan(std::get<mkdisc::BuiltDisc>(built).descriptor, ours, errors), 0) << errors;
    EXPECT_TRUE(ours.empty()) << ours.begin()->first;
}

TEST_F(ScanCrossCheck, MissingDriveEndsWithStatusOne) {
    Listing ours;
    std::string errors;
    const fs::path absent = folder_ / "absent.iso";
    EXPECT_EQ(Scan(absent, ours, errors), 1);
    EXPECT_TRUE(ours.empty());
    EXPECT_NE(errors.find("morvale-scan: "), std::string::npos) << errors;
}

}  // namespace
}  // namespace kel::diag
